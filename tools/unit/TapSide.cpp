#include "TapSide.h"

#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "DeviceLink.h"
#include "DeviceTermios.h"
#include "PseudoTerminal.h"

TapSide::TapSide(std::string path) : path_(std::move(path)) {
    struct stat st {};
    if (stat(path_.c_str(), &st) == 0) {
        if (!S_ISCHR(st.st_mode)) {
            throw std::runtime_error(path_ + ": is not a serial device");
        }
        // No other program (a port search among them) may open the device meanwhile.
        switch (claim_.claim(path_)) {
            case TtyClaim::Outcome::Claimed:
                break;
            case TtyClaim::Outcome::Busy:
                throw std::runtime_error(
                    path_ + ": in use by " +
                    (claim_.holder().empty() ? "another program" : claim_.holder()));
            case TtyClaim::Outcome::NotATerminal:
                throw std::runtime_error(path_ + ": is not a serial device");
            default:
                throw std::system_error(claim_.error(), std::generic_category(), path_);
        }
        device_ = claim_.fd();
        fd_ = device_;
        return;
    }
    terminal_ = std::make_unique<PseudoTerminal>();
    link_ = std::make_unique<DeviceLink>(path_, terminal_->devicePath());
    fd_ = terminal_->master();
}

TapSide::~TapSide() = default;

std::string TapSide::apply(const LineSettings& line) {
    parity_ = line.hasParity();
    if (device_ < 0) {
        return {};
    }
    const std::string error = configureDevice(device_, line);
    countsGrown();  // errors counted under the old settings are not this line's
    return error;
}

bool TapSide::read(std::vector<TapChar>& out, size_t max) {
    std::array<uint8_t, 4096> buffer;
    while (max > 0) {
        const ssize_t n = ::read(fd_, buffer.data(), std::min(max, buffer.size()));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n > 0) {
            const auto bytes = std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n));
            take(bytes, parity_ ? countsGrown() : std::nullopt, out);
            max -= bytes.size();
            continue;
        }
        // A device that reports the end of its input or fails has gone (unplugged).
        const bool gone = device_ >= 0 && (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK));
        if (gone) {
            claim_.release();
            device_ = -1;
            fd_ = -1;
        }
        return !gone;
    }
    return true;
}

void TapSide::take(std::span<const uint8_t> bytes, std::optional<ParmrkReader::ErrorCounts> grown,
                   std::vector<TapChar>& out) {
    if (terminal_) {
        for (const uint8_t b : bytes) {
            out.push_back({b});
        }
        return;
    }
    parmrk_.feed(bytes, parity_, grown, out);
}

void TapSide::send(std::span<const TapChar> chars) {
    if (fd_ < 0) {
        dropped_ += chars.size();
        return;
    }
    bytes_.clear();
    for (const TapChar& c : chars) {
        bytes_ += static_cast<char>(c.value);
    }
    const size_t room = kMaxPending - std::min(kMaxPending, out_.size());
    if (bytes_.size() > room) {
        dropped_ += bytes_.size() - room;
        bytes_.resize(room);
    }
    out_.append(bytes_, false);
    flush();
}

std::optional<int> TapSide::modemBits() {
    int bits = 0;
    if (device_ < 0 || noModem_ || ioctl(device_, TIOCMGET, &bits) != 0) {
        noModem_ = true;
        return std::nullopt;
    }
    return bits;
}

std::optional<ParmrkReader::ErrorCounts> TapSide::countsGrown() {
    serial_icounter_struct now{};
    if (device_ < 0 || noCounts_ || ioctl(device_, TIOCGICOUNT, &now) != 0) {
        noCounts_ = true;
        return std::nullopt;
    }
    const ParmrkReader::ErrorCounts total{static_cast<uint32_t>(now.parity),
                                          static_cast<uint32_t>(now.frame + now.brk)};
    const ParmrkReader::ErrorCounts grown{total.parity - counts_.parity,
                                          total.framing - counts_.framing};
    counts_ = total;
    return grown;
}
