#include "analysis/Protocol.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "analysis/Modbus.h"
#include "base/HexDigits.h"

namespace proto {

namespace {

// A CRC by its parameters, table-driven.
struct CrcSpec {
    int width;
    uint32_t poly;
    uint32_t init;
    bool reflected;  // input and output reflected alike
    uint32_t xorOut;
};

uint32_t reflect(uint32_t v, int bits) {
    uint32_t r = 0;
    for (int i = 0; i < bits; ++i, v >>= 1) {
        r = (r << 1) | (v & 1);
    }
    return r;
}

class Crc {
  public:
    explicit Crc(const CrcSpec& s) : s_(s) {
        const uint32_t top = 1U << (s.width - 1);
        const uint32_t mask = s.width == 32 ? 0xFFFFFFFFU : (1U << s.width) - 1;
        const uint32_t rpoly = reflect(s.poly, s.width);
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = 0;
            if (s.reflected) {
                c = i;
                for (int b = 0; b < 8; ++b) {
                    c = (c & 1) != 0 ? (c >> 1) ^ rpoly : c >> 1;
                }
            } else {
                c = s.width >= 8 ? i << (s.width - 8) : i;
                for (int b = 0; b < 8; ++b) {
                    c = (c & top) != 0 ? (c << 1) ^ s.poly : c << 1;
                }
            }
            table_[i] = c & mask;
        }
        mask_ = mask;
    }
    [[nodiscard]] uint32_t of(const uint8_t* p, size_t n) const {
        uint32_t c = s_.reflected ? reflect(s_.init, s_.width) : s_.init;
        for (size_t i = 0; i < n; ++i) {
            if (s_.reflected) {
                c = (c >> 8) ^ table_[(c ^ p[i]) & 0xFF];
            } else {
                c = ((c << 8) ^ table_[((c >> (s_.width - 8)) ^ p[i]) & 0xFF]) & mask_;
            }
        }
        return (c ^ s_.xorOut) & mask_;
    }

  private:
    CrcSpec s_;
    uint32_t mask_ = 0;
    std::array<uint32_t, 256> table_{};
};

struct CheckInfo {
    Check check;
    const char* name;
    size_t size;
};

constexpr std::array<CheckInfo, 10> kChecks{{{Check::None, "none", 0},
                                             {Check::Sum8, "sum8", 1},
                                             {Check::Xor8, "xor8", 1},
                                             {Check::Lrc8, "lrc8", 1},
                                             {Check::Crc8, "crc8", 1},
                                             {Check::Crc16Modbus, "crc16-modbus", 2},
                                             {Check::Crc16CcittFalse, "crc16-ccitt-false", 2},
                                             {Check::Crc16Xmodem, "crc16-xmodem", 2},
                                             {Check::Crc16Kermit, "crc16-kermit", 2},
                                             {Check::Crc32, "crc32", 4}}};

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The byte two hex digits at p spell, or -1.
int hexByte(const uint8_t* p) {
    return hexPair(p[0], p[1]);
}

}  // namespace

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::vector<std::string_view> commaParts(std::string_view value) {
    std::vector<std::string_view> parts;
    size_t from = 0;
    for (size_t comma = value.find(','); comma != std::string_view::npos;
         comma = value.find(',', from)) {
        parts.push_back(trim(value.substr(from, comma - from)));
        from = comma + 1;
    }
    parts.push_back(trim(value.substr(from)));
    return parts;
}

const char* checkName(Check check) {
    return kChecks[static_cast<size_t>(check)].name;
}

std::optional<Check> checkNamed(std::string_view name) {
    for (const CheckInfo& c : kChecks) {
        if (sameName(name, c.name)) {
            return c.check;
        }
    }
    return std::nullopt;
}

size_t checkSize(Check check) {
    return kChecks[static_cast<size_t>(check)].size;
}

bool usuallyBigEndian(Check check) {
    return check != Check::Crc16Modbus && check != Check::Crc16Kermit && check != Check::Crc32;
}

