#include "LineReceiver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Scenario.h"
#include "TestLines.h"

namespace {

constexpr int k8N1 = 0x10;
constexpr int k8E1 = 0x12;
constexpr int k8O1 = 0x11;
constexpr int k7E1 = 0x02;
constexpr int k8E2 = 0x1A;

StreamEvent bad(StreamEvent e, bool parity, bool framing) {
    e.parityError = parity;
    e.framingError = framing;
    return e;
}

std::string text(const StreamEvent& e) {
    std::string s = std::to_string(e.tick) + (e.kind == StreamEvent::Kind::Data ? " " : " line ") +
                    (e.sd ? "SD " : "RD ") + std::to_string(e.value);
    return s + (e.parityError ? " PE" : "") + (e.framingError ? " FE" : "");
}

std::vector<std::string> texts(const std::vector<StreamEvent>& events) {
    std::vector<std::string> out;
    for (const StreamEvent& e : events) {
        out.push_back(text(e));
    }
    return out;
}

std::vector<StreamEvent> receive(LineReceiver& receiver, const std::vector<StreamEvent>& line) {
    std::vector<StreamEvent> out;
    for (const StreamEvent& e : line) {
        receiver.push(e, out);
    }
    receiver.flush(UINT64_MAX, out);  // the line stays idle
    return out;
}

}  // namespace

// Worked by hand from the bit patterns: 'A' (0x41) is, from the start bit on,
// 0 1000 0010 1 on an 8N1 line. Ticks are half bits of the true line.
TEST(LineReceiverTest, HandWorkedCharacters) {
    struct Case {
        const char* what;
        LineSettings truth;
        LineSettings receiver;
        std::vector<StreamEvent> line;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        // Samples at 1/4, 3/4, 5/4... true bits: start 0, 0, 1, 1, 0, 0, 0, 0, 0, stop
        // (bit 3 of 'A') low; then hunting from 4.75 bits, 'A's last data bit falls at 8:
        // 0, then the stop bit and idle line.
        {"double speed",
         lineOf(9600, k8N1),
         lineOf(19200, k8N1),
         {StreamEvent::data(20, false, 'A'), StreamEvent::line(22, 0x01)},
         {"10 RD 6 FE", "22 line RD 1", "26 RD 254"}},
        // The start sample (true bit 1, 'A's bit 0) is high: a glitch. The next edge is
        // true bit 2; its samples fall on true bits 3, 5, 7, 9 and the idle line.
        {"half speed",
         lineOf(19200, k8N1),
         lineOf(9600, k8N1),
         {StreamEvent::data(20, true, 'A')},
         {"44 SD 254"}},
        // Samples at 1/3, 1, 5/3, 7/3, 3, 11/3, 13/3, 5, 17/3, stop at 19/3 (bit 5 of 'A'
        // low); then the edge of 'A's bit 7 at 8 bits, followed by the high stop bit.
        {"1.5 times the speed",
         lineOf(9600, k8N1),
         lineOf(14400, k8N1),
         {StreamEvent::data(20, false, 'A')},
         {"14 RD 3 FE", "30 RD 255"}},
        // The even parity bit is read as the eighth data bit: 0 for 'A', 1 for 'C', and
        // the wrong one where the true line has a parity error.
        {"7E1 read as 8N1",
         lineOf(9600, k7E1),
         lineOf(9600, k8N1),
         {StreamEvent::data(20, false, 'A'), StreamEvent::data(40, true, 'C'),
          bad(StreamEvent::data(60, false, 'A'), true, false)},
         {"20 RD 65", "40 SD 195", "60 RD 193"}},
        // The eighth data bit is read as even parity over the seven before it.
        {"8N1 read as 7E1",
         lineOf(9600, k8N1),
         lineOf(9600, k7E1),
         {StreamEvent::data(20, false, 'A'), StreamEvent::data(40, true, 'C'),
          StreamEvent::data(60, false, 0xC1)},
         {"20 RD 65", "40 SD 67 PE", "60 RD 65 PE"}},
        // A true break (start, NUL, parity and stop all low) is a NUL with a framing
        // error and no parity error, though odd parity expects a high parity bit.
        {"break",
         lineOf(9600, k8E1),
         lineOf(9600, k8O1),
         {bad(StreamEvent::data(22, true, 0), false, true)},
         {"22 SD 0 FE"}},
        // A line low for two receiver characters is one break: a new character needs the
        // line to rise and fall again.
        {"long break",
         lineOf(9600, k8N1),
         lineOf(19200, k8N1),
         {bad(StreamEvent::data(20, false, 0), false, true)},
         {"10 RD 0 FE"}},
    };
    for (const Case& c : cases) {
        LineReceiver receiver(c.truth, c.receiver);
        EXPECT_FALSE(receiver.transparent()) << c.what;
        EXPECT_EQ(texts(receive(receiver, c.line)), c.expected) << c.what;
    }
}

