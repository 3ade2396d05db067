#pragma once
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

// Writes a file in pieces without ever leaving a half-written target: the bytes go to
// path + ".tmp" in the same folder, and Commit flushes that file to the disk and renames it
// over the target. A writer destroyed without a successful Commit removes its temporary
// file and leaves the target exactly as it was.
class AtomicFileWriter {
  public:
    explicit AtomicFileWriter(const std::string& path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // False once any step has failed (the temporary file could not be made or written).
    [[nodiscard]] bool Ok() const { return file_ != nullptr; }

    void Write(std::string_view data);

    // Replaces the target by what was written; false, with the target untouched, on failure.
    bool Commit();

    // The error number of the first step that failed (ENOSPC for a full disk ...); 0 while
    // nothing has failed.
    [[nodiscard]] int Error() const { return error_; }

  private:
    void discard();
    void fail(int error);

    std::filesystem::path target_;
    std::filesystem::path temp_;
    FILE* file_ = nullptr;
    int error_ = 0;
};

// Replaces the file at path (UTF-8) by data through an AtomicFileWriter. On any failure the
// target is left exactly as it was, and false is returned.
bool WriteFileAtomic(const std::string& path, std::string_view data);
