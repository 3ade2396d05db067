#include "link/TtyClaim.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// "ttyUSB0" for /dev/ttyUSB0, "pts_3" for /dev/pts/3.
std::string lockName(std::string device) {
    constexpr std::string_view kDev = "/dev/";
    if (device.starts_with(kDev)) {
        device.erase(0, kDev.size());
    }
    while (!device.empty() && device.front() == '/') {
        device.erase(0, 1);
    }
    for (char& c : device) {
        c = c == '/' ? '_' : c;
    }
    return device;
}

// What a file holds, up to 63 bytes.
std::string head(const std::string& path) {
    std::array<char, 64> text{};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return {};
    }
    const ssize_t n = ::read(fd, text.data(), text.size() - 1);
    ::close(fd);
    return n > 0 ? std::string(text.data(), static_cast<size_t>(n)) : std::string();
}

// The process a lock file names: its number in decimal text (HDB, "      4242\n"), or the
// binary int of the oldest lock files. 0 when it names none.
pid_t lockPid(const std::string& text) {
    const size_t digits = text.find_first_not_of(' ');
    if (digits != std::string::npos && text[digits] >= '0' && text[digits] <= '9') {
        return static_cast<pid_t>(std::strtol(text.c_str() + digits, nullptr, 10));
    }
    if (text.size() == sizeof(int)) {
        int pid = 0;
        std::memcpy(&pid, text.data(), sizeof pid);
        return pid;
    }
    return 0;
}

bool alive(pid_t pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

// "picocom (pid 4242)"; "pid 4242" when its name cannot be read.
std::string describe(pid_t pid) {
    std::string name = head("/proc/" + std::to_string(pid) + "/comm");
    while (!name.empty() && (name.back() == '\n' || name.back() == '\0')) {
        name.pop_back();
    }
    const std::string number = "pid " + std::to_string(pid);
    return name.empty() ? number : name + " (" + number + ")";
}

TtyClaim::Outcome openFailure(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return TtyClaim::Outcome::NotFound;
        case EACCES:
        case EPERM:
            return TtyClaim::Outcome::NoPermission;
        case EBUSY:  // opened exclusively (TIOCEXCL) by another program
            return TtyClaim::Outcome::Busy;
        default:
            return TtyClaim::Outcome::Failed;
    }
}

}  // namespace

TtyClaim::Outcome TtyClaim::claim(const std::string& path) {
    release();
    holder_.clear();
    error_ = 0;
    std::array<char, PATH_MAX> real{};
    if (::realpath(path.c_str(), real.data()) == nullptr) {
        return fail(openFailure(errno), errno);
    }
    const std::string device = real.data();
    lockPath_ = lockFolder_ + "/LCK.." + lockName(device);
    // Before the open: opening a port may change its modem lines under the program that has it.
    if (const pid_t pid = liveLocker(); pid != 0) {
        holder_ = describe(pid);
        return fail(Outcome::Busy, EBUSY);
    }
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EBUSY) {
            holder_ = openedBy(device);
        }
        return fail(openFailure(error), error);
    }
    int exclusive = 0;
    if (::isatty(fd) == 0) {
        ::close(fd);
        return fail(Outcome::NotATerminal, ENOTTY);
    }
    if ((::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) ||
        (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)) {
        ::close(fd);  // the flag is the other program's: it stays as it is
        holder_ = openedBy(device);
        return fail(Outcome::Busy, EBUSY);
    }
    fd_ = fd;
    takeLock();
    if (!holder_.empty()) {  // another program took the lock file first
        release();
        return fail(Outcome::Busy, EBUSY);
    }
    ::ioctl(fd, TIOCEXCL);  // refused by some drivers; the flock still holds
    saved_ = ::tcgetattr(fd, &settings_) == 0;
    return Outcome::Claimed;
}

TtyClaim::Outcome TtyClaim::fail(Outcome outcome, int error) {
    error_ = error;
    return outcome;
}

int TtyClaim::liveLocker() {
    const std::string text = head(lockPath_);
    const pid_t pid = lockPid(text);
    if (alive(pid)) {
        return pid;
    }
    if (!text.empty()) {
        // Stale: its process has gone. A folder this user may not write keeps it, and then
        // it keeps nothing from us either.
        ::unlink(lockPath_.c_str());
    }
    return 0;
}

void TtyClaim::takeLock() {
    const int fd = ::open(lockPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST) {
            if (const pid_t pid = liveLocker(); pid != 0) {
                holder_ = describe(pid);
            }
        }
        return;  // no lock folder, or one we may not write: the device is held without
    }
    std::array<char, 16> text{};
    const int size = std::snprintf(text.data(), text.size(), "%10d\n", static_cast<int>(getpid()));
    ownLock_ = ::write(fd, text.data(), static_cast<size_t>(size)) == size;
    ::close(fd);
    if (!ownLock_) {
        ::unlink(lockPath_.c_str());
    }
}

void TtyClaim::release() {
    if (fd_ < 0) {
        return;
    }
    if (saved_) {
        ::tcsetattr(fd_, TCSANOW, &settings_);
        saved_ = false;
    }
    ::ioctl(fd_, TIOCNXCL);
    if (ownLock_ && lockPid(head(lockPath_)) == getpid()) {
        ::unlink(lockPath_.c_str());
    }
    ownLock_ = false;
    ::close(fd_);
    fd_ = -1;
}

std::string TtyClaim::openedBy(const std::string& path) {
    std::array<char, PATH_MAX> real{};
    if (::realpath(path.c_str(), real.data()) == nullptr) {
        return {};
    }
    const std::string device = real.data();
    std::string found;
    int count = 0;
    DIR* proc = ::opendir("/proc");
    while (proc != nullptr && count < 3) {
        const dirent* entry = ::readdir(proc);
        if (entry == nullptr) {
            break;
        }
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == getpid()) {
            continue;
        }
        const std::string fds = std::string("/proc/") + entry->d_name + "/fd";
        DIR* dir = ::opendir(fds.c_str());  // only this user's processes, unless root
        bool has = false;
        while (dir != nullptr && !has) {
            const dirent* fd = ::readdir(dir);
            if (fd == nullptr) {
                break;
            }
            std::array<char, PATH_MAX> target{};
            const std::string link = fds + "/" + fd->d_name;
            const ssize_t n = ::readlink(link.c_str(), target.data(), target.size() - 1);
            has = n > 0 && device == std::string_view(target.data(), static_cast<size_t>(n));
        }
        if (dir != nullptr) {
            ::closedir(dir);
        }
        if (has) {
            found += (count++ > 0 ? ", " : "") + describe(static_cast<pid_t>(pid));
        }
    }
    if (proc != nullptr) {
        ::closedir(proc);
    }
    return found;
}
