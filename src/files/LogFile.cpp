#include "files/LogFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>

#include "base/Status.h"
#include "capture/DispWords.h"
#include "files/AtomicFile.h"
#include "files/ProgramFolder.h"

namespace {

void put16(uint8_t* p, int16_t v) {
    const auto u = static_cast<uint16_t>(v);
    p[0] = static_cast<uint8_t>(u);
    p[1] = static_cast<uint8_t>(u >> 8);
}

void put32(uint8_t* p, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(u >> (8 * i));
    }
}

int16_t get16(const uint8_t* p) {
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

int32_t get32(const uint8_t* p) {
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) {
        u |= static_cast<uint32_t>(p[i]) << (8 * i);
    }
    return static_cast<int32_t>(u);
}

int16_t clampTo(int16_t v, int16_t lo, int16_t hi) {
    return std::clamp(v, lo, hi);
}

int16_t nearestIdleScale(int16_t v) {
    int16_t best = 0;
    for (const int16_t scale : {1, 10, 100}) {
        if (std::abs(v - scale) < std::abs(v - best)) {
            best = scale;
        }
    }
    return best;
}

}  // namespace

LogHeader headerOf(const Settings& s) {
    return clampHeader({s.gintLineType, s.glngSpeed, s.gintDataLen, s.gintStopBit, s.gintParity,
                        s.gintDispMode, s.gintTimeStamp, s.gintIdleMode, s.gintLineState,
                        s.gintFontSize, s.gintScroll});
}

void encodeHeader(const LogHeader& h, uint8_t* out) {
    put16(out + 0, h.gintLineType);
    put32(out + 2, h.glngSpeed);
    put16(out + 6, h.gintDataLen);
    put16(out + 8, h.gintStopBit);
    put16(out + 10, h.gintParity);
    put16(out + 12, h.gintDispMode);
    put16(out + 14, h.gintTimeStamp);
    put16(out + 16, h.gintIdleMode);
    put16(out + 18, h.gintLineState);
    put16(out + 20, h.gintFontSize);
    put16(out + 22, h.gintScroll);
}

LogHeader decodeHeader(const uint8_t* in) {
    return {get16(in + 0),  get32(in + 2),  get16(in + 6),  get16(in + 8),
            get16(in + 10), get16(in + 12), get16(in + 14), get16(in + 16),
            get16(in + 18), get16(in + 20), get16(in + 22)};
}

std::vector<HeaderFault> headerFaults(const LogHeader& h) {
    const auto within = [](int16_t v, int16_t hi) { return v >= 0 && v <= hi; };
    const struct {
        HeaderFault fault;
        bool ok;
    } fields[] = {
        {{"line type", "回線種別", h.gintLineType}, within(h.gintLineType, 1)},
        {{"speed", "通信速度", h.glngSpeed},
         h.glngSpeed == 0 ||
             (h.glngSpeed >= kUnitSpeeds.front() && h.glngSpeed <= kUnitSpeeds.back())},
        {{"data bits", "データ長", h.gintDataLen}, within(h.gintDataLen, 1)},
        {{"stop bits", "ストップビット", h.gintStopBit}, within(h.gintStopBit, 2)},
        {{"parity", "パリティ", h.gintParity}, within(h.gintParity, 2)},
        {{"display mode", "表示モード", h.gintDispMode}, within(h.gintDispMode, 2)},
        {{"time stamp", "タイムスタンプ", h.gintTimeStamp}, within(h.gintTimeStamp, 1)},
        {{"idle scale", "アイドル単位", h.gintIdleMode}, isIdleScale(h.gintIdleMode)},
        {{"line state", "ラインステート", h.gintLineState}, within(h.gintLineState, 1)},
        {{"font size", "文字サイズ", h.gintFontSize}, within(h.gintFontSize, 2)},
        {{"scroll", "スクロール行数", h.gintScroll}, h.gintScroll >= 0},
    };
    std::vector<HeaderFault> faults;
    for (const auto& f : fields) {
        if (!f.ok) {
            faults.push_back(f.fault);
        }
    }
    return faults;
}

