#pragma once
#include <QLockFile>
#include <string>

// One instance of the program per program folder: the lock file vexlo.lock in the folder.
// Only a lock that a running instance holds means "another instance". A folder that does not
// exist is created first; a folder that cannot hold the lock file (read-only, or impossible
// to create) lets the program run all the same, unable to save there.
class ProgramLock {
  public:
    enum class Result { Locked, HeldByAnother, NotWritable };

    explicit ProgramLock(const std::string& folder);
    ProgramLock(const ProgramLock&) = delete;
    ProgramLock& operator=(const ProgramLock&) = delete;

    [[nodiscard]] Result result() const { return result_; }

    // What the user is told, once, when the folder is not writable.
    [[nodiscard]] static std::string notWritableText(const std::string& folder);

  private:
    QLockFile lock_;
    Result result_ = Result::NotWritable;
};
