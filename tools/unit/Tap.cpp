#include "Tap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

Tap::Tap(const std::string& sdPath, const std::string& rdPath)
    : sd_(sdPath),
      rd_(rdPath),
      directions_{{{sd_, rd_, true, {}}, {rd_, sd_, false, {}}}},
      modem_(sd_.isDevice() || rd_.isDevice()) {}

void Tap::apply(const LineSettings& line, double rateFactor) {
    if (applied_ && line == line_) {
        return;
    }
    line_ = line;
    applied_ = true;
    for (TapSide* side : {&sd_, &rd_}) {
        const std::string error = side->apply(line);
        if (!error.empty()) {
            std::fprintf(stderr, "vexlo-unit: %s: cannot take the line settings: %s\n",
                         side->path().c_str(), error.c_str());
        }
    }
    const auto characterNs = std::llround(line.characterSeconds() * 1e9 / rateFactor);
    for (Direction& d : directions_) {
        d.line.setCharacterNs(d.from.isDevice() ? 0 : characterNs);
    }
}

void Tap::addPollFds(std::vector<pollfd>& fds) const {
    for (const Direction& d : directions_) {
        const bool room = d.line.pending() < kMaxOnTheWay;
        fds.push_back(
            {d.from.fd(),
             static_cast<short>((room ? POLLIN : 0) | (d.from.wantsWrite() ? POLLOUT : 0)), 0});
    }
}

void Tap::serve(std::span<const pollfd> fds, int64_t nowNs, const Observer& observe) {
    for (size_t i = 0; i < directions_.size() && i < fds.size(); ++i) {
        Direction& d = directions_[i];
        if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            scratch_.clear();
            if (!d.from.read(scratch_, kMaxOnTheWay - std::min(kMaxOnTheWay, d.line.pending()))) {
                std::fprintf(stderr, "vexlo-unit: %s: the device is gone\n", d.from.path().c_str());
            }
            received(d, nowNs);
        }
        if ((fds[i].revents & POLLOUT) != 0) {
            d.from.flush();
        }
    }
    for (Direction& d : directions_) {
        deliver(d, nowNs, observe);
    }
    if (modem_ && nowNs >= nextModemNs_) {
        modemBits(sd_.modemBits(), rd_.modemBits(), observe);
        nextModemNs_ = nowNs + kModemPollNs;
    }
}

void Tap::take(bool sd, std::span<const uint8_t> bytes,
               std::optional<ParmrkReader::ErrorCounts> grown, int64_t nowNs) {
    Direction& d = directions_[sd ? 0 : 1];
    scratch_.clear();
    d.from.take(bytes, grown, scratch_);
    received(d, nowNs);
}

void Tap::received(Direction& d, int64_t nowNs) {
    if (line_.dataBits == 7) {
        // A 7-bit line carries no top bit, whatever the program wrote.
        for (TapChar& c : scratch_) {
            c.value = line_.mask(c.value);
        }
    }
    d.line.receive(nowNs, scratch_);
}

void Tap::deliver(Direction& d, int64_t nowNs, const Observer& observe) {
    scratch_.clear();
    d.line.deliver(nowNs, scratch_);
    if (scratch_.empty()) {
        return;
    }
    d.to.send(scratch_);
    if (d.to.dropped() > 0 && !d.warnedDrops) {
        d.warnedDrops = true;
        std::fprintf(stderr, "vexlo-unit: %s: its program takes nothing; characters are dropped\n",
                     d.to.path().c_str());
    }
    for (const TapChar& c : scratch_) {
        StreamEvent e = StreamEvent::data(0, d.sd, c.value);
        e.parityError = c.parityError;
        e.framingError = c.framingError;
        observe(e);
    }
}

void Tap::modemBits(std::optional<int> sdBits, std::optional<int> rdBits, const Observer& observe) {
    std::optional<uint8_t> lines;
    for (const std::optional<int>& bits : {sdBits, rdBits}) {
        if (bits) {
            lines = static_cast<uint8_t>(lines.value_or(0) | linesOfModemBits(*bits));
        }
    }
    modem_ = lines.has_value();
    if (lines && lines != lines_) {
        lines_ = lines;
        observe(StreamEvent::line(0, *lines));
    }
}

std::optional<int64_t> Tap::nextDueNs() const {
    std::optional<int64_t> due;
    for (const Direction& d : directions_) {
        if (const auto next = d.line.nextDueNs()) {
            due = std::min(due.value_or(*next), *next);
        }
    }
    if (modem_) {
        due = std::min(due.value_or(nextModemNs_), nextModemNs_);
    }
    return due;
}
