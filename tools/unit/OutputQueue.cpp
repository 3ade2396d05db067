#include "OutputQueue.h"

#include <unistd.h>

#include <cerrno>

void OutputQueue::append(std::string_view bytes, bool capture) {
    if (bytes.empty()) {
        return;
    }
    if (!runs_.empty() && runs_.back().capture == capture) {
        runs_.back().length += bytes.size();
    } else {
        runs_.push_back({bytes.size(), capture});
    }
    bytes_.append(bytes);
}

bool OutputQueue::writeTo(int fd) {
    while (!runs_.empty()) {
        Run& run = runs_.front();
        if (!run.capture) {
            record_.flush();
        }
        const ssize_t n = ::write(fd, bytes_.data() + head_, run.length);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        const auto written = static_cast<size_t>(n);
        if (run.capture) {
            record_.append(bytes_.data() + head_, written);
        }
        head_ += written;
        run.length -= written;
        if (run.length == 0) {
            runs_.pop_front();
        }
    }
    // Drop what has gone out once it outweighs what is still waiting.
    if (head_ > 0 && head_ >= bytes_.size() - head_) {
        bytes_.erase(0, head_);
        head_ = 0;
    }
    return runs_.empty();
}
