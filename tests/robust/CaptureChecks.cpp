#include "CaptureChecks.h"

#include "capture/RecordWalk.h"
#include "files/PcapExport.h"

namespace {

uint32_t Le32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = v << 8 | static_cast<uint8_t>(s[at + static_cast<size_t>(i)]);
    }
    return v;
}

uint32_t Be32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        v = v << 8 | static_cast<uint8_t>(s[at + static_cast<size_t>(i)]);
    }
    return v;
}

size_t CharCount(std::string_view s) {
    size_t n = 0;
    for (const char c : s) {
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return n;
}

// The lines of a text that TextFault accepted.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (size_t end = text.find("\r\n"); end != std::string_view::npos; end = text.find("\r\n")) {
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + 2);
    }
    return lines;
}

}  // namespace

std::vector<int16_t> WordsOfRecords(const uint8_t* bytes, int32_t len) {
    std::vector<int16_t> words;
    rec::forEachRecord(bytes, len, [&words](const rec::Record& r) {
        switch (r.kind) {
            case rec::Kind::Data: {
                int w = rec::pairValue(r.b[0], r.b[1]) | (rec::isSd(r.b[0]) ? word::kSd : 0);
                if (rec::hasFramingError(r.b[1])) {
                    w |= word::kFraming;
                } else if (rec::hasParityError(r.b[0])) {
                    w |= word::kParity;
                }
                words.push_back(static_cast<int16_t>(w));
                break;
            }
            case rec::Kind::Stamp:
            case rec::Kind::Idle:
                words.push_back(static_cast<int16_t>(
                    (r.kind == rec::Kind::Stamp ? word::kStamp : word::kIdle) + r.b[1]));
                words.push_back(static_cast<int16_t>(r.b[2] * 100 + r.b[3]));
                break;
            case rec::Kind::LineState:
                break;
        }
    });
    return words;
}

std::string TextFault(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        const size_t n = b < 0x80           ? 1
                         : (b >> 5) == 0x6  ? 2
                         : (b >> 4) == 0xE  ? 3
                         : (b >> 3) == 0x1E ? 4
                                            : 0;
        if (n == 0 || i + n > text.size()) {
            return "no UTF-8 character at byte " + std::to_string(i);
        }
        for (size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return "UTF-8 character cut at byte " + std::to_string(i);
            }
        }
        i += n;
    }
    if (!text.empty() && !text.ends_with("\r\n")) {
        return "the last line has no CR LF";
    }
    for (size_t cr = text.find('\r'); cr != std::string_view::npos; cr = text.find('\r', cr + 1)) {
        if (cr + 1 >= text.size() || text[cr + 1] != '\n') {
            return "CR without LF at byte " + std::to_string(cr);
        }
    }
    for (size_t lf = text.find('\n'); lf != std::string_view::npos; lf = text.find('\n', lf + 1)) {
        if (lf == 0 || text[lf - 1] != '\r') {
            return "LF without CR at byte " + std::to_string(lf);
        }
    }
    return {};
}

std::string FixedLayoutFault(std::string_view text) {
    if (std::string fault = TextFault(text); !fault.empty()) {
        return fault;
    }
    const std::vector<std::string_view> lines = Lines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        const bool good = i % 3 == 0   ? lines[i].starts_with("RD:")
                          : i % 3 == 1 ? lines[i].starts_with("SD:")
                                       : lines[i].empty();
        if (!good) {
            return "line " + std::to_string(i + 1) + " out of the layout";
        }
    }
    // A last line that filled up is followed by its empty line as every other.
    if (lines.size() % 3 == 1) {
        return "the text ends with a lone RD line";
    }
    return {};
}

std::string SwitchLayoutFault(std::string_view text, int32_t limit) {
    if (std::string fault = TextFault(text); !fault.empty()) {
        return fault;
    }
    const std::vector<std::string_view> lines = Lines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (limit > 0 && CharCount(lines[i]) > static_cast<size_t>(limit)) {
            return "line " + std::to_string(i + 1) + " longer than the limit";
        }
    }
    return {};
}

PcapSummary ReadPcap(const std::string& pcap) {
    PcapSummary out;
    if (pcap.size() < 24 || Le32(pcap, 0) != 0xA1B2C3D4U ||
        Le32(pcap, 16) != static_cast<uint32_t>(kPcapSnapLength) ||
        Le32(pcap, 20) != kPcapLinkType) {
        out.fault = "no pcap header of link type 250";
        return out;
    }
    size_t at = 24;
    while (at < pcap.size()) {
        const std::string where = "packet at byte " + std::to_string(at) + ": ";
        if (at + 16 + kPcapEventHeader > pcap.size()) {
            out.fault = where + "cut off";
            return out;
        }
        const uint32_t sec = Le32(pcap, at);
        const uint32_t usec = Le32(pcap, at + 4);
        const uint32_t captured = Le32(pcap, at + 8);
        if (usec >= 1'000'000 || captured != Le32(pcap, at + 12) ||
            captured < static_cast<uint32_t>(kPcapEventHeader) ||
            captured > static_cast<uint32_t>(kPcapSnapLength) || at + 16 + captured > pcap.size()) {
            out.fault = where + "bad record header";
            return out;
        }
        const size_t event = at + 16;
        if (Be32(pcap, event) != sec || Be32(pcap, event + 4) != usec ||
            (static_cast<uint8_t>(pcap[event + 9]) & 0xC0) != 0) {
            out.fault = where + "event header disagrees";
            return out;
        }
        const size_t payload = captured - kPcapEventHeader;
        const auto type = static_cast<uint8_t>(pcap[event + 8]);
        const bool good = type == 0x00                   ? payload == 0
                          : type == 0x07 || type == 0x08 ? payload == 1
                          : type == 0x01 || type == 0x02 ? payload >= 1
                                                         : false;
        if (!good) {
            out.fault = where + "event " + std::to_string(type) + " with " +
                        std::to_string(payload) + " bytes";
            return out;
        }
        ++out.packets;
        out.dataBytes += type == 0x00 ? 0 : payload;
        out.statusPackets += type == 0x00 ? 1 : 0;
        at += 16 + captured;
    }
    return out;
}

RecordCounts countRecords(const uint8_t* bytes, int32_t len) {
    RecordCounts counts;
    rec::forEachRecord(bytes, len, [&counts](const rec::Record& r) {
        counts.pairs += r.kind == rec::Kind::Data ? 1 : 0;
        counts.lineStates += r.kind == rec::Kind::LineState ? 1 : 0;
    });
    return counts;
}
