#include "files/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#ifdef _WIN32
#include <random>
#endif
#include <system_error>

#include "files/ProgramFolder.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// The owner, group and permissions of a new file: those of the file it replaces, as far as
// the user may give them (root any owner, others a group they belong to), or what the umask
// leaves of read and write for everybody. The owner goes first: a change of owner clears the
// set-user-ID and set-group-ID bits.
#ifndef _WIN32
void takeOverMode(int fd, const fs::path& target) {
    struct stat st {};
    mode_t mode = 0;
    if (::stat(target.c_str(), &st) == 0) {
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
            (void)::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
        }
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    (void)::fchmod(fd, mode);
}
#endif

// Flushes the folder of path, so that a rename into it survives a power loss. A folder that
// cannot be opened or synced (some network file systems) leaves the rename as it is: the file
// is there, only perhaps not yet on the disk.
void syncFolder(const fs::path& path) {
#ifdef _WIN32
    (void)path;  // Windows offers programs no flush of a folder
#else
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
#endif
}

#ifdef _WIN32
// Moves temp over target; 0, else the error number. Another program may hold the target open
// without letting it be replaced: a virus scanner or an indexer for a moment, a viewer for
// longer. The move is tried again for about two seconds before it fails with EBUSY. A
// read-only target or a folder fails at once.
int replaceFile(const fs::path& temp, const fs::path& target) {
    constexpr int kAttempts = 20;
    constexpr DWORD kWaitMs = 100;
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(temp.c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return 0;
        }
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(target.c_str());
        const bool plainFile =
            attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0;
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                          (error == ERROR_ACCESS_DENIED && plainFile);
        if (!held) {
            return error == ERROR_DISK_FULL ? ENOSPC : EACCES;
        }
        if (attempt == kAttempts) {
            return EBUSY;
        }
        Sleep(kWaitMs);
    }
}
#endif

}  // namespace

fs::path followLinks(fs::path path) {
    std::error_code ec;
    for (int i = 0; i < 40 && fs::is_symlink(fs::symlink_status(path, ec)); ++i) {
        const fs::path to = fs::read_symlink(path, ec);
        if (ec) {
            break;
        }
        path = to.is_absolute() ? to : path.parent_path() / to;
    }
    return path;
}

int makeTempFile(const fs::path& target, fs::path& temp) {
#ifdef _WIN32
    static constexpr char kChars[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring suffix = L".";
        for (int i = 0; i < 6; ++i) {
            suffix += static_cast<wchar_t>(kChars[rd() % (sizeof kChars - 1)]);
        }
        temp = target;
        temp += suffix;
        const int fd =
            _wopen(temp.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
#else
    std::string name = target.string() + ".XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    temp = name;
    if (fd >= 0) {
        takeOverMode(fd, target);
    }
    return fd;
#endif
}

AtomicFileWriter::AtomicFileWriter(const std::string& path) : target_(nativePath(path)) {
    open();
}

AtomicFileWriter::AtomicFileWriter(StandardOutput) : file_(stdout), standardOutput_(true) {
#ifdef _WIN32
    // Windows' standard output starts in text mode, which would turn each byte 0x0A of a
    // capture or a pcap into 0x0D 0x0A.
    (void)_setmode(_fileno(stdout), _O_BINARY);
#endif
}

void AtomicFileWriter::open() {
    std::error_code ec;
    const fs::file_type type = fs::status(target_, ec).type();
    errno = 0;
    if (type == fs::file_type::fifo || type == fs::file_type::character) {
#ifndef _WIN32
        const int fd = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        file_ = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
        if (file_ == nullptr) {
            fail(errno);
            if (fd >= 0) {
                ::close(fd);
            }
        }
        return;
#endif
    }
    if (type == fs::file_type::directory) {
        fail(EISDIR);
        return;
    }
    if (type != fs::file_type::regular && type != fs::file_type::not_found) {
        fail(EINVAL);
        refused_ = true;
        return;
    }
    // The kind is asked of the system, which also follows links such as /dev/stdout; the
    // temporary file goes next to the file at the end of the links.
    target_ = followLinks(target_);
    const int fd = makeTempFile(target_, temp_);
    if (fd < 0) {
        fail(errno);
        temp_.clear();
        return;
    }
#ifdef _WIN32
    file_ = _fdopen(fd, "wb");
#else
    file_ = ::fdopen(fd, "wb");
#endif
    if (file_ == nullptr) {
        fail(errno);
        ::close(fd);
        fs::remove(temp_, ec);
    }
}

AtomicFileWriter::~AtomicFileWriter() {
    discard();
}

void AtomicFileWriter::write(std::string_view data) {
    errno = 0;
    if (file_ != nullptr && std::fwrite(data.data(), 1, data.size(), file_) != data.size()) {
        fail(errno);
        discard();
    }
}

bool AtomicFileWriter::commit() {
    if (file_ == nullptr) {
        return false;
    }
    errno = 0;
    bool ok = std::fflush(file_) == 0;
    if (standardOutput_) {
        file_ = nullptr;
        if (!ok) {
            fail(errno);
        }
        return ok;
    }
    if (!temp_.empty()) {
#ifdef _WIN32
        ok = ok && _commit(_fileno(file_)) == 0;
#else
        ok = ok && fsync(fileno(file_)) == 0;
#endif
    }
    const int flushError = errno;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (!ok) {
        fail(flushError != 0 ? flushError : errno);
    } else if (!temp_.empty()) {
#ifdef _WIN32
        const int error = replaceFile(temp_, target_);
#else
        std::error_code ec;
        fs::rename(temp_, target_, ec);
        const int error = ec.value();
#endif
        ok = error == 0;
        if (!ok) {
            fail(error);
        } else {
            syncFolder(target_);
        }
    }
    if (!ok && !temp_.empty()) {
        std::error_code ec;
        fs::remove(temp_, ec);
    }
    return ok;
}

std::string AtomicFileWriter::reason() const {
    if (refused_) {
        return "is neither a regular file nor a FIFO nor a character device";
    }
#ifdef _WIN32
    if (error_ == EBUSY) {
        return "cannot be replaced: another program has it open";
    }
#endif
    return std::string("cannot be written: ") + std::strerror(error_ != 0 ? error_ : EIO);
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
    if (standardOutput_) {
        file_ = nullptr;
        return;
    }
    std::fclose(file_);
    file_ = nullptr;
    if (!temp_.empty()) {
        std::error_code ec;
        fs::remove(temp_, ec);
    }
}

bool writeFileAtomic(const std::string& path, std::string_view data) {
    AtomicFileWriter writer(path);
    writer.write(data);
    return writer.commit();
}

bool sameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path pa = nativePath(a);
    const fs::path pb = nativePath(b);
    if (fs::equivalent(pa, pb, ec)) {
        return true;
    }
    const fs::path ca = fs::weakly_canonical(followLinks(fs::absolute(pa, ec)), ec);
    const fs::path cb = fs::weakly_canonical(followLinks(fs::absolute(pb, ec)), ec);
    return !ec && ca == cb;
}