uint32_t checksum(Check check, const uint8_t* p, size_t n) {
    static const Crc crc8({8, 0x07, 0, false, 0});
    static const Crc ccittFalse({16, 0x1021, 0xFFFF, false, 0});
    static const Crc xmodem({16, 0x1021, 0, false, 0});
    static const Crc kermit({16, 0x1021, 0, true, 0});
    static const Crc crc32({32, 0x04C11DB7, 0xFFFFFFFF, true, 0xFFFFFFFF});
    uint32_t v = 0;
    switch (check) {
        case Check::None:
            return 0;
        case Check::Sum8:
        case Check::Lrc8:
            for (size_t i = 0; i < n; ++i) {
                v += p[i];
            }
            return (check == Check::Lrc8 ? 0 - v : v) & 0xFF;
        case Check::Xor8:
            for (size_t i = 0; i < n; ++i) {
                v ^= p[i];
            }
            return v;
        case Check::Crc8:
            return crc8.of(p, n);
        case Check::Crc16Modbus:
            return modbus::crc16(p, n);
        case Check::Crc16CcittFalse:
            return ccittFalse.of(p, n);
        case Check::Crc16Xmodem:
            return xmodem.of(p, n);
        case Check::Crc16Kermit:
            return kermit.of(p, n);
        case Check::Crc32:
            return crc32.of(p, n);
    }
    return 0;
}

const char* keyName(Key key) {
    static constexpr std::array<const char*, kKeyCount> kNames{
        "Start",         "End",        "Length",    "Fixed",      "Max",    "Check",
        "CheckAfterEnd", "CheckAscii", "CheckFrom", "CheckOrder", "Timeout"};
    return kNames[static_cast<size_t>(key)];
}

std::optional<Key> keyNamed(std::string_view name) {
    for (size_t i = 0; i < kKeyCount; ++i) {
        if (sameName(name, keyName(static_cast<Key>(i)))) {
            return static_cast<Key>(i);
        }
    }
    return std::nullopt;
}

const char* checkStateName(CheckState s) {
    switch (s) {
        case CheckState::None:
            return "none";
        case CheckState::Ok:
            return "ok";
        case CheckState::Bad:
            return "bad";
    }
    return "";
}

const char* problemName(Problem p) {
    switch (p) {
        case Problem::None:
            return "";
        case Problem::TooLong:
            return "too-long";
        case Problem::Truncated:
            return "truncated";
        case Problem::Timeout:
            return "timeout";
        case Problem::Noise:
            return "noise";
    }
    return "";
}

std::optional<Protocol> builtinProtocol(std::string_view name) {
    Protocol p;
    if (sameName(name, "modbus-ascii")) {
        p.name = "modbus-ascii";
        p.start = {':'};
        p.end = {'\r', '\n'};
        p.check = Check::Lrc8;
        p.checkAscii = true;
        p.max = 513;  // ':', 252 bytes as hex digits, LRC, CR LF
        p.special = Protocol::Special::ModbusAscii;
        return p;
    }
    if (sameName(name, "lines")) {
        p.name = "lines";
        p.special = Protocol::Special::Lines;
        return p;
    }
    return std::nullopt;
}

const std::vector<std::string>& builtinNames() {
    static const std::vector<std::string> names{"idle", "modbus-rtu", "modbus-ascii", "lines"};
    return names;
}

namespace {

template <typename T>
std::optional<T> number(std::string_view s, T least, T most) {
    T v{};
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
    }
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || v < least || v > most) {
        return std::nullopt;
    }
    return v;
}

// Hex bytes, pairs of digits with blanks allowed between pairs.
std::optional<std::vector<uint8_t>> hexBytes(std::string_view s) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < s.size();) {
        if (s[i] == ' ' || s[i] == '\t') {
            ++i;
            continue;
        }
        if (i + 1 >= s.size()) {
            return std::nullopt;
        }
        const int b = hexByte(reinterpret_cast<const uint8_t*>(s.data() + i));
        if (b < 0) {
            return std::nullopt;
        }
        out.push_back(static_cast<uint8_t>(b));
        i += 2;
    }
    if (out.empty() || out.size() > 16) {
        return std::nullopt;
    }
    return out;
}

