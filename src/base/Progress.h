#pragma once
#include <cstdint>

// How far a long piece of work has come, and the way to cancel it. The work calls step() now
// and then (a few times a second or more often) with the units done of the total (bytes of a
// file, pages); step() returns false to cancel, and the work then stops as soon as it can and
// leaves everything as it was before it began. Qt-free: the program shows it as a progress
// dialog, vexlo-cli as a line on a terminal.
class Progress {
  public:
    virtual ~Progress() = default;
    [[nodiscard]] virtual bool step(uint64_t done, uint64_t total) = 0;
};
