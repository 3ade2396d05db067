#include "support/VirtualUnit.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <csignal>

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
    ready_ = out.startsWith("ready ");
    output_ = out.mid(out.indexOf('\n') + 1);
}

VirtualUnit::~VirtualUnit() {
    if (process_.state() == QProcess::NotRunning) {
        return;
    }
    resume();              // a stopped process would hold SIGTERM until the time-out
    process_.terminate();  // the unit removes its link on SIGTERM
    if (!process_.waitForFinished(3000)) {
        kill();
    }
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
