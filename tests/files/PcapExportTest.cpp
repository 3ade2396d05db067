#include "files/PcapExport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int64_t kDay = 1'000'000'000;  // seconds of the capture's day start
constexpr int64_t kUs = 1'000'000;

struct Packet {
    int64_t micros;  // from the pcap record header
    int event;
    int lines;
    std::string payload;
    bool operator==(const Packet&) const = default;
};

uint32_t Le32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | static_cast<uint8_t>(s[at + static_cast<size_t>(i)]);
    }
    return v;
}
uint32_t Be32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) {
        v = (v << 8) | static_cast<uint8_t>(s[at + i]);
    }
    return v;
}

// Reads the packets back, checking that both headers of each agree.
std::vector<Packet> Packets(const std::string& pcap) {
    std::vector<Packet> out;
    size_t at = 24;
    while (at < pcap.size()) {
        const uint32_t sec = Le32(pcap, at);
        const uint32_t usec = Le32(pcap, at + 4);
        const uint32_t incl = Le32(pcap, at + 8);
        EXPECT_EQ(Le32(pcap, at + 12), incl);
        EXPECT_EQ(Be32(pcap, at + 16), sec);
        EXPECT_EQ(Be32(pcap, at + 20), usec);
        EXPECT_EQ(pcap.substr(at + 26, 2), std::string(2, '\0'));
        out.push_back({sec * kUs + usec, static_cast<uint8_t>(pcap[at + 24]),
                       static_cast<uint8_t>(pcap[at + 25]), pcap.substr(at + 28, incl - 12)});
        at += 16 + incl;
    }
    EXPECT_EQ(at, pcap.size());
    return out;
}

// Stored records.
std::vector<uint8_t> Sd(uint8_t v, bool parity = false, bool framing = false) {
    return {static_cast<uint8_t>(0xA0 | (parity ? 0x10 : 0) | (v >> 4)),
            static_cast<uint8_t>(0xC0 | (framing ? 0x10 : 0) | (v & 0x0F))};
}
std::vector<uint8_t> Rd(uint8_t v, bool parity = false, bool framing = false) {
    auto r = Sd(v, parity, framing);
    r[0] &= 0xDF;
    return r;
}
std::vector<uint8_t> Stamp(int h, int m, int s) {
    return {0x30, static_cast<uint8_t>(h), static_cast<uint8_t>(m), static_cast<uint8_t>(s)};
}
std::vector<uint8_t> Idle(int count) {
    return {0x20, static_cast<uint8_t>(count / 10000), static_cast<uint8_t>(count / 100 % 100),
            static_cast<uint8_t>(count % 100)};
}
std::vector<uint8_t> Lines(uint8_t state) {
    return {static_cast<uint8_t>(0x40 | state), 0x30};
}
std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

std::string Export(const std::vector<uint8_t>& bytes, PcapLine line = {}, int64_t endMicros = 0) {
    return PcapFromCapture(bytes.data(), static_cast<int32_t>(bytes.size()), line,
                           PcapTimes{kDay, endMicros});
}

const PcapLine k9600N81{9600, 1, 0, 0, 10};  // 1041.67 us a character, idle steps of 100 ms

TEST(PcapExport, GlobalHeaderIsClassicPcapOfLinkType250) {
    const std::string pcap = Export({});
    const std::string expected(
        "\xD4\xC3\xB2\xA1\x02\x00\x04\x00"
        "\x00\x00\x00\x00\x00\x00\x00\x00"
        "\xFF\xFF\x00\x00\xFA\x00\x00\x00",
        24);
    EXPECT_EQ(pcap, expected);
}