TEST(LineReceiverTest, EqualSettingsPassEveryEventAtOnce) {
    const LineSettings line = lineOf(9600, k8E1);
    LineSettings other = line;
    other.lineType = 1;  // the line type does not change the bits
    LineReceiver receiver(line, other);
    EXPECT_TRUE(receiver.transparent());
    const auto scenario = Scenario::create("errors", line, 5);
    std::vector<StreamEvent> out;
    for (int i = 0; i < 2000; ++i) {
        const StreamEvent e = scenario->next();
        receiver.push(e, out);
        ASSERT_EQ(out.size(), 1U);
        EXPECT_EQ(text(out.back()), text(e));
        out.clear();
    }
    receiver.flush(UINT64_MAX / 4, out);
    EXPECT_TRUE(out.empty());
}

// A receiver with other stop bits decodes every character of a real scenario, errors
// included, as it was sent; only the end of each comes sooner by the stop bit it lacks.
TEST(LineReceiverTest, OnlyTheFirstStopBitCounts) {
    const LineSettings truth = lineOf(4800, k8E2);
    LineReceiver receiver(truth, lineOf(4800, k8E1));
    const auto scenario = Scenario::create("errors", truth, 9);
    std::vector<StreamEvent> sent;
    std::vector<StreamEvent> out;
    while (sent.size() < 3000) {
        sent.push_back(scenario->next());
        receiver.push(sent.back(), out);
        // Nothing is reported ahead of the line.
        ASSERT_TRUE(out.empty() || out.back().tick <= sent.back().tick) << text(out.back());
    }
    // One receiver character after the last true one, everything has been reported.
    receiver.flush(sent.back().tick + receiver.settleTicks(), out);
    size_t errors = 0;
    std::vector<std::string> expected;
    for (StreamEvent e : sent) {
        if (e.kind == StreamEvent::Kind::Data) {
            e.tick -= 2;
            errors += e.parityError || e.framingError ? 1 : 0;
        }
        expected.push_back(text(e));
    }
    EXPECT_GT(errors, 0U);
    // Line events reach the same ticks; on a tie they follow the characters.
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return std::stoull(a) < std::stoull(b); });
    EXPECT_EQ(texts(out), expected);
}

// Output comes in tick order with both directions interleaved, and a character is held
// only until the line up to its end is known.
TEST(LineReceiverTest, ReportsAsSoonAsTheLineIsKnown) {
    LineReceiver receiver(lineOf(9600, k8N1), lineOf(19200, k8N1));
    std::vector<StreamEvent> out;
    receiver.push(StreamEvent::data(20, false, 'A'), out);
    receiver.push(StreamEvent::data(25, true, 'A'), out);
    EXPECT_TRUE(out.empty());
    receiver.flush(28, out);  // nothing starts before 28: the second character on SD is not
    EXPECT_EQ(texts(out), (std::vector<std::string>{"10 RD 6 FE", "15 SD 6 FE", "26 RD 254"}));
    receiver.flush(40, out);
    EXPECT_EQ(texts(out).back(), "31 SD 254");
}
