#include "support/VirtualUnit.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <csignal>
#include <cstring>

namespace {

// The exit status of a process that has ended, or -1.
int ExitCode(const QProcess& process) {
    return process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit
               ? process.exitCode()
               : -1;
}

}  // namespace

int VirtualUnit::exitCodeOf(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(VEXLO_UNIT_PATH), args);
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(3000);
        return -1;
    }
    return ExitCode(process);
}

VirtualUnit::VirtualUnit(const QString& linkPath, const QStringList& extra) : linkPath_(linkPath) {
    process_.setProgram(QStringLiteral(VEXLO_UNIT_PATH));
    process_.setArguments(QStringList{QStringLiteral("--link"), linkPath} + extra);
    process_.start();
    if (!process_.waitForStarted(3000)) {
        return;
    }
    const QDeadlineTimer deadline(5000);
    QByteArray out;
    while (!deadline.hasExpired() && !out.contains('\n')) {
        if (process_.bytesAvailable() == 0 &&
            !process_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            break;
        }
        out += process_.readAllStandardOutput();
    }
    firstLine_ = out.left(out.indexOf('\n'));
    const QByteArray readyLine = "ready " + linkPath.toLocal8Bit();
    ready_ = out.contains('\n') && (firstLine_ == readyLine ||
                                    firstLine_.startsWith(readyLine + " (made the missing folder"));
    output_ = out.mid(out.indexOf('\n') + 1);
}

VirtualUnit::~VirtualUnit() {
    stop();
}

QString VirtualUnit::errors() {
    return QString::fromLocal8Bit(process_.readAllStandardError());
}

QStringList VirtualUnit::trace() {
    output_ += process_.readAllStandardOutput();
    QStringList lines = QString::fromLatin1(output_).split(QLatin1Char('\n'));
    lines.removeLast();  // the text after the last line break: empty, or a line not yet ended
    return lines;
}

QStringList VirtualUnit::startsAndStops() {
    QStringList lines = trace();
    lines.removeIf([](const QString& line) {
        return !line.startsWith(QLatin1String("G01 ")) && !line.startsWith(QLatin1String("G00 "));
    });
    return lines;
}

bool VirtualUnit::waitForTrace(const QString& prefix, int count) {
    const QDeadlineTimer deadline(10'000);
    for (;;) {
        const QStringList lines = trace();
        if (std::count_if(lines.begin(), lines.end(),
                          [&](const QString& line) { return line.startsWith(prefix); }) >= count) {
            return true;
        }
        if (deadline.hasExpired() ||
            !process_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            return false;
        }
    }
}

QString VirtualUnit::control(const QString& command) const {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = (linkPath_ + QStringLiteral(".ctl")).toLocal8Bit();
    std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
    const QByteArray line = command.toLatin1() + '\n';
    QByteArray reply;
    bool ended = false;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        send(fd, line.constData(), static_cast<size_t>(line.size()), MSG_NOSIGNAL) == line.size()) {
        char c = 0;
        pollfd p{fd, POLLIN, 0};
        while (!ended && poll(&p, 1, 2000) == 1 && recv(fd, &c, 1, 0) == 1) {
            ended = c == '\n';
            if (!ended) {
                reply += c;
            }
        }
    }
    close(fd);
    return ended ? QString::fromLatin1(reply) : QString();
}

int VirtualUnit::stop() {
    if (process_.state() != QProcess::NotRunning) {
        resume();              // a stopped process would hold SIGTERM until the time-out
        process_.terminate();  // the unit removes its link on SIGTERM
        if (!process_.waitForFinished(3000)) {
            kill();
        }
    }
    return ExitCode(process_);
}

void VirtualUnit::kill() {
    process_.kill();
    process_.waitForFinished(3000);
    if (QFileInfo(linkPath_).isSymLink() && QFile::remove(linkPath_)) {
        QFile::link(linkPath_ + QStringLiteral(".unplugged"), linkPath_);
    }
}

void VirtualUnit::suspend() {
    if (process_.state() != QProcess::NotRunning && ::kill(process_.processId(), SIGSTOP) == 0) {
        suspended_ = true;
    }
}

void VirtualUnit::resume() {
    if (suspended_ && process_.state() != QProcess::NotRunning) {
        ::kill(process_.processId(), SIGCONT);
    }
    suspended_ = false;
}
