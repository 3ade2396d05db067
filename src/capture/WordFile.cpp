#include "capture/WordFile.h"

#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <string>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#endif

WordFile::~WordFile() {
    release();
}

WordFile::WordFile(WordFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      count_(std::exchange(other.count_, 0)),
      map_(std::exchange(other.map_, nullptr)),
      mapBytes_(std::exchange(other.mapBytes_, 0)),
      guard_(std::exchange(other.guard_, -1)) {}

WordFile& WordFile::operator=(WordFile&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        count_ = std::exchange(other.count_, 0);
        map_ = std::exchange(other.map_, nullptr);
        mapBytes_ = std::exchange(other.mapBytes_, 0);
        guard_ = std::exchange(other.guard_, -1);
    }
    return *this;
}

std::span<const int16_t> WordFile::words() const {
    if (map_ == nullptr) {
        return {};
    }
    return {static_cast<const int16_t*>(map_), count_};
}

#ifdef _WIN32

// The temporary folder, then the capture's own folder.
std::vector<std::filesystem::path> WordFile::folders(const std::filesystem::path& captureFolder) {
    std::vector<std::filesystem::path> list;
    std::error_code ec;
    std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    if (!ec) {
        list.push_back(std::move(temp));
    }
    list.push_back(captureFolder);
    return list;
}

// Windows has no unnamed files: the file gets a unique hidden name in folder, nobody else may
// open it (no sharing), and the system deletes it when its handle closes, also when the
// program ends abnormally.
bool WordFile::create(const std::filesystem::path& folder) {
    release();
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path name = folder / (L".vexlo-words-" + std::to_wstring(rd()));
        const HANDLE file = CreateFileW(
            name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) {
                continue;
            }
            return false;
        }
        fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR | _O_BINARY);
        if (fd_ < 0) {
            CloseHandle(file);
        }
        return fd_ >= 0;
    }
    return false;
}

namespace {
// Writes some of the left bytes at p: how many, or -1 on an error.
long long writeSome(int fd, const char* p, size_t left) {
    return _write(fd, p, static_cast<unsigned>(std::min<size_t>(left, INT_MAX)));
}
}  // namespace

bool WordFile::finish() {
    if (fd_ < 0) {
        return false;
    }
    if (count_ == 0) {
        return true;  // nothing to map: words() is empty
    }
    mapBytes_ = count_ * sizeof(int16_t);
    const auto file = reinterpret_cast<HANDLE>(_get_osfhandle(fd_));
    const HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping != nullptr) {
        map_ = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, mapBytes_);
        CloseHandle(mapping);  // the view keeps the mapping
    }
    if (map_ == nullptr) {
        release();
        return false;
    }
    return true;
}

void WordFile::release() {
    if (map_ != nullptr) {
        UnmapViewOfFile(map_);
        map_ = nullptr;
    }
    mapBytes_ = 0;
    count_ = 0;
    if (fd_ >= 0) {
        _close(fd_);
        fd_ = -1;
    }
}

// A fault on a mapping is not caught here: nothing reports it.
bool WordFile::lost() const {
    return false;
}
int WordFile::lossNotifier() {
    return -1;
}

#else

namespace {

// File systems whose files live in memory, and those whose disk is on another machine.
constexpr long kTmpfs = 0x01021994;
constexpr long kRamfs = 0x858458f6;
constexpr long kNetwork[] = {
    0x6969,                         // NFS
    0x517B,                         // SMB
    static_cast<long>(0xFF534D42),  // CIFS
    static_cast<long>(0xFE534D42),  // SMB2
    0x01021997,                     // 9P
    0x00C36400,                     // Ceph
    0x73757245,                     // Coda
    0x5346414F,                     // AFS
};

enum class Storage { Disk, Memory, Network, Unknown };

Storage storageOf(const std::filesystem::path& folder) {
    struct statfs fs {};
    if (::statfs(folder.c_str(), &fs) != 0) {
        return Storage::Unknown;
    }
    const auto type = static_cast<long>(fs.f_type);
    if (type == kTmpfs || type == kRamfs) {
        return Storage::Memory;
    }
    for (const long n : kNetwork) {
        if (type == n) {
            return Storage::Network;
        }
    }
    return Storage::Disk;
}

// The user's cache folder, made (for the user alone) if it is not there yet; empty when there
// is none that is a folder of the user's own.
std::filesystem::path cacheFolder() {
    std::filesystem::path folder;
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    if (xdg != nullptr && std::filesystem::path(xdg).is_absolute()) {
        folder = xdg;
    } else if (home != nullptr && std::filesystem::path(home).is_absolute()) {
        folder = std::filesystem::path(home) / ".cache";
    } else {
        return {};
    }
    (void)::mkdir(folder.c_str(), 0700);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        return {};
    }
    return folder;
}

// An unnamed file in folder: O_TMPFILE where the file system has it, else a unique name that
// is removed at once.
int unnamedFile(const std::filesystem::path& folder) {
#ifdef O_TMPFILE
    const int unnamed = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (unnamed >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) {
        return unnamed;
    }
#endif
    std::string name = (folder / ".vexlo-words-XXXXXX").string();
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) {
        ::unlink(name.c_str());
    }
    return fd;
}