std::string faultText(const std::vector<HeaderFault>& faults, bool japanese) {
    std::string text;
    for (const HeaderFault& f : faults) {
        text += (text.empty() ? ""
                 : japanese   ? "、"
                              : ", ") +
                std::string(japanese ? f.nameJa : f.name) + " " + std::to_string(f.value);
    }
    return text;
}

LogHeader clampHeader(LogHeader h) {
    h.gintLineType = clampTo(h.gintLineType, 0, 1);
    h.gintStopBit = clampTo(h.gintStopBit, 0, 2);
    h.gintParity = clampTo(h.gintParity, 0, 2);
    h.gintDispMode = clampTo(h.gintDispMode, 0, 2);
    h.gintTimeStamp = clampTo(h.gintTimeStamp, 0, 1);
    h.gintIdleMode = nearestIdleScale(h.gintIdleMode);
    h.gintLineState = clampTo(h.gintLineState, 0, 1);
    h.gintFontSize = clampTo(h.gintFontSize, 0, 2);
    h.gintScroll = std::max<int16_t>(h.gintScroll, 0);
    h.gintDataLen = h.gintDataLen != 0 ? 1 : 0;
    if (!isSettingSpeed(h.glngSpeed)) {
        h.glngSpeed = 9600;
    }
    return h;
}

void applyHeader(const LogHeader& header, Settings& s) {
    const LogHeader h = clampHeader(header);
    s.gintLineType = h.gintLineType;
    s.glngSpeed = h.glngSpeed;
    s.gintDataLen = h.gintDataLen;
    s.gintStopBit = h.gintStopBit;
    s.gintParity = h.gintParity;
    s.gintDispMode = h.gintDispMode;
    s.gintTimeStamp = h.gintTimeStamp;
    s.gintIdleMode = h.gintIdleMode;
    s.gintLineState = h.gintLineState;
    s.gintFontSize = h.gintFontSize;
    s.gintScroll = h.gintScroll;
}

LogReader::LogReader(size_t piece) : buf_(std::max<size_t>(piece, 8)) {}

LogReader::~LogReader() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool LogReader::open(const std::string& name, std::string& error) {
    namespace fs = std::filesystem;
    const fs::path path = nativePath(name);
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (st.type() == fs::file_type::not_found) {
        error = "no such file";
        return false;
    }
    if (st.type() == fs::file_type::directory) {
        error = "is a folder";
        return false;
    }
    if (ec) {
        error = "cannot be read: " + ec.message();  // a loop of links, a folder not searchable
        return false;
    }
    if (st.type() != fs::file_type::regular) {
        error = "not a regular file";
        return false;
    }
    const uintmax_t size = fs::file_size(path, ec);
    if (ec) {
        error = "cannot be read: " + ec.message();
        return false;
    }
    if (size < static_cast<uintmax_t>(kLogHeaderLen)) {
        error = "shorter than 24 bytes";
        return false;
    }
#ifdef _WIN32
    file_ = _wfopen(path.c_str(), L"rb");
#else
    file_ = std::fopen(path.c_str(), "rbe");
#endif
    if (file_ == nullptr) {
        error = std::string("cannot be opened: ") + std::strerror(errno);
        return false;
    }
    uint8_t head[kLogHeaderLen];
    if (std::fread(head, 1, sizeof head, file_) != sizeof head) {
        error = "cannot be read";
        return false;
    }
    header_ = decodeHeader(head);
    if (const auto faults = headerFaults(header_); !faults.empty()) {
        error = std::string(kNotALog) + " (" + faultText(faults) + ")";
        return false;
    }
    length_ = size - kLogHeaderLen;
    return true;
}

