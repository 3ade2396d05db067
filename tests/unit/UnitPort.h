#pragma once
// The device of a vexlo-unit process (tests/support/VirtualUnit) opened like a serial port,
// and the reading with a time limit that the control channel's client shares.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>

inline int64_t nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

// Reads fd into buffer until done(buffer) or timeoutMs; returns done(buffer).
inline bool readUntil(int fd, std::string& buffer,
                      const std::function<bool(const std::string&)>& done, int timeoutMs) {
    const int64_t end = nowMs() + timeoutMs;
    while (!done(buffer)) {
        const int64_t left = end - nowMs();
        if (left <= 0) {
            return false;
        }
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) {
            continue;
        }
        char chunk[65536];
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n > 0) {
            buffer.append(chunk, static_cast<size_t>(n));
        } else if (n == 0 || errno != EAGAIN) {
            return done(buffer);
        }
    }
    return true;
}

// The unit's device, opened in raw mode like a serial port.
class Port {
  public:
    explicit Port(const std::string& path) {
        fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        if (fd_ >= 0 && tcgetattr(fd_, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(fd_, TCSANOW, &t);
        }
    }
    ~Port() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    [[nodiscard]] bool isOpen() const { return fd_ >= 0; }
    // Non-blocking.
    [[nodiscard]] int fd() const { return fd_; }

    void send(const std::string& text) {
        ASSERT_EQ(write(fd_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    // Received bytes up to and including the count-th CR (within a second).
    std::string lines(int count = 1) {
        readUntil(
            fd_, buffer_,
            [count](const std::string& s) { return std::count(s.begin(), s.end(), '\r') >= count; },
            1000);
        return take(nthCr(count));
    }
    // Whatever arrives within ms milliseconds.
    std::string within(int ms) {
        readUntil(
            fd_, buffer_, [](const std::string&) { return false; }, ms);
        return take(buffer_.size());
    }

  private:
    size_t nthCr(int count) const {
        size_t at = 0;
        for (int i = 0; i < count; ++i) {
            at = buffer_.find('\r', at);
            if (at == std::string::npos) {
                return buffer_.size();
            }
            ++at;
        }
        return at;
    }
    std::string take(size_t n) {
        std::string head = buffer_.substr(0, n);
        buffer_.erase(0, n);
        return head;
    }

    int fd_ = -1;
    std::string buffer_;
};
