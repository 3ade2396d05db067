#include "Pacer.h"

#include <gtest/gtest.h>

#include <bit>
#include <vector>

#include "StreamCheck.h"

namespace {

constexpr int64_t kStart = 5'000'000'000;  // any monotonic time
constexpr int64_t kSecond = 1'000'000'000;
constexpr size_t kNoLimit = SIZE_MAX;

LineSettings line9600() {
    LineSettings line;
    line.speed = 9600;
    return line;  // 8N1: 960 characters a second
}

Pacer floodPacer(const LineSettings& line, double rateFactor = 1.0) {
    return Pacer(Scenario::create("flood", line, 7), line, rateFactor, kStart);
}

// Line states as a scenario asks for them, repeats included, then one character.
class LineSteps final : public Scenario {
  public:
    LineSteps(const LineSettings& line, std::vector<uint8_t> states)
        : Scenario(line, 1), states_(std::move(states)) {}

  protected:
    void buildEpisode() override {
        for (const uint8_t state : states_) {
            setLines(++cursor_, state);
        }
        cursor_ = send(true, "A", cursor_);
    }

  private:
    std::vector<uint8_t> states_;
};

}  // namespace

TEST(PacerTest, SendsWhatTheLineCarriesByThen) {
    Pacer pacer = floodPacer(line9600());
    std::string out;
    pacer.produce(kStart, out, kNoLimit);
    EXPECT_EQ(out, "");
    // In one second 960 SD characters have ended, and 959 RD ones (half a character later).
    pacer.produce(kStart + kSecond, out, kNoLimit);
    EXPECT_EQ(out.size(), (960U + 959U) * 2);
    EXPECT_EQ(streamFault(out), "");
    // The next one is the 960th RD character, 1 s + 1/1920 s after the start.
    EXPECT_EQ(pacer.nextDueNs(), kStart + kSecond + 520'833);
}

TEST(PacerTest, IrregularCallsDoNotDrift) {
    Pacer steady = floodPacer(line9600());
    Pacer jittery = floodPacer(line9600());
    std::string a;
    std::string b;
    int64_t now = kStart;
    const int64_t end = kStart + 100 * kSecond;
    for (int64_t step = 0; now < end; ++step) {
        now = std::min(end, now + 1'000'000 + (step * 7919 % 4'000'000));  // 1 to 5 ms
        jittery.produce(now, b, kNoLimit);
    }
    steady.produce(end, a, kNoLimit);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.size(), (96'000U + 95'999U) * 2);
}

TEST(PacerTest, RateFactorPostponeAndLimit) {
    std::string real;
    floodPacer(line9600()).produce(kStart + kSecond, real, kNoLimit);

    std::string fast;
    floodPacer(line9600(), 10.0).produce(kStart + kSecond / 10, fast, kNoLimit);
    EXPECT_EQ(fast, real);

    Pacer paused = floodPacer(line9600());
    std::string out;
    paused.postpone(kSecond / 2);
    paused.produce(kStart + kSecond + kSecond / 2, out, kNoLimit);
    EXPECT_EQ(out, real);

    // A limited batch leaves the rest for the next call; nothing is skipped.
    Pacer limited = floodPacer(line9600());
    std::string part;
    limited.produce(kStart + kSecond, part, 1000);
    EXPECT_EQ(part.size(), 1000U);
    EXPECT_LE(limited.nextDueNs(), kStart + kSecond);
    limited.produce(kStart + kSecond, part, kNoLimit);
    EXPECT_EQ(part, real);
}

TEST(PacerTest, DurationEndsTheTrafficForGood) {
    std::string half;
    floodPacer(line9600()).produce(kStart + kSecond / 2, half, kNoLimit);

    const LineSettings line = line9600();
    Pacer pacer(Scenario::create("flood", line, 7), line, 1.0, kStart, 0.5);
    std::string out;
    pacer.produce(kStart + kSecond / 4, out, kNoLimit);
    EXPECT_FALSE(pacer.finished());
    pacer.produce(kStart + 100 * kSecond, out, kNoLimit);
    EXPECT_EQ(out, half);
    EXPECT_TRUE(pacer.finished());
}

