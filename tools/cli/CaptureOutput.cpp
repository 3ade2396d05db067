#include "CaptureOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "files/ProgramFolder.h"

namespace {

// Writes all of data; false with errno set when a write fails.
bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

CaptureOutput::~CaptureOutput() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool CaptureOutput::fail(const std::string& step) {
    error_ = step + ": " + std::strerror(errno);
    return false;
}

bool CaptureOutput::create() {
    const std::string temp = path_ + ".tmp";
    const std::filesystem::path native = NativePath(temp);
    std::error_code ec;
    std::filesystem::remove(native, ec);  // a stale temporary file, or a link
    fd_ = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        return fail("cannot be created");
    }
    uint8_t head[kLogHeaderLen];
    EncodeHeader(header_, head);
    if (!writeAll(fd_, {reinterpret_cast<const char*>(head), sizeof head}) || ::fsync(fd_) != 0) {
        fail("cannot be written");
        ::close(fd_);
        fd_ = -1;
        std::filesystem::remove(native, ec);
        return false;
    }
    std::filesystem::rename(native, NativePath(path_), ec);
    if (ec) {
        error_ = "cannot be replaced: " + ec.message();
        ::close(fd_);
        fd_ = -1;
        std::filesystem::remove(native, ec);
        return false;
    }
    size_ = kLogHeaderLen;
    return true;
}

bool CaptureOutput::Write(std::string_view records) {
    if (records.empty()) {
        return error_.empty();
    }
    if (fd_ < 0 && (!error_.empty() || !create())) {
        return false;
    }
    if (!writeAll(fd_, records)) {
        fail("cannot be written");
        // The file ends with whole records: a write cut short by a full disk is taken back.
        if (::ftruncate(fd_, static_cast<off_t>(size_)) != 0) {
            error_ += " (and cannot be cut back)";
        }
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    size_ += static_cast<int64_t>(records.size());
    bytes_ += static_cast<int64_t>(records.size());
    return true;
}

bool CaptureOutput::Finish() {
    if (!error_.empty()) {
        return false;
    }
    if (fd_ < 0 && !create()) {
        return false;
    }
    if (::fsync(fd_) != 0) {
        return fail("cannot be written");
    }
    return true;
}