std::optional<bool> order(std::string_view s) {
    if (sameName(s, "BE")) {
        return true;
    }
    if (sameName(s, "LE")) {
        return false;
    }
    return std::nullopt;
}

std::optional<bool> flag(std::string_view s) {
    if (s == "1") {
        return true;
    }
    if (s == "0") {
        return false;
    }
    return std::nullopt;
}

// The keys a section has given, for the checks made at its end.
struct Given {
    bool max = false;
    bool checkOrder = false;
    std::vector<std::string> keys;
};

// Sets key of p from value; the reason when it cannot.
std::optional<std::string> setKey(Protocol& p, Given& given, std::string_view key,
                                  std::string_view value) {
    const auto bad = [&](const char* expected) {
        return std::string(key) + "=" + std::string(value) + ": expected " + expected;
    };
    if (sameName(key, "Start") || sameName(key, "End")) {
        const auto bytes = hexBytes(value);
        if (!bytes) {
            return bad("1 to 16 bytes as pairs of hex digits");
        }
        (sameName(key, "Start") ? p.start : p.end) = *bytes;
    } else if (sameName(key, "Length")) {
        const std::vector<std::string_view> parts = commaParts(value);
        const auto offset = parts.size() == 4 ? number<uint32_t>(parts[0], 0, 65535) : std::nullopt;
        const auto size = parts.size() == 4 ? number<int>(parts[1], 1, 4) : std::nullopt;
        const auto bigEndian = parts.size() == 4 ? order(parts[2]) : std::nullopt;
        const auto adjust =
            parts.size() == 4 ? number<int64_t>(parts[3], -65535, 65535) : std::nullopt;
        if (!offset || !size || *size == 3 || !bigEndian || !adjust) {
            return bad("OFFSET,SIZE,ORDER,ADJUST with SIZE 1, 2 or 4 and ORDER BE or LE");
        }
        p.length = LengthField{*offset, static_cast<uint8_t>(*size), *bigEndian, *adjust};
    } else if (sameName(key, "Fixed") || sameName(key, "Max")) {
        const auto n = number<uint32_t>(value, 1, Protocol::kLargestMax);
        if (!n) {
            return bad("a number of bytes from 1 to 1048576");
        }
        (sameName(key, "Fixed") ? p.fixed : p.max) = *n;
        given.max = given.max || sameName(key, "Max");
    } else if (sameName(key, "Check")) {
        const auto c = checkNamed(value);
        if (!c) {
            return bad(
                "none, sum8, xor8, lrc8, crc8, crc16-modbus, crc16-ccitt-false, crc16-xmodem, "
                "crc16-kermit or crc32");
        }
        p.check = *c;
    } else if (sameName(key, "CheckAfterEnd") || sameName(key, "CheckAscii")) {
        const auto f = flag(value);
        if (!f) {
            return bad("0 or 1");
        }
        (sameName(key, "CheckAfterEnd") ? p.checkAfterEnd : p.checkAscii) = *f;
    } else if (sameName(key, "CheckFrom")) {
        const auto n = number<int32_t>(value, -65535, 65535);
        if (!n) {
            return bad("a byte offset from -65535 to 65535");
        }
        p.checkFrom = *n;
    } else if (sameName(key, "CheckOrder")) {
        const auto o = order(value);
        if (!o) {
            return bad("BE or LE");
        }
        p.checkBigEndian = *o;
        given.checkOrder = true;
    } else if (sameName(key, "Timeout")) {
        const auto ms = number<int64_t>(value, 1, 86'400'000);
        if (!ms) {
            return bad("milliseconds from 1 to 86400000");
        }
        p.timeoutMicros = *ms * 1000;
    } else {
        return "unknown key " + std::string(key);
    }
    return std::nullopt;
}

// Why a complete section cannot be used, and the key to change.
struct Refusal {
    const char* key;
    std::string reason;
};

