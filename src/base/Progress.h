#pragma once
#include <cstdint>

// How far a long piece of work has come, and whether it is to go on. The work calls step
// between its pieces; the program shows it in a progress dialog whose cancel button stops the
// work, a test stops it at a chosen step.
class Progress {
  public:
    virtual ~Progress() = default;
    // done of total units of the work are finished (done <= total). False when the work is to
    // stop: it then ends as soon as it can, leaving what it would have changed as it was.
    virtual bool step(uint64_t done, uint64_t total) = 0;
};

// Work that nobody watches: it always goes on.
class NoProgress final : public Progress {
  public:
    bool step(uint64_t, uint64_t) override { return true; }
};

// The progress of work called without one.
[[nodiscard]] inline Progress& noProgress() {
    static NoProgress none;  // keeps no state
    return none;
}

// One part of a larger piece of work: its steps are passed on as done after `before` units of
// the whole, out of before + its total + after. Remembers the last done it was told.
class ProgressPart final : public Progress {
  public:
    ProgressPart(Progress& whole, uint64_t before, uint64_t after)
        : whole_(whole), before_(before), after_(after) {}
    bool step(uint64_t done, uint64_t total) override {
        reached_ = done;
        return whole_.step(before_ + done, before_ + total + after_);
    }
    [[nodiscard]] uint64_t reached() const { return reached_; }

  private:
    Progress& whole_;
    uint64_t before_;
    uint64_t after_;
    uint64_t reached_ = 0;
};

// Passes the steps on and remembers whether one of them stopped the work (every later step
// stops it too), so that a command can tell a cancel from a failure.
class ProgressWatch final : public Progress {
  public:
    explicit ProgressWatch(Progress& inner) : inner_(inner) {}
    bool step(uint64_t done, uint64_t total) override {
        cancelled_ = cancelled_ || !inner_.step(done, total);
        return !cancelled_;
    }
    [[nodiscard]] bool cancelled() const { return cancelled_; }

  private:
    Progress& inner_;
    bool cancelled_ = false;
};
