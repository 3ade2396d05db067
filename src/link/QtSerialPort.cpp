#include "link/QtSerialPort.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <utility>

#include "link/LinkSeams.h"
#ifndef Q_OS_WIN
#include "link/TtyClaim.h"
#endif

QtSerialPort::QtSerialPort(PortNames names) : session_(std::move(names)) {
    port_.setReadBufferSize(0);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] { readWaiting(); });
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                     [this](QSerialPort::SerialPortError error) { onError(error); });
}

QtSerialPort::~QtSerialPort() {
    close();
}

PortOpenResult QtSerialPort::open(int n) {
    close();
    PortOpenResult result;
    const QString location = session_.locate(n, result);
    if (location.isEmpty()) {
        return result;
    }
    port_.setPortName(location);
    if (!port_.open(QIODevice::ReadWrite)) {
        result.status = openFailure(location);
#ifndef Q_OS_WIN
        if (result.status == PortOpenResult::Status::Busy) {
            result.holder = TtyClaim::openedBy(QFile::encodeName(location).toStdString());
        }
#endif
        port_.clearError();
        return result;
    }
    port_.clear(QSerialPort::Input);  // open keeps what arrived before it
    session_.restart();
    result.status = PortOpenResult::Status::Opened;
    return result;
}

PortOpenResult::Status QtSerialPort::openFailure([[maybe_unused]] const QString& location) const {
    switch (port_.error()) {
        case QSerialPort::DeviceNotFoundError:
            return PortOpenResult::Status::NoSuchPort;
        case QSerialPort::PermissionError: {
#ifdef Q_OS_WIN
            return PortOpenResult::Status::Busy;  // Windows reports a port in use this way
#else
            // Also reported for a port that another program holds (lock file or exclusive
            // open); only a device this user cannot read and write is a permission problem.
            const QFileInfo device(location);
            return device.isReadable() && device.isWritable()
                       ? PortOpenResult::Status::Busy
                       : PortOpenResult::Status::NoPermission;
#endif
        }
        default:
            return PortOpenResult::Status::Failed;
    }
}

void QtSerialPort::close() {
    session_.restart();
    if (port_.isOpen()) {
        // A stop written just before reaches the unit: what waits is written, for as long as
        // the unit has to answer a command at most.
        const QDeadlineTimer deadline(LinkTimers::kPortCheckMs);
        while (port_.bytesToWrite() > 0 && !deadline.hasExpired() &&
               port_.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
        }
        port_.close();
    }
    port_.clearError();
}

bool QtSerialPort::write(const std::string& text) {
    if (!port_.isOpen()) {
        return false;
    }
    const auto size = static_cast<qint64>(text.size());
    return port_.write(text.data(), size) == size;
}

void QtSerialPort::readWaiting() {
    // A batch handed on may run a nested event loop (a message box); bytes that arrive
    // meanwhile are read after that batch, never into the buffer it is decoded from.
    if (reading_) {
        return;
    }
    reading_ = true;
    qint64 waiting = 0;
    while (port_.isOpen() && (waiting = port_.bytesAvailable()) > 0) {
        if (buffer_.size() < static_cast<size_t>(waiting)) {
            buffer_.resize(static_cast<size_t>(waiting));
        }
        const qint64 got = port_.read(reinterpret_cast<char*>(buffer_.data()), waiting);
        if (got <= 0) {
            break;
        }
        session_.input().onReceive(buffer_.data(), static_cast<size_t>(got));
    }
    reading_ = false;
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    if ((error == QSerialPort::ReadError || error == QSerialPort::WriteError ||
         error == QSerialPort::ResourceError) &&
        port_.isOpen()) {
        session_.lose(port_, [this] { close(); });
    }
}
