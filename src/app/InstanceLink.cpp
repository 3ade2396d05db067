#include "app/InstanceLink.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {

// A file name longer than this is not a file name.
constexpr qint64 kMaxMessage = 64 * 1024;

}  // namespace

QString instanceName(const QString& programFolder) {
    const QByteArray key = (qEnvironmentVariable("USER") + '\n' + programFolder).toUtf8();
    return "vexlo-" + QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(20);
}

InstanceServer::InstanceServer(const QString& name, std::function<void(const std::string&)> open,
                               QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)), open_(std::move(open)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // The caller holds the program folder's lock, so a socket of this name is a leftover of
    // an instance that ended without cleaning up.
    if (!server_->listen(name)) {
        QLocalServer::removeServer(name);
        server_->listen(name);
    }
    connect(server_, &QLocalServer::newConnection, this, &InstanceServer::onConnection);
}

bool InstanceServer::listening() const {
    return server_->isListening();
}

void InstanceServer::onConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxMessage) {
                    socket->abort();
                }
                return;
            }
            const std::string file = socket->readLine(kMaxMessage).trimmed().toStdString();
            socket->disconnectFromServer();
            if (!file.empty()) {
                // Opened from the event loop, not inside the socket's signal.
                QMetaObject::invokeMethod(
                    this, [this, file] { open_(file); }, Qt::QueuedConnection);
            }
        });
    }
}

bool forwardToRunning(const QString& name, const std::string& file, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    while (true) {
        socket.connectToServer(name);
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
            break;
        }
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(50);  // the instance has the lock but does not listen yet
    }
    socket.write(QByteArray::fromStdString(file) + '\n');
    while (socket.bytesToWrite() > 0 &&
           socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
    }
    // The instance closes the connection once it has read the name.
    return socket.state() == QLocalSocket::UnconnectedState ||
           socket.waitForDisconnected(static_cast<int>(deadline.remainingTime()));
}
