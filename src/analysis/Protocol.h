#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Serial protocols by definition: where a frame starts and ends, and which checksum it
// carries. Modbus ASCII, text lines and the sections of VXProto.ini are protocols of this
// kind; the idle split and Modbus RTU are framed by FrameAnalyser itself.
namespace proto {

enum class Check : uint8_t {
    None,
    Sum8,
    Xor8,
    Lrc8,
    Crc8,
    Crc16Modbus,
    Crc16CcittFalse,
    Crc16Xmodem,
    Crc16Kermit,
    Crc32
};

// The names used in VXProto.ini and every output ("none", "sum8", ... "crc32").
[[nodiscard]] const char* checkName(Check check);
[[nodiscard]] std::optional<Check> checkNamed(std::string_view name);
// Bytes of the checksum (0 for none).
[[nodiscard]] size_t checkSize(Check check);
// The checksum of n bytes.
[[nodiscard]] uint32_t checksum(Check check, const uint8_t* p, size_t n);
// The byte order a checksum is usually sent in: little-endian for the reflected CRCs
// (crc16-modbus, crc16-kermit, crc32), big-endian for the others.
[[nodiscard]] bool usuallyBigEndian(Check check);

// The check of one frame, and what broke its definition.
enum class CheckState : uint8_t { None, Ok, Bad };
enum class Problem : uint8_t { None, TooLong, Truncated, Timeout, Noise };
[[nodiscard]] const char* checkStateName(CheckState s);  // "none", "ok", "bad"
[[nodiscard]] const char* problemName(Problem p);        // "", "too-long", ... "noise"

// Names in VXProto.ini (sections, keys, checks, orders) compare with no regard to letter case.
[[nodiscard]] bool sameName(std::string_view a, std::string_view b);
// s without the blanks (space, tab, CR) at either end, as VXProto.ini's lines are read.
[[nodiscard]] std::string_view trim(std::string_view s);
// The parts of a value between its commas, each trimmed (the four of Length).
[[nodiscard]] std::vector<std::string_view> commaParts(std::string_view value);

// The keys of a definition in VXProto.ini, in the order a new section lists them.
enum class Key : uint8_t {
    Start,
    End,
    Length,
    Fixed,
    Max,
    Check,
    CheckAfterEnd,
    CheckAscii,
    CheckFrom,
    CheckOrder,
    Timeout
};
inline constexpr size_t kKeyCount = 11;
[[nodiscard]] const char* keyName(Key key);  // "Start" ... "Timeout"
// The key of that name, letter case aside.
[[nodiscard]] std::optional<Key> keyNamed(std::string_view name);

struct LengthField {
    uint32_t offset = 0;
    uint8_t size = 1;  // 1, 2 or 4
    bool bigEndian = true;
    int64_t adjust = 0;  // the whole frame is the field's value + adjust bytes
};

struct Protocol {
    // A frame that has not ended by then ends and is too long: no definition makes memory
    // grow without bound.
    static constexpr uint32_t kLargestMax = 1 << 20;
    static constexpr uint32_t kDefaultMax = 65536;

    // The framing of the built-in protocols that a definition cannot say.
    enum class Special : uint8_t {
        None,
        Lines,        // a frame ends at CR, LF or CR LF
        ModbusAscii,  // the LRC covers the binary bytes the hex digits between ':' and it spell
    };

    std::string name;
    std::vector<uint8_t> start;  // empty: a frame begins with any byte
    std::vector<uint8_t> end;
    std::optional<LengthField> length;
    uint32_t fixed = 0;  // 0: not fixed
    uint32_t max = kDefaultMax;
    Check check = Check::None;
    bool checkAfterEnd = false;
    bool checkAscii = false;
    int32_t checkFrom = 0;  // negative: from the frame's end
    bool checkBigEndian = true;
    int64_t timeoutMicros = 0;  // 0: a gap inside a frame does not end it
    Special special = Special::None;