TEST(PacerTest, LineStateSentOnlyWhenItChanges) {
    const LineSettings line = line9600();
    Pacer pacer(std::make_unique<LineSteps>(line, std::vector<uint8_t>{0, 0, 5, 5, 0x3F, 5}), line,
                1.0, kStart);
    std::string out;
    pacer.produce(kStart + 2'750'000, out, kNoLimit);  // tick 52.8: two episodes
    // The first state is reported even when all lines are off; then only changes, also
    // across episodes (the second episode starts with 0 after 5).
    EXPECT_EQ(out, std::string("\x40\x45\x7F\x45\xA4\xC1\x40\x45\x7F\x45\xA4\xC1", 12));
}

// 'A' sent on a 9600 bit/s line to a receiver at 19200 (worked out in LineReceiverTest):
// 0x06 with a framing error at tick 10, then 0xFE at tick 26, each paced at its tick.
TEST(PacerTest, AReceiverAtOtherSettingsReportsWhatItDecodesAtTheLinesPace) {
    const LineSettings line = line9600();
    LineSettings receiver = line;
    receiver.speed = 19200;
    Pacer pacer(nullptr, line, 1.0, kStart, 0.0, receiver);
    const StreamEvent a = StreamEvent::data(20, false, 'A');
    pacer.inject(kStart, {&a, 1});
    const int64_t nsPerTick = kSecond / 19200;  // 52083.3
    std::string out;
    pacer.produce(kStart + 9 * nsPerTick, out, kNoLimit);
    EXPECT_EQ(out, "");
    pacer.produce(kStart + 11 * nsPerTick, out, kNoLimit);
    EXPECT_EQ(out, "\x80\xD6");
    EXPECT_EQ(pacer.nextDueNs(), kStart + 1'354'167);  // tick 26
    // The next batch waits until the receiver has seen all of the first one (tick 31).
    pacer.inject(kStart + 11 * nsPerTick, {&a, 1});
    pacer.produce(kStart + kSecond, out, kNoLimit);
    EXPECT_EQ(out, std::string("\x80\xD6\x8F\xCE\x80\xD6\x8F\xCE"));
    EXPECT_TRUE(pacer.finished());
}

// A 7E1 line read as 8N1 at the same speed: every character as sent, at the same time,
// with the even parity of its seven bits as the eighth bit.
TEST(PacerTest, AReceiverReadsTheParityBitAsTheEighthDataBit) {
    LineSettings line = line9600();
    ASSERT_TRUE(line.applyFormat(0x02));
    Pacer sent(Scenario::create("chat", line, 4), line, 1.0, kStart);
    Pacer read(Scenario::create("chat", line, 4), line, 1.0, kStart, 0.0, line9600());
    std::string expected;
    std::string out;
    sent.produce(kStart + 60 * kSecond, expected, kNoLimit);
    read.produce(kStart + 60 * kSecond, out, kNoLimit);
    ASSERT_GT(expected.size(), 100U);
    ASSERT_EQ(streamFault(expected), "");
    for (size_t i = 0; i + 1 < expected.size(); i += 2) {
        const int value = (expected[i] & 0x0F) << 4 | (expected[i + 1] & 0x0F);
        if (std::popcount(static_cast<unsigned>(value)) % 2 == 1) {
            expected[i] = static_cast<char>(expected[i] | 0x08);
        }
    }
    EXPECT_EQ(out, expected);
}

// A receiver at 150 bit/s on a 115200 bit/s line finds every start bit high again at its
// middle: it reports nothing, and the unit still starts at once (it used to look for a
// report without end) and keeps pace.
TEST(PacerTest, AReceiverThatReadsNothingDoesNotHoldTheUnit) {
    LineSettings line = line9600();
    line.speed = 115200;
    LineSettings receiver = line9600();
    receiver.speed = 150;
    Pacer pacer(Scenario::create("chat", line, 4), line, 1.0, kStart, 0.0, receiver);
    std::string out;
    pacer.produce(kStart + 60 * kSecond, out, kNoLimit);
    EXPECT_EQ(out, "");
    EXPECT_FALSE(pacer.finished());
    EXPECT_GT(pacer.nextDueNs(), kStart + 60 * kSecond);  // it goes on at the line's pace
}