// The reason a complete section cannot be used, if any.
std::optional<Refusal> finishSection(Protocol& p, const Given& given) {
    if (!given.checkOrder) {
        p.checkBigEndian = usuallyBigEndian(p.check);
    }
    const auto has = [&given](const char* key) {
        return std::any_of(given.keys.begin(), given.keys.end(),
                           [key](const std::string& k) { return sameName(k, key); });
    };
    if (p.end.empty() && !p.length && p.fixed == 0) {
        return Refusal{"End", "a frame has no way to end: give End, Length or Fixed"};
    }
    if (p.length && p.fixed != 0) {
        return Refusal{"Fixed", "Length and Fixed together: a frame has one size"};
    }
    if (p.checkAfterEnd && p.end.empty()) {
        return Refusal{"CheckAfterEnd", "CheckAfterEnd=1 without End"};
    }
    if (p.check == Check::None) {
        for (const char* key : {"CheckAfterEnd", "CheckAscii", "CheckFrom", "CheckOrder"}) {
            if (has(key)) {
                return Refusal{"Check", std::string(key) + " without a Check"};
            }
        }
    }
    const size_t least = p.start.size() + p.checkBytes() + (p.checkAfterEnd ? p.end.size() : 0);
    if (p.fixed != 0 && p.fixed < least) {
        return Refusal{"Fixed", "Fixed=" + std::to_string(p.fixed) +
                                    " is shorter than Start and the checksum"};
    }
    if (p.length && p.length->offset + p.length->size > p.max) {
        return Refusal{"Max", "the length field lies beyond Max"};
    }
    if (given.max && p.fixed > p.max) {
        return Refusal{"Max", "Fixed is larger than Max"};
    }
    return std::nullopt;
}

}  // namespace

ProtocolFile parseProtocols(std::string_view text) {
    const auto known = [](std::string_view key) -> std::string_view {
        const auto k = keyNamed(key);
        return k ? keyName(*k) : "";
    };
    ProtocolFile file;
    std::optional<Protocol> open;
    Given given;
    int openLine = 0;
    const auto fail = [&file](int line, const std::string& reason, std::string_view key = {}) {
        file.protocols.clear();
        file.error = "line " + std::to_string(line) + ": " + reason;
        file.errorKey = std::string(key);
        return file;
    };
    int line = 0;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    size_t at = 0;
    while (at <= text.size()) {
        const size_t eol = std::min(text.find('\n', at), text.size());
        const std::string_view s = trim(text.substr(at, eol - at));
        at = eol + 1;
        ++line;
        if (s.empty() || s.front() == ';' || s.front() == '#') {
            continue;
        }
        if (s.front() == '[') {
            if (open) {
                if (const auto why = finishSection(*open, given)) {
                    return fail(openLine, "[" + open->name + "]: " + why->reason, why->key);
                }
                file.protocols.push_back(std::move(*open));
            }
            const std::string_view name = s.back() == ']' ? trim(s.substr(1, s.size() - 2)) : "";
            if (s.back() != ']' || name.empty()) {
                return fail(line, "a section header is [NAME]");
            }
            const auto& builtin = builtinNames();
            if (std::any_of(builtin.begin(), builtin.end(),
                            [name](const std::string& b) { return sameName(b, name); })) {
                return fail(line, "[" + std::string(name) + "] is a built-in protocol");
            }
            if (findProtocol(file, name) != nullptr) {
                return fail(line, "[" + std::string(name) + "] is defined twice");
            }
            open = Protocol{};
            open->name = std::string(name);
            given = Given{};
            openLine = line;
            continue;
        }
        const size_t eq = s.find('=');
        if (eq == std::string_view::npos) {
            return fail(line, "expected KEY=VALUE or [NAME]");
        }
        if (!open) {
            return fail(line, "a key before the first [NAME]");
        }
        const std::string_view key = trim(s.substr(0, eq));
        const std::string_view value = trim(s.substr(eq + 1));
        if (std::any_of(given.keys.begin(), given.keys.end(),
                        [key](const std::string& k) { return sameName(k, key); })) {
            return fail(line, std::string(key) + " is given twice", known(key));
        }
        if (const auto why = setKey(*open, given, key, value)) {
            return fail(line, *why, known(key));
        }
        given.keys.emplace_back(key);
    }
    if (open) {
        if (const auto why = finishSection(*open, given)) {
            return fail(openLine, "[" + open->name + "]: " + why->reason, why->key);
        }
        file.protocols.push_back(std::move(*open));
    }
    return file;
}

