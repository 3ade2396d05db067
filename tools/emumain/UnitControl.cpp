#include "UnitControl.h"

#include <QDir>
#include <QFileInfo>

#include "SimText.h"
#include "base/Val.h"
#include "files/IniFile.h"
#include "files/ParamIni.h"

namespace {
constexpr int kConnectMs = 1000;
constexpr int kLastPort = 16;
}  // namespace

const QStringList UnitControl::kLineNames = {QStringLiteral("RS"), QStringLiteral("CS"),
                                             QStringLiteral("ER"), QStringLiteral("DR"),
                                             QStringLiteral("CD"), QStringLiteral("CI")};

UnitControl::UnitControl(QObject* parent) : QObject(parent) {
    connect(&socket_, &QLocalSocket::readyRead, this, &UnitControl::readReplies);
    connect(&socket_, &QLocalSocket::disconnected, this, [this] {
        pending_.clear();
        emit connectionChanged(false);
    });
}

QString UnitControl::controlPath(const QString& programFolder) {
    const QDir ports(QDir(programFolder).filePath(QStringLiteral("ports")));
    auto socketOf = [&ports](int n) { return ports.filePath(QStringLiteral("COM%1.ctl").arg(n)); };
    IniFile ini(paramIniPath(programFolder.toStdString()));
    ini.load();
    const auto port = roundHalfEven<int16_t>(Val(ini.get("VX_Inf", "Port").value_or("0")));
    const QString named = socketOf(port.value_or(0));
    if (QFileInfo::exists(named)) {
        return named;
    }
    for (int n = 1; n <= kLastPort; ++n) {
        if (QFileInfo::exists(socketOf(n))) {
            return socketOf(n);
        }
    }
    return named;
}

bool UnitControl::connectTo(const QString& path) {
    socket_.abort();
    pending_.clear();
    partial_.clear();
    path_ = path;
    socket_.connectToServer(path);
    const bool connected = socket_.waitForConnected(kConnectMs);
    emit connectionChanged(connected);
    if (connected) {
        refresh();
    }
    return connected;
}

bool UnitControl::isConnected() const {
    return socket_.state() == QLocalSocket::ConnectedState;
}

bool UnitControl::sendText(bool sd, const QString& text, bool crlf, bool parityError,
                           bool framingError, QString& error) {
    auto bytes = simulatorBytes(text, error);
    if (!bytes) {
        return false;
    }
    if (crlf) {
        bytes->append("\r\n");
    }
    if (bytes->isEmpty()) {
        error = QStringLiteral("送信する文字がありません");
        return false;
    }
    if (!isConnected()) {
        error = QStringLiteral("仮想ユニットに接続されていません");
        return false;
    }
    QString flags;
    flags += parityError ? QStringLiteral(" PE") : QString();
    flags += framingError ? QStringLiteral(" FE") : QString();
    // The unit takes at most 1024 characters a command.
    constexpr qsizetype kChunk = 1024;
    for (qsizetype at = 0; at < bytes->size(); at += kChunk) {
        send(QStringLiteral("SEND %1%2 %3")
                 .arg(sd ? QStringLiteral("SD") : QStringLiteral("RD"), flags,
                      QString::fromLatin1(bytes->mid(at, kChunk).toHex().toUpper())));
    }
    return true;
}

void UnitControl::setLine(int line, bool on) {
    const auto bit = static_cast<uint8_t>(1U << line);
    lines_ = static_cast<uint8_t>(on ? lines_ | bit : lines_ & ~bit);
    QString command = QStringLiteral("LINES");
    for (int i = 0; i < kLineNames.size(); ++i) {
        if ((lines_ & (1U << i)) != 0) {
            command += QLatin1Char(' ') + kLineNames[i];
        }
    }
    send(command);
    emit stateChanged();
}

void UnitControl::setScenario(const QString& name) {
    send(QStringLiteral("SCENARIO ") + name);
    askStatus();
}

void UnitControl::refresh() {
    send(QStringLiteral("SCENARIOS"));
    askStatus();
}

void UnitControl::askStatus() {
    send(QStringLiteral("STATUS"));
}

void UnitControl::send(const QString& command) {
    if (!isConnected()) {
        emit replied(command, QStringLiteral("NG 仮想ユニットに接続されていません"));
        return;
    }
    pending_.push_back(command);
    socket_.write(command.toLatin1() + '\n');
    socket_.flush();
}

void UnitControl::readReplies() {
    partial_ += socket_.readAll();
    qsizetype end;
    while ((end = partial_.indexOf('\n')) >= 0) {
        const QString reply = QString::fromUtf8(partial_.left(end));
        partial_.remove(0, end + 1);
        QString command;
        if (!pending_.empty()) {
            command = pending_.front();
            pending_.pop_front();
        }
        take(command, reply);
    }
}

void UnitControl::take(const QString& command, const QString& reply) {
    const QStringList words = reply.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const bool ok = !words.isEmpty() && words[0] == QLatin1String("OK");
    if (ok && command == QLatin1String("SCENARIOS")) {
        scenarios_ = words.mid(1);
        emit stateChanged();
    } else if (ok && command == QLatin1String("STATUS") && words.size() == 4) {
        monitoring_ = words[1] == QLatin1String("monitoring");
        scenario_ = words[2];
        lines_ = 0;
        for (const QString& name : words[3].split(QLatin1Char(','))) {
            const qsizetype bit = kLineNames.indexOf(name);
            lines_ = static_cast<uint8_t>(bit >= 0 ? lines_ | (1U << bit) : lines_);
        }
        emit stateChanged();
    }
    emit replied(command, reply);
}
