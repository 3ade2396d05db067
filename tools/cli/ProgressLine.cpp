#include "ProgressLine.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define VEXLO_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define VEXLO_ISATTY(f) isatty(fileno(f))
#endif

namespace {
constexpr auto kEvery = std::chrono::milliseconds(200);
}  // namespace

ProgressLine::ProgressLine(std::string command)
    : command_(std::move(command)), shown_(VEXLO_ISATTY(stderr) != 0) {}

ProgressLine::~ProgressLine() {
    if (written_) {
        std::fputs("\r\033[K", stderr);
    }
}

bool ProgressLine::step(uint64_t done, uint64_t total) {
    if (!shown_ || total == 0) {
        return true;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now < next_) {
        return true;
    }
    next_ = now + kEvery;
    std::fprintf(stderr, "\r%s: %3d%% of %llu MB\033[K", command_.c_str(),
                 static_cast<int>(done * 100 / total),
                 static_cast<unsigned long long>((total + 999'999) / 1'000'000));
    std::fflush(stderr);
    written_ = true;
    return true;
}