std::optional<std::string> readProtocolText(const std::string& path, bool missingIsEmpty,
                                            std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::error_code ec;
        if (missingIsEmpty && !std::filesystem::exists(path, ec) && !ec) {
            return std::string();
        }
        error = "cannot be read";
        return std::nullopt;
    }
    std::string text;
    constexpr size_t kMaxText = 1 << 20;
    text.resize(kMaxText + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) {
        error = "cannot be read";
        return std::nullopt;
    }
    text.resize(static_cast<size_t>(in.gcount()));
    if (text.size() > kMaxText) {
        error = "larger than 1 MB: no protocol definitions";
        return std::nullopt;
    }
    return text;
}

ProtocolFile loadProtocols(const std::string& path, bool missingIsEmpty) {
    ProtocolFile file;
    const std::optional<std::string> text = readProtocolText(path, missingIsEmpty, file.error);
    return text ? parseProtocols(*text) : file;
}

const Protocol* findProtocol(const ProtocolFile& file, std::string_view name) {
    for (const Protocol& p : file.protocols) {
        if (sameName(p.name, name)) {
            return &p;
        }
    }
    return nullptr;
}

CheckState checkFrame(const Protocol& p, const uint8_t* bytes, size_t n) {
    if (p.check == Check::None) {
        return CheckState::None;
    }
    const size_t endLen = !p.end.empty() && n >= p.end.size() &&
                                  std::equal(p.end.begin(), p.end.end(), bytes + n - p.end.size())
                              ? p.end.size()
                              : 0;
    const size_t size = checkSize(p.check);
    const size_t checkLen = p.checkBytes();
    // Where the checksum ends.
    const size_t checkEnd = p.checkAfterEnd ? n : n - endLen;
    if (checkEnd < checkLen) {
        return CheckState::Bad;
    }
    const size_t checkAt = checkEnd - checkLen;
    uint32_t expected = 0;
    for (size_t i = 0; i < size; ++i) {
        const size_t k = p.checkBigEndian ? i : size - 1 - i;
        int b = bytes[checkAt + k];
        if (p.checkAscii) {
            b = hexByte(bytes + checkAt + 2 * k);
        }
        if (b < 0) {
            return CheckState::Bad;
        }
        expected = (expected << 8) | static_cast<uint32_t>(b);
    }
    if (p.special == Protocol::Special::ModbusAscii) {
        // The hex digits between ':' and the LRC spell the bytes the LRC covers.
        const size_t from = p.start.size();
        if (checkAt < from || (checkAt - from) % 2 != 0) {
            return CheckState::Bad;
        }
        std::array<uint8_t, 256> binary{};
        const size_t count = std::min<size_t>((checkAt - from) / 2, binary.size());
        for (size_t i = 0; i < count; ++i) {
            const int b = hexByte(bytes + from + 2 * i);
            if (b < 0) {
                return CheckState::Bad;
            }
            binary[i] = static_cast<uint8_t>(b);
        }
        return checksum(p.check, binary.data(), count) == expected ? CheckState::Ok
                                                                   : CheckState::Bad;
    }
    const int64_t from = p.checkFrom >= 0 ? p.checkFrom : static_cast<int64_t>(n) + p.checkFrom;
    if (from < 0 || static_cast<size_t>(from) > checkAt) {
        return CheckState::Bad;
    }
    return checksum(p.check, bytes + from, checkAt - static_cast<size_t>(from)) == expected
               ? CheckState::Ok
               : CheckState::Bad;
}

}  // namespace proto
