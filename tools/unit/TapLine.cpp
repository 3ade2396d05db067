#include "TapLine.h"

#include <algorithm>

void TapLine::receive(int64_t nowNs, std::span<const TapChar> chars) {
    for (const TapChar& c : chars) {
        lineFreeNs_ = std::max(lineFreeNs_, nowNs) + characterNs_;
        queue_.push_back({lineFreeNs_, c});
    }
}

std::optional<int64_t> TapLine::nextDueNs() const {
    if (queue_.empty()) {
        return std::nullopt;
    }
    return queue_.front().dueNs;
}

void TapLine::deliver(int64_t nowNs, std::vector<TapChar>& out) {
    while (!queue_.empty() && queue_.front().dueNs <= nowNs) {
        out.push_back(queue_.front().c);
        queue_.pop_front();
    }
}