bool LogReader::read(const Taker& take, std::string& error, Progress& progress) {
    if (file_ == nullptr || std::fseek(file_, kLogHeaderLen, SEEK_SET) != 0) {
        error = "cannot be read";
        return false;
    }
    uint64_t left = length_;
    size_t held = 0;  // bytes at the front of buf_ left by the previous piece
    while (left > 0) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(buf_.size() - held, left));
        errno = 0;
        const size_t got = std::fread(buf_.data() + held, 1, want, file_);
        if (got != want) {
            error = std::ferror(file_) != 0 ? std::string("cannot be read: ") + std::strerror(errno)
                                            : std::string("became shorter while being read");
            return false;
        }
        left -= got;
        const size_t len = held + got;
        const size_t taken = take(buf_.data(), len);
        if (taken == kStop) {
            return true;
        }
        if (!progress.step(length_ - left, length_)) {
            error = kCancelled;
            return false;
        }
        held = len - std::min(taken, len);
        std::memmove(buf_.data(), buf_.data() + (len - held), held);
    }
    // The file must end where its length said: one that grew meanwhile is refused.
    if (std::fgetc(file_) != EOF || std::ferror(file_) != 0) {
        error = "grew while being read";
        return false;
    }
    return true;
}

std::optional<LogFile> readLogFile(const std::string& name, std::string& error) {
    LogReader reader;
    if (!reader.open(name, error)) {
        return std::nullopt;
    }
    if (reader.DataLength() > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
        error = "too large";
        return std::nullopt;
    }
    LogFile file;
    file.header = reader.header();
    try {
        file.data.reserve(static_cast<size_t>(reader.DataLength()));
    } catch (const std::bad_alloc&) {
        error = "too large for the memory";
        return std::nullopt;
    }
    const bool ok = reader.read(
        [&file](const uint8_t* bytes, size_t len) {
            file.data.insert(file.data.end(), bytes, bytes + len);
            return len;
        },
        error);
    if (!ok) {
        return std::nullopt;
    }
    return file;
}

bool logWordsToFile(LogReader& reader, const std::vector<std::filesystem::path>& folders,
                    WordFile& words, std::string& error, Progress& progress) {
    std::vector<int16_t> piece(reader.piece() / 2 + 2);
    error = "no folder for the display words";
    // A folder whose disk fills up on the way gives way to the next.
    for (const std::filesystem::path& folder : folders) {
        if (!words.create(folder)) {
            continue;
        }
        bool written = true;
        bool tooMany = false;
        const bool read = reader.read(
            [&](const uint8_t* bytes, size_t len) {
                int32_t n = 0;
                const int32_t taken =
                    makeDispWords(bytes, static_cast<int32_t>(len), piece.data(), n);
                tooMany = words.size() + static_cast<size_t>(n) >
                          static_cast<size_t>(std::numeric_limits<int32_t>::max());
                written = !tooMany && words.append(piece.data(), static_cast<size_t>(n));
                return written ? static_cast<size_t>(taken) : LogReader::kStop;
            },
            error, progress);
        if (!read) {
            words = WordFile();
            return false;
        }
        if (tooMany) {
            error = "too large";
            return false;
        }
        if (written && words.finish()) {
            return true;
        }
        error = "the display words cannot be written";
    }
    words = WordFile();
    return false;
}

int16_t SaveLog(const std::string& name, const uint8_t* bytes, int32_t count, const Settings& s) {
    const size_t n = count > 0 ? static_cast<size_t>(count) : 0;
    std::string out(kLogHeaderLen + n, '\0');
    auto* p = reinterpret_cast<uint8_t*>(out.data());
    encodeHeader(headerOf(s), p);
    if (n > 0) {
        std::memcpy(p + kLogHeaderLen, bytes, n);
    }
    return writeFileAtomic(name, out) ? status::kDone : status::kFailed;
}

int16_t LoadLog(const std::string& name, std::vector<uint8_t>& bytes, int32_t& count, Settings& s) {
    std::string error;
    std::optional<LogFile> file = readLogFile(name, error);
    if (!file) {
        return status::kFailed;
    }
    applyHeader(file->header, s);
    count = static_cast<int32_t>(file->data.size());
    bytes = std::move(file->data);
    return status::kDone;
}

void KillFile(const std::string& name) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path path = nativePath(name);
    const fs::file_type type = fs::symlink_status(path, ec).type();
    if (!ec && type != fs::file_type::not_found && type != fs::file_type::directory) {
        fs::remove(path, ec);
    }
}