// The mappings whose faults are caught. A slot is taken by a mapping for its whole life; the
// fault handler only reads the ranges and sets the flags.
struct Guard {
    std::atomic<uintptr_t> begin{0};  // 0: a free slot
    std::atomic<size_t> bytes{0};
    std::atomic<bool> lost{false};
};
constexpr int kGuards = 16;
Guard gGuards[kGuards];
struct sigaction gPreviousBus {};
int gLossPipe[2] = {-1, -1};

// A fault in a guarded mapping: its file is gone or cut short. The mapping's pages are put
// in place by zero pages (mmap is a plain system call on the systems that have it), so the
// read that faulted goes on; the flag and the pipe tell the owner. A fault anywhere else is
// left to the handler that was there before, as if this one did not exist.
void onBusFault(int sig, siginfo_t* info, void* context) {
    const auto at = reinterpret_cast<uintptr_t>(info->si_addr);
    for (Guard& g : gGuards) {
        const uintptr_t begin = g.begin.load();
        const size_t bytes = g.bytes.load();
        if (begin == 0 || at < begin || at - begin >= bytes) {
            continue;
        }
        if (::mmap(reinterpret_cast<void*>(begin), bytes, PROT_READ,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED) {
            break;
        }
        g.lost.store(true);
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(gLossPipe[1], &byte, 1);
        return;
    }
    if ((gPreviousBus.sa_flags & SA_SIGINFO) != 0) {
        gPreviousBus.sa_sigaction(sig, info, context);
    } else if (gPreviousBus.sa_handler != SIG_DFL && gPreviousBus.sa_handler != SIG_IGN) {
        gPreviousBus.sa_handler(sig);
    } else {
        // The default action: a faulting read runs again and ends the program, a SIGBUS sent
        // by kill is sent again.
        ::signal(SIGBUS, SIG_DFL);
        if (info->si_code <= 0) {
            ::raise(SIGBUS);
        }
    }
}

// Installs the fault handler and the pipe once; false when they cannot be had.
bool guardFaults() {
    static const bool installed = [] {
        if (::pipe2(gLossPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            return false;
        }
        struct sigaction action {};
        action.sa_sigaction = onBusFault;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGBUS, &action, &gPreviousBus) == 0;
    }();
    return installed;
}

long long writeSome(int fd, const char* p, size_t left) {
    ssize_t wrote = 0;
    do {
        wrote = ::write(fd, p, left);
    } while (wrote < 0 && errno == EINTR);
    return wrote;
}

}  // namespace

std::vector<std::filesystem::path> WordFile::folders(const std::filesystem::path& captureFolder) {
    std::vector<std::filesystem::path> list;
    const std::filesystem::path cache = cacheFolder();
    if (!cache.empty() && storageOf(cache) == Storage::Disk) {
        list.push_back(cache);
    }
    std::error_code ec;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    if (!ec && storageOf(temp) != Storage::Memory) {
        list.push_back(temp);
    }
    list.push_back(captureFolder);
    return list;
}

bool WordFile::create(const std::filesystem::path& folder) {
    release();
    fd_ = unnamedFile(folder);
    return fd_ >= 0;
}

bool WordFile::finish() {
    if (fd_ < 0) {
        return false;
    }
    if (count_ == 0) {
        return true;  // nothing to map: words() is empty
    }
    // Without a slot a fault could not be caught: the words are not mapped.
    int slot = 0;
    while (slot < kGuards && gGuards[slot].begin.load() != 0) {
        ++slot;
    }
    if (!guardFaults() || slot == kGuards) {
        release();
        return false;
    }
    mapBytes_ = count_ * sizeof(int16_t);
    void* map = ::mmap(nullptr, mapBytes_, PROT_READ, MAP_SHARED, fd_, 0);
    if (map == MAP_FAILED) {
        release();
        return false;
    }
    map_ = map;
    guard_ = slot;
    Guard& g = gGuards[slot];
    g.lost.store(false);
    g.bytes.store(mapBytes_);
    g.begin.store(reinterpret_cast<uintptr_t>(map));
    return true;
}

bool WordFile::lost() const {
    return guard_ >= 0 && gGuards[guard_].lost.load();
}

int WordFile::lossNotifier() {
    return guardFaults() ? gLossPipe[0] : -1;
}

void WordFile::release() {
    if (guard_ >= 0) {
        gGuards[guard_].begin.store(0);
        guard_ = -1;
    }
    if (map_ != nullptr) {
        ::munmap(map_, mapBytes_);
        map_ = nullptr;
    }
    mapBytes_ = 0;
    count_ = 0;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

#endif

bool WordFile::append(const int16_t* words, size_t n) {
    if (fd_ < 0) {
        return false;
    }
    const auto* p = reinterpret_cast<const char*>(words);
    size_t left = n * sizeof(int16_t);
    while (left > 0) {
        const long long wrote = writeSome(fd_, p, left);
        if (wrote <= 0) {
            release();
            return false;
        }
        p += wrote;
        left -= static_cast<size_t>(wrote);
    }
    count_ += n;
    return true;
}
