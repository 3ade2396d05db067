// The scoring of one trial of the line settings search, on stored records made by hand, and
// the decisions between settings that read a line alike, on scripted trials.
#include "run/LineSearch.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "analysis/Modbus.h"
#include "base/Settings.h"

namespace {

struct Char {
    uint8_t value;
    bool sd = false, parity = false, framing = false;
};

std::string records(const std::vector<Char>& chars) {
    std::string r;
    for (const Char& c : chars) {
        r += static_cast<char>(0x80 | (c.sd ? 0x20 : 0) | (c.parity ? 0x10 : 0) | (c.value >> 4));
        r += static_cast<char>(0xC0 | (c.framing ? 0x10 : 0) | (c.value & 0x0F));
    }
    return r;
}

std::vector<Char> text(const std::string& s, bool sd = false) {
    std::vector<Char> chars;
    for (const char c : s) {
        chars.push_back({static_cast<uint8_t>(c), sd});
    }
    return chars;
}

TEST(LineSearchMeasure, CountsErrorsBreaksTextAndTheEighthBit) {
    const LineSearch search({});
    std::vector<Char> chars = text("AB\r\n");
    chars.push_back({0x00, false, false, true});  // a break
    chars.push_back({0x41, false, true, false});  // a parity error
    chars.push_back({0xC3, true});                // 'C' with its even parity bit set
    chars.push_back({0x80 | 0x03});               // 0x03 has even parity already: a mismatch
    // A time stamp and a line state between the pairs change nothing.
    const std::string r = records(chars) + std::string("\x30\x01\x02\x03\x41\x30", 6);
    const TrialScore t = search.measure({9600, 1, 0}, r, 2.0);
    EXPECT_EQ(t.chars, 8U);
    EXPECT_EQ(t.errors, 2U);
    EXPECT_EQ(t.breaks, 1U);
    EXPECT_DOUBLE_EQ(t.clean, 6.0 / 8);
    EXPECT_DOUBLE_EQ(t.likeness, 5.0 / 8);  // A B CR LF and the 'A' with a parity error
    EXPECT_EQ(t.plain, 6U);
    EXPECT_EQ(t.highSet, 2U);
    EXPECT_EQ(t.evenMatch, 4U);  // A, B, LF and the 'C'; not CR (odd) nor 0x83
    EXPECT_DOUBLE_EQ(t.seconds, 2.0);
}

TEST(LineSearchMeasure, FramesWhoseCheckHoldsCountAsLikeness) {
    // A Modbus RTU request with its CRC, and the same frame with a bad one.
    std::vector<uint8_t> frame = {0x01, 0x03, 0x00, 0x10, 0x00, 0x02};
    const uint16_t crc = modbus::crc16(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    std::vector<Char> good, bad;
    for (const uint8_t b : frame) {
        good.push_back({b, true});
        bad.push_back({b, true});
    }
    bad.back().value ^= 0xFF;
    const LineSearch search({});
    EXPECT_DOUBLE_EQ(search.measure({9600, 1, 0}, records(good), 1).likeness, 1.0);
    EXPECT_LT(search.measure({9600, 1, 0}, records(bad), 1).likeness, 0.5);

    // A definition of VXProto.ini counts too: STX .. ETX with a sum after it.
    LineSearch::Options options;
    options.protocols = proto::parseProtocols(
                            "[stx]\nStart=02\nEnd=03\nCheck=sum8\n"
                            "CheckAfterEnd=1\n")
                            .protocols;
    ASSERT_EQ(options.protocols.size(), 1U);
    std::vector<Char> stx = {{0x02}, {0x81}, {0x82}, {0x03}};
    stx.push_back({static_cast<uint8_t>(
        proto::checksum(proto::Check::Sum8, std::vector<uint8_t>{2, 0x81, 0x82, 3}.data(), 4))});
    EXPECT_LT(LineSearch({}).measure({9600, 1, 0}, records(stx), 1).likeness, 0.5);
    EXPECT_DOUBLE_EQ(LineSearch(options).measure({9600, 1, 0}, records(stx), 1).likeness, 1.0);
}

// Trials from a script: the records each setting hears, empty for the others.
class ScriptedListener final : public LineListener {
  public:
    std::optional<Heard> listen(const LineTrial& trial, double seconds) override {
        tried.push_back(trial);
        const auto it = heard.find(trialText(trial, 0));
        return Heard{it == heard.end() ? std::string() : it->second, seconds};
    }
    std::map<std::string, std::string> heard;
    std::vector<LineTrial> tried;
};

std::vector<Char> repeated(const std::vector<Char>& some, int times) {
    std::vector<Char> all;
    for (int i = 0; i < times; ++i) {
        all.insert(all.end(), some.begin(), some.end());
    }
    return all;
}

TEST(LineSearchDecide, TheEighthBitSettlesSevenBitsWithParityAgainstEightWithout) {
    // 7E1 text read as 8N1: the eighth bit is the even parity bit ('A' 0x41 even, 'C' 0x43 odd).
    ScriptedListener listener;
    listener.heard["19200,N,8,1"] = records(repeated({{0x41}, {0xC3}, {0x0A}}, 20));
    listener.heard["19200,E,7,1"] = records(repeated({{0x41}, {0x43}, {0x0A}}, 20));
    const LineSearchResult r = LineSearch({}).run(listener);
    ASSERT_EQ(r.outcome, LineSearchResult::Outcome::Found) << r.reason;
    EXPECT_EQ(trialText(r.trials[*r.best].trial, 0), "19200,E,7,1");
    EXPECT_EQ(trialText(r.trials[*r.next].trial, 0), "19200,N,8,1");
    // Only the format the evidence points at was tried after the speeds.
    EXPECT_EQ(listener.tried.size(), kUnitSpeeds.size() + 1);
    EXPECT_NE(r.basis, LineSearchResult::Basis::Lead);
}

TEST(LineSearchDecide, AnEighthBitAlwaysOneIsAStopBit) {
    ScriptedListener listener;
    listener.heard["4800,N,8,1"] = records(repeated({{0xC1}, {0xC2}, {0x8A}}, 20));
    listener.heard["4800,N,7,1"] = records(repeated({{0x41}, {0x42}, {0x0A}}, 20));
    const LineSearchResult r = LineSearch({}).run(listener);
    ASSERT_EQ(r.outcome, LineSearchResult::Outcome::Found) << r.reason;
    EXPECT_EQ(trialText(r.trials[*r.best].trial, 0), "4800,N,7,1");
}

TEST(LineSearchDecide, ALineNoSettingReadsWellIsUnclear) {
    ScriptedListener listener;
    std::vector<Char> noisy =
        repeated({{0x41}, {0x42, false, false, true}, {0x43, false, true, false}}, 20);
    for (const int32_t speed : kUnitSpeeds) {
        for (const char* format : {",N,8,1", ",E,8,1", ",O,8,1", ",E,7,1", ",O,7,1", ",N,7,1"}) {
            listener.heard[std::to_string(speed) + format] = records(noisy);
        }
    }
    const LineSearchResult r = LineSearch({}).run(listener);
    EXPECT_EQ(r.outcome, LineSearchResult::Outcome::Unclear);
    EXPECT_EQ(r.basis, LineSearchResult::Basis::Poor);
    EXPECT_NE(r.reason.find("no setting decodes the line well"), std::string::npos) << r.reason;
}

TEST(LineSearchDecide, TrialTextsKeepTheStopBitsOfTheSettings) {
    EXPECT_EQ(trialText({115200, 0, 1}, 1), "115200,O,7,1.5");
    EXPECT_EQ(trialText({150, 1, 0}, 2), "150,N,8,2");
}

}  // namespace
