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
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#endif

WordFile::~WordFile() {
    release();
}

WordFile::WordFile(WordFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      count_(std::exchange(other.count_, 0)),
      map_(std::exchange(other.map_, nullptr)),
      mapBytes_(std::exchange(other.mapBytes_, 0)) {}

WordFile& WordFile::operator=(WordFile&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        count_ = std::exchange(other.count_, 0);
        map_ = std::exchange(other.map_, nullptr);
        mapBytes_ = std::exchange(other.mapBytes_, 0);
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

bool WordFile::append(const int16_t* words, size_t n) {
    if (fd_ < 0) {
        return false;
    }
    const auto* p = reinterpret_cast<const char*>(words);
    size_t left = n * sizeof(int16_t);
    while (left > 0) {
        const int wrote = _write(fd_, p, static_cast<unsigned>(std::min<size_t>(left, INT_MAX)));
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

#else

namespace {

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

}  // namespace

bool WordFile::create(const std::filesystem::path& folder) {
    release();
    fd_ = unnamedFile(folder);
    return fd_ >= 0;
}

bool WordFile::append(const int16_t* words, size_t n) {
    if (fd_ < 0) {
        return false;
    }
    const auto* p = reinterpret_cast<const char*>(words);
    size_t left = n * sizeof(int16_t);
    while (left > 0) {
        const ssize_t wrote = ::write(fd_, p, left);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
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

bool WordFile::finish() {
    if (fd_ < 0) {
        return false;
    }
    if (count_ == 0) {
        return true;  // nothing to map: words() is empty
    }
    mapBytes_ = count_ * sizeof(int16_t);
    void* map = ::mmap(nullptr, mapBytes_, PROT_READ, MAP_SHARED, fd_, 0);
    if (map == MAP_FAILED) {
        release();
        return false;
    }
    map_ = map;
    return true;
}

void WordFile::release() {
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
