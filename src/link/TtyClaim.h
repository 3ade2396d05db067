#pragma once
#include <termios.h>

#include <string>
#include <utility>

// A terminal device borrowed from the other programs of the machine while it is open here
// (POSIX only).
//
// A claim honours what other programs hold: a UUCP lock file of a live process in the lock
// folder ("LCK..ttyUSB0": the device the path leads to, links followed, without "/dev/" and
// with any further '/' as '_'), an exclusive open (TIOCEXCL, which the system enforces for
// every user but root; root sees it through TIOCGEXCL) and an exclusive flock. A lock file
// whose process is gone is removed, as terminal programs do. The device is then held for this
// program alone: a lock file naming this process where the folder lets us write one, an
// exclusive flock and TIOCEXCL. The terminal settings found at the claim are kept.
//
// release gives everything back: the settings, the exclusive flag and the lock file. The flag
// belongs to the terminal, not to this descriptor: left set, it would keep every user but root
// out for as long as any other program (the far end of a pseudo-terminal, say) has the device
// open.
class TtyClaim {
  public:
    enum class Outcome {
        Claimed,
        NotFound,      // nothing at the path, or a link whose target is gone
        NoPermission,  // this user may not open the device
        Busy,          // another program holds it (see holder)
        NotATerminal,  // opened, but not a terminal device
        Failed,        // any other failure (see error)
    };

    static constexpr const char* kLockFolder = "/var/lock";

    explicit TtyClaim(std::string lockFolder = kLockFolder) : lockFolder_(std::move(lockFolder)) {}
    ~TtyClaim() { release(); }
    TtyClaim(const TtyClaim&) = delete;
    TtyClaim& operator=(const TtyClaim&) = delete;

    // Opens the device at path non-blocking, after releasing any claim held before.
    Outcome claim(const std::string& path);
    // Restores the settings found at the claim, clears the exclusive flag, removes this
    // program's lock file and closes the device. Nothing when nothing is claimed.
    void release();

    // The open device, or -1.
    [[nodiscard]] int fd() const { return fd_; }
    // For a Busy claim, the programs that hold the device, as the system tells them
    // ("picocom (pid 4242)"); empty where it does not.
    [[nodiscard]] const std::string& holder() const { return holder_; }
    // The errno of a failed claim.
    [[nodiscard]] int error() const { return error_; }

    // The programs other than this one that have the device at path open ("minicom (pid 12),
    // vexlo-unit (pid 40)"); only those whose descriptors this user may see. Empty when none.
    [[nodiscard]] static std::string openedBy(const std::string& path);

  private:
    Outcome fail(Outcome outcome, int error);
    // The lock file's process when it is alive and not this one; 0 otherwise, after removing a
    // stale lock file.
    int liveLocker();
    void takeLock();

    std::string lockFolder_;
    std::string lockPath_;  // the device's lock file
    std::string holder_;
    int fd_ = -1;
    int error_ = 0;
    bool ownLock_ = false;  // lockPath_ names this process
    bool saved_ = false;    // settings_ holds what was found at the claim
    termios settings_{};
};
