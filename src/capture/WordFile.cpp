#include "capture/WordFile.h"

#include <utility>

#ifndef _WIN32
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

// Windows keeps the words in memory (the caller's fallback).
bool WordFile::create(const std::filesystem::path&) {
    return false;
}
bool WordFile::append(const int16_t*, size_t) {
    return false;
}
bool WordFile::finish() {
    return false;
}
void WordFile::release() {}

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
