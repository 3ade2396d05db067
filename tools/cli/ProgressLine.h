#pragma once
#include <chrono>
#include <cstdint>
#include <string>

#include "base/Progress.h"

// The progress of a long command as one line on standard error ("export: 42% of 2,480 MB"),
// rewritten in place a few times a second and wiped when the work ends; nothing at all when
// standard error is no terminal (a pipe, a file), so that scripts see only errors there.
class ProgressLine : public Progress {
  public:
    explicit ProgressLine(std::string command);
    ~ProgressLine() override;
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    bool step(uint64_t done, uint64_t total) override;

  private:
    std::string command_;
    bool shown_ = false;  // standard error is a terminal
    bool written_ = false;
    std::chrono::steady_clock::time_point next_{};
};
