#pragma once
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

// Writes a file in pieces without ever leaving a half-written file in place of a good one.
// What the name stands for decides how:
// - a regular file, or nothing yet: the bytes go to a temporary file with a unique name in
//   the same folder, and Commit flushes it to the disk and renames it over the target;
// - a symbolic link: the same for the file at the end of the links, which stay as they are;
// - a FIFO or a character device: the bytes are written straight into it;
// - standard output (the StandardOutput constructor): written straight to it (in binary mode on
//   Windows, where it starts in text mode).
// A folder, a block device or a socket is refused. A writer destroyed without a successful
// Commit removes its temporary file and leaves the target exactly as it was.
class AtomicFileWriter {
  public:
    struct StandardOutput {};

    explicit AtomicFileWriter(const std::string& path);
    explicit AtomicFileWriter(StandardOutput);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // False once any step has failed (the temporary file could not be made or written).
    [[nodiscard]] bool ok() const { return file_ != nullptr; }

    void write(std::string_view data);

    // Replaces the target by what was written (or, written straight, flushes it); false, with
    // a regular target untouched, on failure.
    bool commit();

    // The error number of the first step that failed (ENOSPC for a full disk ...); 0 while
    // nothing has failed.
    [[nodiscard]] int error() const { return error_; }

    // The temporary file being written; empty when written straight or when none was made.
    [[nodiscard]] const std::filesystem::path& temporary() const { return temp_; }

    // The reason of the failure in words: "cannot be written: No space left on device".
    [[nodiscard]] std::string reason() const;

  private:
    void open();
    void discard();
    void fail(int error);

    std::filesystem::path target_;
    std::filesystem::path temp_;  // empty when written straight
    FILE* file_ = nullptr;
    bool standardOutput_ = false;
    bool refused_ = false;  // a kind of file that is not written
    int error_ = 0;
};

// Replaces the file at path (UTF-8) by data through an AtomicFileWriter. On any failure the
// target is left exactly as it was, and false is returned.
bool writeFileAtomic(const std::string& path, std::string_view data);

// The file path ends at, following symbolic links (a chain of at most 40); path itself when
// it is no link. The last link may point at nothing yet.
[[nodiscard]] std::filesystem::path followLinks(std::filesystem::path path);

// True when the two names (UTF-8) stand for one file: the same device and inode (links
// followed), or, for a file not there yet, the same path once links and dots are resolved.
[[nodiscard]] bool sameFile(const std::string& a, const std::string& b);

// Makes a file with a unique name next to target (target's name, a dot and six random
// characters), open for writing and empty, with the permissions of target if it exists (else
// read and write for all that the umask leaves); the descriptor, or -1 with errno set.
[[nodiscard]] int makeTempFile(const std::filesystem::path& target, std::filesystem::path& temp);
