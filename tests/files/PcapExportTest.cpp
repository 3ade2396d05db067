#include "files/PcapExport.h"

#include "support/SampleCapture.h"

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

std::string Export(const SampleCapture& c, LineTiming line = {}, int64_t endMicros = 0) {
    return pcapFromCapture(c.bytes.data(), static_cast<int32_t>(c.bytes.size()), line,
                           PcapTimes{kDay, endMicros});
}

const LineTiming k9600N81{9600, 1, 0, 0, 10};  // 1041.67 us a character, idle steps of 100 ms

TEST(PcapExport, GlobalHeaderIsClassicPcapOfLinkType250) {
    const std::string pcap = Export(SampleCapture());
    const std::string expected(
        "\xD4\xC3\xB2\xA1\x02\x00\x04\x00"
        "\x00\x00\x00\x00\x00\x00\x00\x00"
        "\xFF\xFF\x00\x00\xFA\x00\x00\x00",
        24);
    EXPECT_EQ(pcap, expected);
}

TEST(PcapExport, EveryEventTypeWithItsTimeAndControlLines) {
    SampleCapture c;
    c.LineState(0x03).Stamp(9, 15, 0).Data("AB", true).Data("C", false).Pair('D', false, true);
    c.Pair('E', true, true, true).Pair('e', true, false, true).Idle(5).Data("F", false);
    c.LineState(0x3C);
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
    EXPECT_EQ(Packets(Export(c, k9600N81)), expected);
}

TEST(PcapExport, DataBeforeTheFirstStampEndsExactlyAtIt) {
    SampleCapture c;
    c.Data("12", false).Idle(3).Stamp(23, 0, 0).Data("x", true);
    const int64_t t = (kDay + 23 * 3600) * kUs;
    const auto packets = Packets(Export(c, k9600N81));
    ASSERT_EQ(packets.size(), 2U);
    EXPECT_EQ(packets[0], (Packet{t - 300'000 - 2083, 0x02, 0x00, "12"}));
    EXPECT_EQ(packets[1], (Packet{t, 0x01, 0x00, "x"}));
}

TEST(PcapExport, WithoutStampsTheCaptureEndsAtTheGivenTime) {
    const int64_t end = 1'234'567'890'123'456;
    const auto packets =
        Packets(Export(SampleCapture().Data("ab", false).Data("c", true), k9600N81, end));
    ASSERT_EQ(packets.size(), 2U);
    EXPECT_EQ(packets[0].micros, end - 3125);
    EXPECT_EQ(packets[1], (Packet{end - 3125 + 2083, 0x01, 0x00, "c"}));
}

TEST(PcapExport, AStampKeepsAClockLaterWithinItsSecondAndSetsAnyOther) {
    const int64_t t = (kDay + 10 * 3600) * kUs;
    // 115200 baud: ~86.8 us a character. 20 characters (1.7 ms) then a stamp of the same
    // second keep the clock; a stamp 5 s later sets it; a stamp of an earlier second sets it
    // back; 00:00:01 after 23:59:59 is the next day.
    SampleCapture c;
    c.Stamp(10, 0, 0).Data(std::string(20, 'r'), false).Stamp(10, 0, 0).Data("s", true);
    c.Stamp(10, 0, 5).Data("t", true).Stamp(9, 59, 58).Data("u", true);
    c.Stamp(23, 59, 59).Data("v", true).Stamp(0, 0, 1).Data("w", true);
    const auto packets = Packets(Export(c, LineTiming{115200, 1, 0, 0, 0}));
    ASSERT_EQ(packets.size(), 6U);
    EXPECT_EQ(packets[1].micros, t + 1736);
    EXPECT_EQ(packets[2].micros, t + 5 * kUs);
    EXPECT_EQ(packets[3].micros, t - 2 * kUs);
    EXPECT_EQ(packets[4].micros, (kDay + 86'399) * kUs);
    EXPECT_EQ(packets[5].micros, (kDay + 86'400 + 1) * kUs);
}

TEST(PcapExport, CharacterTimeFollowsTheLineSettings) {
    struct Case {
        LineTiming line;
        int64_t twoCharsMicros;
    };
    const Case cases[] = {
        {{9600, 1, 0, 0, 0}, 2083},   // 8N1: 10 bits
        {{9600, 0, 1, 1, 0}, 2187},   // 7O1.5: 10.5 bits
        {{1200, 1, 2, 2, 0}, 20000},  // 8E2: 12 bits
        {{0, 1, 0, 0, 0}, 0},         // a damaged header: no time passes
    };
    for (const Case& c : cases) {
        const auto packets =
            Packets(Export(SampleCapture().Data("ab", false).Data("c", true), c.line, 10 * kUs));
        ASSERT_EQ(packets.size(), 2U);
        EXPECT_EQ(packets[1].micros - packets[0].micros, c.twoCharsMicros) << c.line.speed;
    }
}

TEST(PcapExport, LongRunsAreSplitAtTheSnapLengthAndTornRecordsDropped) {
    SampleCapture c;
    c.bytes = {0xC5, 0x07, 0x11};  // a torn pair and stray bytes first
    c.Data(std::string(70'000, '\x55'), true);
    c.bytes.push_back(0xA5);  // a pair cut off by the end
    const auto packets = Packets(Export(c, k9600N81));
    ASSERT_EQ(packets.size(), 2U);
    EXPECT_EQ(packets[0].payload.size(), 65535U - 12U);
    EXPECT_EQ(packets[0].payload.size() + packets[1].payload.size(), 70'000U);
    EXPECT_EQ(packets[1].payload.find_first_not_of('\x55'), std::string::npos);
}

}  // namespace

TEST(PcapExport, TimesStayExactOverManyIdleRecords) {
    // 100,000 times a byte and an idle step of 100 ms at 1041.67 us a character, then a stamp:
    // the clock runs so that it reaches the stamp exactly (it starts 100,000 characters,
    // 104,166,666.67 us, and 10,000 s before it), and every byte keeps its place to the
    // microsecond however many idle records lie before it: the last starts 100 ms and one
    // character before the stamp.
    SampleCapture c;
    for (int i = 0; i < 100'000; ++i) {
        c.Pairs({0x55}, true).Idle(1);
    }
    c.Stamp(23, 0, 0);
    const std::vector<Packet> packets = Packets(Export(c, k9600N81));
    ASSERT_EQ(packets.size(), 100'000U);
    const int64_t stamp = (kDay + 23 * 3600) * kUs;
    EXPECT_EQ(packets.front().micros, stamp - 10'000'000'000 - 104'166'666);
    EXPECT_EQ(packets.back().micros, stamp - 100'000 - 1041);
}
