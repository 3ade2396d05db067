#include "CaptureOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "files/AtomicFile.h"
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
    if (fd_ > STDERR_FILENO) {
        ::close(fd_);
    }
}

bool CaptureOutput::fail(const std::string& step) {
    error_ = step + ": " + std::strerror(errno);
    return false;
}

bool CaptureOutput::openDirect(const std::filesystem::path& target) {
    direct_ = true;
    fd_ = path_ == "-" ? STDOUT_FILENO : ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    return fd_ >= 0 || fail("cannot be opened");
}

bool CaptureOutput::create() {
    namespace fs = std::filesystem;
    const fs::path named = nativePath(path_);
    std::error_code ec;
    const fs::file_type type = fs::status(named, ec).type();
    if (path_ == "-" || type == fs::file_type::fifo || type == fs::file_type::character) {
        return openDirect(named) && writeHeader();
    }
    const fs::path target = followLinks(named);
    if (type != fs::file_type::regular && type != fs::file_type::not_found) {
        error_ = "is neither a regular file nor a FIFO nor a character device";
        return false;
    }
    fs::path temp;
    fd_ = makeTempFile(target, temp);
    if (fd_ < 0) {
        return fail("cannot be created");
    }
    const bool written = writeHeader() && (::fsync(fd_) == 0 || fail("cannot be written"));
    if (written) {
        fs::rename(temp, target, ec);
        if (ec) {
            error_ = "cannot be replaced: " + ec.message();
        }
    }
    if (!error_.empty()) {
        ::close(fd_);
        fd_ = -1;
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

bool CaptureOutput::writeHeader() {
    uint8_t head[kLogHeaderLen];
    encodeHeader(header_, head);
    if (!writeAll(fd_, {reinterpret_cast<const char*>(head), sizeof head})) {
        return fail("cannot be written");
    }
    size_ = kLogHeaderLen;
    return true;
}

bool CaptureOutput::write(std::string_view records) {
    if (records.empty()) {
        return error_.empty();
    }
    if (fd_ < 0 && (!error_.empty() || !create())) {
        return false;
    }
    if (!writeAll(fd_, records)) {
        fail("cannot be written");
        // A regular file ends with whole records: a write cut short by a full disk is taken
        // back. What went into a FIFO or a device is gone.
        if (!direct_ && ::ftruncate(fd_, static_cast<off_t>(size_)) != 0) {
            error_ += " (and cannot be cut back)";
        }
        if (fd_ > STDERR_FILENO) {
            ::close(fd_);
        }
        fd_ = -1;
        return false;
    }
    size_ += static_cast<int64_t>(records.size());
    bytes_ += static_cast<int64_t>(records.size());
    return true;
}

bool CaptureOutput::finish() {
    if (!error_.empty()) {
        return false;
    }
    if (fd_ < 0 && !create()) {
        return false;
    }
    if (!direct_ && ::fsync(fd_) != 0) {
        return fail("cannot be written");
    }
    return true;
}