    // The bytes of the checksum in the frame (hex digits count two per byte).
    [[nodiscard]] size_t checkBytes() const { return checkSize(check) * (checkAscii ? 2 : 1); }
};

// The built-in protocols of this kind: "modbus-ascii" and "lines".
[[nodiscard]] std::optional<Protocol> builtinProtocol(std::string_view name);
// Every built-in protocol name, the idle split and Modbus RTU included, in the order shown.
[[nodiscard]] const std::vector<std::string>& builtinNames();

// The definitions of a VXProto.ini text, one per section, in their order. A definition that is
// malformed is refused: error says "line N: reason" and protocols is empty.
struct ProtocolFile {
    std::vector<Protocol> protocols;
    std::string error;
    // The key the error concerns, as the keys are named above ("Start" ... "Timeout"): the key
    // of the line, or for a section that cannot be used as a whole the key to change (End for
    // a frame with no way to end ...). Empty when it concerns no key (a section header, a
    // line that is no KEY=VALUE, an unknown key).
    std::string errorKey;
};
[[nodiscard]] ProtocolFile parseProtocols(std::string_view text);

// The text of the file at path (at most 1 MB); nothing, with the reason in error, when it
// cannot be read or is larger. A file that is not there is empty when missingIsEmpty.
[[nodiscard]] std::optional<std::string> readProtocolText(const std::string& path,
                                                          bool missingIsEmpty, std::string& error);
// Reads and parses the file at path (error: why it could not be read, or the parse error).
// A missing file has no protocols and no error when missingIsEmpty.
[[nodiscard]] ProtocolFile loadProtocols(const std::string& path, bool missingIsEmpty);

// The definition named name (letter case aside) among file's.
[[nodiscard]] const Protocol* findProtocol(const ProtocolFile& file, std::string_view name);

// The check of a complete frame of p.
[[nodiscard]] CheckState checkFrame(const Protocol& p, const uint8_t* bytes, size_t n);

}  // namespace proto

namespace proto {

// Splits the bytes of one direction into frames of a protocol. Bytes are held only until their
// frame ends (at most the protocol's Max). The bytes that cannot end or start anything (the
// payload of a frame whose length is known, the bytes before the next Start or End byte) are
// taken in one step; the others one at a time.
class Framer {
  public:
    struct Item {
        uint64_t first;  // the index of its first byte among all bytes pushed
        const uint8_t* bytes;
        size_t length;
        int32_t errors;  // bytes pushed with an error
        Problem problem;
        CheckState check;
    };
    template <typename Sink>
    Framer(const Protocol& p, Sink sink)
        : p_(p),
          emit_(std::move(sink)),
          want_(p.start.empty() ? p.fixed : 0),
          hunting_(!p.start.empty()) {}

    // The byte of index (among all bytes pushed) comes with a parity or framing error: told
    // before that byte is pushed, in the order of the indexes.
    void error(uint64_t index) { errors_.push_back(index); }

    void push(const uint8_t* bytes, size_t n) {
        for (size_t i = 0; i < n;) {
            const size_t quiet = quietBytes(bytes + i, n - i);
            values_.insert(values_.end(), bytes + i, bytes + i + quiet);
            i += quiet;
            if (i < n) {
                push(bytes[i++]);
            }
        }
    }
    // An idle gap of at least the protocol's Timeout: the open frame ends there.
    void gap() {
        if (crPending_) {
            crPending_ = false;
            complete();
        } else if (!values_.empty()) {
            emitFront(values_.size(), hunting_ ? Problem::Noise : Problem::Timeout,
                      CheckState::None);
            reset();
        }
    }
    // The end of the bytes: the open frame is cut short.
    void finish() {
        if (crPending_) {
            crPending_ = false;
            complete();
        } else if (!values_.empty()) {
            emitFront(values_.size(), hunting_ ? Problem::Noise : Problem::Truncated,
                      CheckState::None);
            reset();
        }
    }
    // The index of the first byte held.
    [[nodiscard]] uint64_t first() const { return first_; }

  private:
    // How many of the m bytes at b would, pushed one at a time, end, start or mark nothing:
    // they only join the bytes held.
    [[nodiscard]] size_t quietBytes(const uint8_t* b, size_t m) const {
        const size_t n = values_.size();
        if (crPending_ || n + 1 >= p_.max) {
            return 0;
        }
        m = std::min(m, p_.max - 1 - n);  // the byte that reaches Max is not quiet
        if (hunting_) {
            return before(b, m, p_.start.back());
        }
        if (p_.special == Protocol::Special::Lines) {
            return before(b, before(b, m, '\n'), '\r');
        }
        if (p_.length && want_ == 0) {
            const size_t fieldEnd = p_.length->offset + p_.length->size;
            return n < fieldEnd ? std::min(m, fieldEnd - 1 - n) : m;
        }
        if (want_ != 0) {
            return n + 1 < want_ ? std::min(m, want_ - 1 - n) : 0;
        }
        return p_.end.empty() ? m : before(b, m, p_.end.back());
    }
    // The bytes at b before the first c among the m.
    static size_t before(const uint8_t* b, size_t m, uint8_t c) {
        const void* at = std::memchr(b, c, m);
        return at == nullptr ? m : static_cast<size_t>(static_cast<const uint8_t*>(at) - b);
    }

