#include "files/AtomicFile.h"

#include <cerrno>
#include <system_error>

#include "files/ProgramFolder.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

AtomicFileWriter::AtomicFileWriter(const std::string& path)
    : target_(NativePath(path)), temp_(NativePath(path + ".tmp")) {
    // A file that the temporary name may already name (a stale temporary file, or a link)
    // is removed first so that nothing else is written through it.
    using std::filesystem::file_type;
    std::error_code ec;
    const file_type existing = std::filesystem::symlink_status(temp_, ec).type();
    if (existing == file_type::directory) {
        fail(EISDIR);
        return;
    }
    if (existing != file_type::not_found && existing != file_type::none &&
        !std::filesystem::remove(temp_, ec)) {
        fail(ec.value());
        return;
    }
    errno = 0;
#ifdef _WIN32
    file_ = _wfopen(temp_.c_str(), L"wb");
#else
    file_ = std::fopen(temp_.c_str(), "wb");
#endif
    if (file_ == nullptr) {
        fail(errno);
    }
}

AtomicFileWriter::~AtomicFileWriter() {
    discard();
}

void AtomicFileWriter::Write(std::string_view data) {
    errno = 0;
    if (file_ != nullptr && std::fwrite(data.data(), 1, data.size(), file_) != data.size()) {
        fail(errno);
        discard();
    }
}

bool AtomicFileWriter::Commit() {
    if (file_ == nullptr) {
        return false;
    }
    errno = 0;
    bool ok = std::fflush(file_) == 0;
#ifdef _WIN32
    ok = _commit(_fileno(file_)) == 0 && ok;
#else
    ok = fsync(fileno(file_)) == 0 && ok;
#endif
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    std::error_code ec;
    if (!ok) {
        fail(errno);
    } else {
        std::filesystem::rename(temp_, target_, ec);
        ok = !ec;
        if (!ok) {
            fail(ec.value());
        }
    }
    if (!ok) {
        std::filesystem::remove(temp_, ec);
    }
    return ok;
}

void AtomicFileWriter::fail(int error) {
    if (error_ == 0) {
        error_ = error != 0 ? error : EIO;
    }
}

void AtomicFileWriter::discard() {
    if (file_ == nullptr) {
        return;
    }
    std::fclose(file_);
    file_ = nullptr;
    std::error_code ec;
    std::filesystem::remove(temp_, ec);
}

bool WriteFileAtomic(const std::string& path, std::string_view data) {
    AtomicFileWriter writer(path);
    writer.Write(data);
    return writer.Commit();
}
