#pragma once
// Helpers of the tests that run the real vexlo-unit: a temporary folder, the unit process and
// its device opened like a serial port.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

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

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A folder of its own for each test.
class TempDir {
  public:
    TempDir() {
        char name[] = "/tmp/vexlo-unit-testXXXXXX";
        path_ = mkdtemp(name) != nullptr ? name : "/tmp";
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    [[nodiscard]] std::string file(const char* name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// vexlo-unit running with the given arguments; ended with SIGTERM when the test is done.
class UnitProcess {
  public:
    explicit UnitProcess(std::vector<std::string> args) {
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        args.insert(args.begin(), VEXLO_UNIT_BINARY);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            std::vector<char*> argv;
            for (std::string& a : args) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        stdout_ = out[0];
        fcntl(stdout_, F_SETFL, O_NONBLOCK);
    }
    ~UnitProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (stdout_ >= 0) {
            close(stdout_);
        }
    }

    // Everything the unit printed once it has printed a whole line.
    std::string firstLine() { return lines(1); }
    // Everything the unit printed once it has printed count lines (within 3 s).
    std::string lines(int count) {
        readUntil(
            stdout_, output_,
            [count](const std::string& s) { return std::count(s.begin(), s.end(), '\n') >= count; },
            3000);
        return output_;
    }
    // Asks the unit to end and returns its exit status (-1 if it did not exit normally).
    int stop() {
        kill(pid_, SIGTERM);
        return wait();
    }
    int wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_ = -1;
    int stdout_ = -1;
    std::string output_;
};

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