    void push(uint8_t b) {
        if (crPending_) {
            crPending_ = false;
            if (b == '\n') {
                values_.push_back(b);
                complete();
                return;
            }
            complete();
        }
        values_.push_back(b);
        const size_t n = values_.size();
        if (hunting_) {
            if (n >= p_.start.size() && endsWith(p_.start)) {
                if (n > p_.start.size()) {
                    emitFront(n - p_.start.size(), Problem::Noise, CheckState::None);
                }
                hunting_ = false;
                want_ = p_.fixed;
            } else if (n >= p_.max) {
                emitFront(n, Problem::Noise, CheckState::None);
            }
            return;
        }
        step(b, n);
    }

    [[nodiscard]] bool endsWith(const std::vector<uint8_t>& tail) const {
        return std::equal(tail.begin(), tail.end(),
                          values_.end() - static_cast<ptrdiff_t>(tail.size()));
    }
    void step(uint8_t b, size_t n) {
        if (p_.special == Protocol::Special::Lines) {
            if (b == '\n') {
                complete();
            } else if (b == '\r') {
                crPending_ = true;
            } else if (n >= p_.max) {
                tooLong();
            }
            return;
        }
        if (p_.length && want_ == 0 && n == p_.length->offset + p_.length->size) {
            want_ = lengthWant(n);
        }
        if (want_ != 0) {
            if (n >= want_) {
                complete();
            } else if (n >= p_.max) {
                tooLong();
            }
            return;
        }
        if (!p_.length && !p_.end.empty() && n >= p_.start.size() + p_.end.size() &&
            endsWith(p_.end)) {
            if (p_.checkAfterEnd) {
                want_ = n + p_.checkBytes();
            } else {
                complete();
                return;
            }
        }
        if (n >= p_.max) {
            tooLong();
        }
    }
    // The frame length the field that ends at n gives: at least n, so that a field that
    // lies low ends the frame right after it.
    [[nodiscard]] size_t lengthWant(size_t n) const {
        const LengthField& f = *p_.length;
        uint64_t v = 0;
        for (size_t i = 0; i < f.size; ++i) {
            const size_t k = f.bigEndian ? i : f.size - 1 - i;
            v = (v << 8) | values_[f.offset + k];
        }
        const int64_t whole = static_cast<int64_t>(v) + f.adjust;
        return whole < static_cast<int64_t>(n) ? n : static_cast<size_t>(whole);
    }
    void complete() {
        emitFront(values_.size(), Problem::None, checkFrame(p_, values_.data(), values_.size()));
        reset();
    }
    void tooLong() {
        emitFront(values_.size(), Problem::TooLong, CheckState::None);
        reset();
    }
    void reset() {
        hunting_ = !p_.start.empty();
        want_ = hunting_ ? 0 : p_.fixed;
    }
    void emitFront(size_t k, Problem problem, CheckState check) {
        // The bytes with an error among the k: the first ones held.
        const auto errors = static_cast<ptrdiff_t>(
            std::lower_bound(errors_.begin(), errors_.end(), first_ + k) - errors_.begin());
        emit_(Item{first_, values_.data(), k, static_cast<int32_t>(errors), problem, check});
        if (k == values_.size()) {
            values_.clear();
        } else {
            values_.erase(values_.begin(), values_.begin() + static_cast<ptrdiff_t>(k));
        }
        errors_.erase(errors_.begin(), errors_.begin() + errors);
        first_ += k;
    }

    const Protocol& p_;
    std::function<void(const Item&)> emit_;
    std::vector<uint8_t> values_;
    std::vector<uint64_t> errors_;  // the indexes of the bytes with an error, from the first held
    uint64_t first_ = 0;
    size_t want_ = 0;  // the length of the open frame, when known
    bool hunting_;     // looking for Start: the bytes held are noise
    bool crPending_ = false;
};

}  // namespace proto
