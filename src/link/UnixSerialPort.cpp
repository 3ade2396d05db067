#include "link/UnixSerialPort.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <utility>

namespace {

PortOpenResult::Status openFailure(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return PortOpenResult::Status::NoSuchPort;
        case EACCES:
        case EPERM:
            return PortOpenResult::Status::NoPermission;
        case EBUSY:  // opened by a program that asked for it alone (TIOCEXCL)
            return PortOpenResult::Status::Busy;
        default:
            return PortOpenResult::Status::Failed;
    }
}

// Raw 8N1 at 9600 bit/s, no flow control: the settings a port opened with no settings of its
// own has had all along. VMIN 1: a non-blocking read of a quiet line fails with EAGAIN, and
// one that returns 0 means the device hung up.
bool makeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        return false;  // not a terminal
    }
    cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CREAD | CLOCAL;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return cfsetispeed(&t, B9600) == 0 && cfsetospeed(&t, B9600) == 0 &&
           tcsetattr(fd, TCSANOW, &t) == 0;
}

}  // namespace

UnixSerialPort::UnixSerialPort(PortNames names) : session_(std::move(names)) {
    // Repeating while each read finds bytes: a steady stream costs no timer set-up per read.
    readTimer_.setInterval(kReadGapMs);
    QObject::connect(&readNotifier_, &QSocketNotifier::activated, &readNotifier_,
                     [this] { readWaiting(); });
    QObject::connect(&readTimer_, &QTimer::timeout, &readTimer_, [this] { readWaiting(); });
    QObject::connect(&writeNotifier_, &QSocketNotifier::activated, &writeNotifier_,
                     [this] { writePending(); });
}

UnixSerialPort::~UnixSerialPort() {
    close();
}

PortOpenResult UnixSerialPort::open(int n) {
    close();
    PortOpenResult result;
    const QString location = session_.locate(n, result);
    if (location.isEmpty()) {
        return result;
    }
    const int fd =
        ::open(QFile::encodeName(location).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.status = openFailure(errno);
        return result;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        result.status = PortOpenResult::Status::Busy;
        return result;
    }
    ::ioctl(fd, TIOCEXCL);  // refused by some drivers; the lock above still holds
    if (!makeRaw(fd)) {
        ::close(fd);
        result.status = PortOpenResult::Status::Failed;
        return result;
    }
    ::tcflush(fd, TCIFLUSH);  // the open keeps what arrived before it
    fd_ = fd;
    session_.restart();
    readNotifier_.setSocket(fd);
    writeNotifier_.setSocket(fd);
    readNotifier_.setEnabled(true);
    result.status = PortOpenResult::Status::Opened;
    return result;
}

void UnixSerialPort::close() {
    session_.restart();
    readTimer_.stop();
    readNotifier_.setEnabled(false);
    if (fd_ >= 0) {
        writePending();  // a stop written just before reaches the unit
        writeNotifier_.setEnabled(false);
        ::close(fd_);
        fd_ = -1;
    }
    pending_.clear();
    incoming_.clear();
}

bool UnixSerialPort::write(const std::string& text) {
    if (fd_ < 0) {
        return false;
    }
    pending_ += text;
    return writePending();
}

bool UnixSerialPort::writePending() {
    while (fd_ >= 0 && !pending_.empty()) {
        const ssize_t n = ::write(fd_, pending_.data(), pending_.size());
        if (n > 0) {
            pending_.erase(0, static_cast<size_t>(n));
        } else if (n == 0 || errno == EAGAIN) {  // the driver takes nothing now
            writeNotifier_.setEnabled(true);
            return true;
        } else if (errno != EINTR) {
            pending_.clear();
            writeNotifier_.setEnabled(false);
            return false;
        }
    }
    writeNotifier_.setEnabled(false);
    return true;
}

void UnixSerialPort::readWaiting() {
    // The next read is set up first: it also comes while a batch handed on below runs a nested
    // event loop (a message box). What it reads then is handed on after that batch, never
    // into the buffer that batch is decoded from.
    rearm(fill());
    handOn();
}

void UnixSerialPort::readNow() {
    if (!readTimer_.isActive()) {
        return;
    }
    const size_t got = fill();
    if (got > 0 || fd_ < 0 || session_.losing()) {
        readTimer_.stop();  // the next read kReadGapMs after this one
        rearm(got);
    }
    // Nothing yet says nothing about the line, busy at the last read: the timer's read comes
    // as planned, without a turn to the notifier and back.
    handOn();
}

void UnixSerialPort::handOn() {
    if (reading_) {
        return;
    }
    reading_ = true;
    while (!incoming_.empty()) {
        batch_.swap(incoming_);
        incoming_.clear();
        session_.events().onReceive(batch_.data(), batch_.size());
    }
    reading_ = false;
}

size_t UnixSerialPort::fill() {
    size_t got = 0;
    while (fd_ >= 0 && !session_.losing() && got < kMaxRead) {
        const ssize_t n = ::read(fd_, chunk_.data(), chunk_.size());
        if (n > 0) {
            incoming_.insert(incoming_.end(), chunk_.begin(), chunk_.begin() + n);
            got += static_cast<size_t>(n);
            if (static_cast<size_t>(n) < chunk_.size()) {
                break;  // the driver gave all it held: a further read would find nothing
            }
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            // Hung up (0) or failed: unplugged, or the far end closed.
            session_.lose(readTimer_, [this] { close(); });
        } else if (errno == EAGAIN) {
            break;
        }
    }
    return got;
}

void UnixSerialPort::rearm(size_t got) {
    readNotifier_.setEnabled(false);
    if (fd_ < 0 || session_.losing()) {
        readTimer_.stop();
        return;
    }
    if (got > 0 && got < kBusyBytes) {
        if (!readTimer_.isActive()) {
            readTimer_.start();
        }
    } else {
        readTimer_.stop();
        readNotifier_.setEnabled(true);
    }
}
