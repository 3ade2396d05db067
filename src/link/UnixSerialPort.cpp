#include "link/UnixSerialPort.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <utility>

namespace {

PortOpenResult::Status openFailure(TtyClaim::Outcome outcome) {
    switch (outcome) {
        case TtyClaim::Outcome::Claimed:
            return PortOpenResult::Status::Opened;
        case TtyClaim::Outcome::NotFound:
            return PortOpenResult::Status::NoSuchPort;
        case TtyClaim::Outcome::NoPermission:
            return PortOpenResult::Status::NoPermission;
        case TtyClaim::Outcome::Busy:
            return PortOpenResult::Status::Busy;
        case TtyClaim::Outcome::NotATerminal:
        case TtyClaim::Outcome::Failed:
            break;
    }
    return PortOpenResult::Status::Failed;
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

UnixSerialPort::UnixSerialPort(PortNames names, std::string lockFolder)
    : session_(std::move(names)), claim_(std::move(lockFolder)) {
    // Repeating while each read finds bytes: a steady stream costs no timer set-up per read.
    readTimer_.setInterval(kReadGapMs);
    QObject::connect(&readNotifier_, &QSocketNotifier::activated, &readNotifier_,
                     [this] { readWaiting(); });
    QObject::connect(&readTimer_, &QTimer::timeout, &readTimer_, [this] { readWaiting(); });
    QObject::connect(&writeNotifier_, &QSocketNotifier::activated, &writeNotifier_, [this] {
        if (!writePending()) {
            writeFailed();
        }
    });
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
    location_ = QFile::encodeName(location).toStdString();
    result.status = openFailure(claim_.claim(location_));
    result.holder = claim_.holder();
    if (!result.opened()) {
        return result;
    }
    const int fd = claim_.fd();
    if (!makeRaw(fd)) {
        claim_.release();
        result.status = PortOpenResult::Status::Failed;
        return result;
    }
    ::tcflush(fd, TCIFLUSH);  // the open keeps what arrived before it
    session_.restart();
    readNotifier_.setSocket(fd);
    writeNotifier_.setSocket(fd);
    readNotifier_.setEnabled(true);
    return result;
}

void UnixSerialPort::close() {
    session_.restart();
    readTimer_.stop();
    readNotifier_.setEnabled(false);
    writeNotifier_.setEnabled(false);
    if (isOpen()) {
        drain();
        claim_.release();
    }
    pending_.clear();
    incoming_.clear();
}

void UnixSerialPort::drain() {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(kDrainMs);
    const auto left = [&end] {
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        return static_cast<int>(std::max<int64_t>(ms, 0));
    };
    pollfd room{claim_.fd(), POLLOUT, 0};
    while (writePending() && !pending_.empty() && left() > 0) {
        ::poll(&room, 1, left());
    }
    writeNotifier_.setEnabled(false);
    // The driver sends what it took before the settings found at the open come back.
    int queued = 0;
    while (::ioctl(claim_.fd(), TIOCOUTQ, &queued) == 0 && queued > 0 && left() > 0) {
        ::poll(nullptr, 0, 1);
    }
}

std::string UnixSerialPort::sharers() const {
    return isOpen() ? TtyClaim::openedBy(location_) : std::string();
}

bool UnixSerialPort::write(const std::string& text) {
    if (!isOpen()) {
        return false;
    }
    pending_ += text;
    if (!writePending()) {
        writeFailed();
        return false;
    }
    return true;
}

bool UnixSerialPort::writePending() {
    const int fd = claim_.fd();
    while (fd >= 0 && !pending_.empty()) {
        const ssize_t n = ::write(fd, pending_.data(), pending_.size());
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

void UnixSerialPort::writeFailed() {
    readTimer_.stop();
    readNotifier_.setEnabled(false);
    session_.lose(readTimer_, [this] { close(); });
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
    if (got > 0 || !isOpen() || session_.losing()) {
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
        session_.input().onReceive(batch_.data(), batch_.size());
    }
    reading_ = false;
}

size_t UnixSerialPort::fill() {
    size_t got = 0;
    while (isOpen() && !session_.losing() && got < kMaxRead) {
        const ssize_t n = ::read(claim_.fd(), chunk_.data(), chunk_.size());
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
    if (!isOpen() || session_.losing()) {
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