TEST(PcapExport, EveryEventTypeWithItsTimeAndControlLines) {
    const auto bytes =
        Cat({Lines(0x03), Stamp(9, 15, 0), Sd('A'), Sd('B'), Rd('C'), Rd('D', true),
             Sd('E', true, true), Sd('e', false, true), Idle(5), Rd('F'), Lines(0x3C)});
    const int64_t t = (kDay + 9 * 3600 + 15 * 60) * kUs;
    // Control lines: RS CS -> 0x08|0x01; ER DR CD CI -> 0x10|0x04|0x02|0x20.
    const std::vector<Packet> expected{
        {t, 0x00, 0x09, ""},
        {t, 0x01, 0x09, "AB"},
        {t + 2083, 0x02, 0x09, "C"},
        {t + 3125, 0x08, 0x09, "D"},  // parity error, a packet of its own
        {t + 4166, 0x07, 0x09, "E"},  // both errors: framing wins
        {t + 5208, 0x07, 0x09, "e"},
        {t + 6250 + 500'000, 0x02, 0x09, "F"},  // after 5 idle steps of 100 ms
        {t + 7291 + 500'000, 0x00, 0x36, ""},
    };
    EXPECT_EQ(Packets(Export(bytes, k9600N81)), expected);
}

TEST(PcapExport, DataBeforeTheFirstStampEndsExactlyAtIt) {
    const auto bytes = Cat({Rd('1'), Rd('2'), Idle(3), Stamp(23, 0, 0), Sd('x')});
    const int64_t t = (kDay + 23 * 3600) * kUs;
    const auto packets = Packets(Export(bytes, k9600N81));
    ASSERT_EQ(packets.size(), 2U);
    EXPECT_EQ(packets[0], (Packet{t - 300'000 - 2083, 0x02, 0x00, "12"}));
    EXPECT_EQ(packets[1], (Packet{t, 0x01, 0x00, "x"}));
}

TEST(PcapExport, WithoutStampsTheCaptureEndsAtTheGivenTime) {
    const int64_t end = 1'234'567'890'123'456;
    const auto packets = Packets(Export(Cat({Rd('a'), Rd('b'), Sd('c')}), k9600N81, end));
    ASSERT_EQ(packets.size(), 2U);
    EXPECT_EQ(packets[0].micros, end - 3125);
    EXPECT_EQ(packets[1], (Packet{end - 3125 + 2083, 0x01, 0x00, "c"}));
}

TEST(PcapExport, AStampKeepsAClockLaterWithinItsSecondAndSetsAnyOther) {
    const int64_t t = (kDay + 10 * 3600) * kUs;
    // 115200 baud: ~86.8 us a character. 20 characters (1.7 ms) then a stamp of the same
    // second keep the clock; a stamp 5 s later sets it; a stamp of an earlier second sets it
    // back; 00:00:01 after 23:59:59 is the next day.
    std::vector<uint8_t> bytes = Stamp(10, 0, 0);
    for (int i = 0; i < 20; ++i) {
        bytes = Cat({bytes, Rd('r')});
    }
    bytes = Cat({bytes, Stamp(10, 0, 0), Sd('s'), Stamp(10, 0, 5), Sd('t'), Stamp(9, 59, 58),
                 Sd('u'), Stamp(23, 59, 59), Sd('v'), Stamp(0, 0, 1), Sd('w')});
    const auto packets = Packets(Export(bytes, PcapLine{115200, 1, 0, 0, 0}));
    ASSERT_EQ(packets.size(), 6U);
    EXPECT_EQ(packets[1].micros, t + 1736);
    EXPECT_EQ(packets[2].micros, t + 5 * kUs);
    EXPECT_EQ(packets[3].micros, t - 2 * kUs);
    EXPECT_EQ(packets[4].micros, (kDay + 86'399) * kUs);
    EXPECT_EQ(packets[5].micros, (kDay + 86'400 + 1) * kUs);
}

TEST(PcapExport, CharacterTimeFollowsTheLineSettings) {
    struct Case {
        PcapLine line;
        int64_t twoCharsMicros;
    };
    const Case cases[] = {
        {{9600, 1, 0, 0, 0}, 2083},   // 8N1: 10 bits
        {{9600, 0, 1, 1, 0}, 2187},   // 7O1.5: 10.5 bits
        {{1200, 1, 2, 2, 0}, 20000},  // 8E2: 12 bits
        {{0, 1, 0, 0, 0}, 0},         // a damaged header: no time passes
    };
    for (const Case& c : cases) {
        const auto packets = Packets(Export(Cat({Rd('a'), Rd('b'), Sd('c')}), c.line, 10 * kUs));
        ASSERT_EQ(packets.size(), 2U);
        EXPECT_EQ(packets[1].micros - packets[0].micros, c.twoCharsMicros) << c.line.speed;
    }
}

TEST(PcapExport, LongRunsAreSplitAtTheSnapLengthAndTornRecordsDropped) {
    std::vector<uint8_t> bytes{0xC5, 0x07, 0x11};  // a torn pair and stray bytes first
    for (int i = 0; i < 70'000; ++i) {
        const auto r = Sd(0x55);
        bytes.insert(bytes.end(), r.begin(), r.end());
    }
    bytes.push_back(0xA5);  // a pair cut off by the end
    const auto packets = Packets(Export(bytes, k9600N81));
    ASSERT_EQ(packets.size(), 2U);
    EXPECT_EQ(packets[0].payload.size(), 65535U - 12U);
    EXPECT_EQ(packets[0].payload.size() + packets[1].payload.size(), 70'000U);
    EXPECT_EQ(packets[1].payload.find_first_not_of('\x55'), std::string::npos);
}

}  // namespace
