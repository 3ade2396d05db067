#include "PseudoTerminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace {

[[noreturn]] void fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// No echo, no line editing or signals, no CR/LF translation, no XON/XOFF, 8 bits: every
// byte passes both ways untouched.
void makeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        fail("tcgetattr");
    }
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXON | IXOFF | IXANY);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
    t.c_cflag |= CS8 | CREAD | CLOCAL;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        fail("tcsetattr");
    }
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) {
        fail("posix_openpt");
    }
    try {
        if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
            fail("unlockpt");
        }
        const char* name = ptsname(master_);
        if (name == nullptr) {
            fail("ptsname");
        }
        devicePath_ = name;
        device_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (device_ < 0) {
            fail(name);
        }
        makeRaw(device_);
        const int flags = fcntl(master_, F_GETFL);
        if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0 ||
            fcntl(master_, F_SETFD, FD_CLOEXEC) != 0) {
            fail("fcntl");
        }
    } catch (...) {
        if (device_ >= 0) {
            ::close(device_);
        }
        ::close(master_);
        throw;
    }
}

PseudoTerminal::~PseudoTerminal() {
    ::close(device_);
    ::close(master_);
}
