#include "Scenario.h"

#include <gtest/gtest.h>

#include <vector>

#include "BlocksScenario.h"
#include "ModbusScenario.h"
#include "Pacer.h"
#include "StreamCheck.h"
#include "TestLines.h"
#include "analysis/FrameAnalysis.h"

namespace {

const std::vector<LineSettings>& someLines() {
    static const std::vector<LineSettings> lines = {lineOf(9600, 0x10), lineOf(300, 0x0A),
                                                    lineOf(115200, 0x15), lineOf(150, 0x00)};
    return lines;
}

std::vector<StreamEvent> take(Scenario& scenario, size_t count) {
    std::vector<StreamEvent> events;
    for (size_t i = 0; i < count; ++i) {
        events.push_back(scenario.next());
    }
    return events;
}

std::vector<StreamEvent> take(std::string_view name, const LineSettings& line, uint64_t seed,
                              size_t count) {
    const auto scenario = Scenario::create(name, line, seed);
    return take(*scenario, count);
}

bool same(const std::vector<StreamEvent>& a, const std::vector<StreamEvent>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].kind != b[i].kind || a[i].tick != b[i].tick || a[i].value != b[i].value ||
            a[i].sd != b[i].sd || a[i].parityError != b[i].parityError ||
            a[i].framingError != b[i].framingError) {
            return false;
        }
    }
    return true;
}

// The capture bytes of the first count events, as the unit sends them.
std::string streamOf(std::string_view name, const LineSettings& line, size_t bytes) {
    Pacer pacer(Scenario::create(name, line, 3), line, 1.0, 0);
    std::string out;
    pacer.produce(INT64_MAX, out, bytes);
    return out;
}

// Characters of one direction grouped into messages: a new message starts after a gap.
struct Message {
    bool sd;
    uint64_t start;
    uint64_t end;
    std::string text;
};

std::vector<Message> messagesOf(const std::vector<StreamEvent>& events, const LineSettings& line) {
    std::vector<Message> messages;
    for (const StreamEvent& e : events) {
        if (e.kind != StreamEvent::Kind::Data) {
            continue;
        }
        const uint64_t start = e.tick - line.characterTicks();
        if (messages.empty() || messages.back().sd != e.sd || messages.back().end != start) {
            messages.push_back({e.sd, start, e.tick, ""});
        }
        messages.back().end = e.tick;
        messages.back().text += static_cast<char>(e.value);
    }
    return messages;
}

}  // namespace

TEST(ScenarioTest, EveryScenarioIsDeterministicOrderedAndFitsTheLine) {
    for (const Scenario::Info& info : Scenario::all()) {
        for (const LineSettings& line : someLines()) {
            SCOPED_TRACE(std::string(info.name) + " at " + std::to_string(line.speed));
            const auto events = take(info.name, line, 11, 3000);
            EXPECT_TRUE(same(events, take(info.name, line, 11, 3000)));
            EXPECT_FALSE(same(events, take(info.name, line, 12, 3000)));
            for (size_t i = 0; i < events.size(); ++i) {
                if (i > 0) {
                    ASSERT_GE(events[i].tick, events[i - 1].tick) << i;
                }
                if (events[i].kind == StreamEvent::Kind::Data) {
                    ASSERT_EQ(events[i].value, line.mask(events[i].value)) << i;
                    ASSERT_FALSE(events[i].parityError && !line.hasParity()) << i;
                }
            }
        }
    }
}

TEST(ScenarioTest, StreamsAreWellFormedExceptGarbage) {
    for (const Scenario::Info& info : Scenario::all()) {
        for (const LineSettings& line : someLines()) {
            const std::string stream = streamOf(info.name, line, 20000);
            ASSERT_GE(stream.size(), 20000U);
            const std::string fault = streamFault(stream);
            if (info.name == "garbage") {
                EXPECT_NE(fault, "");
                EXPECT_NE(stream.find('\r'), std::string::npos);
            } else {
                EXPECT_EQ(fault, "") << info.name << " at " << line.speed;
            }
        }
    }
}

TEST(ScenarioTest, ChatAlternatesLinesWithPausesBetweenMessages) {
    const LineSettings line = lineOf(9600, 0x02);  // 7E1
    const auto messages = messagesOf(take("chat", line, 5, 2000), line);
    ASSERT_GT(messages.size(), 20U);
    uint64_t previousEnd = 0;
    for (size_t i = 0; i + 1 < messages.size(); ++i) {  // the last one may be cut short
        const Message& m = messages[i];
        EXPECT_EQ(m.sd, i % 2 == 0) << i;
        EXPECT_EQ(m.text.substr(m.text.size() - 2), "\r\n") << m.text;
        const uint64_t pause = m.start - previousEnd;
        EXPECT_GE(pause, line.ticksOfMs(300)) << i;
        EXPECT_LE(pause, line.ticksOfMs(3000)) << i;
        previousEnd = m.end;
    }
}

TEST(ScenarioTest, ErrorsOnlyInTheErrorScenarioAndParityErrorsOnlyWithParity) {
    const auto count = [](const std::vector<StreamEvent>& events, bool parity) {
        int n = 0;
        for (const StreamEvent& e : events) {
            n += parity ? e.parityError : e.framingError;
        }
        return n;
    };
    const LineSettings even = lineOf(9600, 0x12);
    const LineSettings none = lineOf(9600, 0x10);
    const auto spoiled = take("errors", even, 1, 3000);
    EXPECT_GT(count(spoiled, true), 30);
    EXPECT_GT(count(spoiled, false), 30);
    EXPECT_EQ(count(take("errors", none, 1, 3000), true), 0);
    EXPECT_GT(count(take("errors", none, 1, 3000), false), 30);
    EXPECT_EQ(count(take("chat", even, 1, 3000), true) + count(take("chat", even, 1, 3000), false),
              0);
}

TEST(ScenarioTest, ModbusFramesCarryAValidCrcAndPollEverySecond) {
    EXPECT_EQ(ModbusScenario::crc16(std::string("\x01\x03\x00\x00\x00\x0A", 6)), 0xCDC5);

    const LineSettings line = lineOf(19200, 0x10);
    const auto messages = messagesOf(take("modbus", line, 9, 3000), line);
    ASSERT_GT(messages.size(), 40U);
    int polls = 0;
    for (size_t i = 0; i + 1 < messages.size(); ++i) {
        const Message& m = messages[i];
        ASSERT_GE(m.text.size(), 4U);
        EXPECT_EQ(ModbusScenario::crc16(m.text), 0) << i;  // a frame with its CRC sums to 0
        if (m.sd) {
            EXPECT_EQ(m.start, polls * line.ticksPerSecond()) << i;
            ++polls;
        } else {
            EXPECT_EQ(m.text[0], messages[i - 1].text[0]) << "reply from the polled slave";
            EXPECT_NE(m.text[0], 4) << "slave 4 never answers";
        }
    }
}

TEST(ScenarioTest, BlocksFramedByTheirDefinitionHaveGoodChecksButTheOnesMadeBad) {
    const LineSettings line = lineOf(19200, 0x10);  // 8N1
    const std::string stream = streamOf("blocks", line, 40000);
    FrameOptions options;
    options.protocol = proto::parseProtocols(
                           "[blocks]\nStart=02\nEnd=03\nLength=1,1,BE,5\n"
                           "Check=crc16-ccitt-false\nCheckFrom=1\nMax=260\n")
                           .protocols.at(0);
    std::vector<Frame> frames;
    FrameAnalyser analyser({19200, 1, 0, 0, 100}, options,
                           [&](const Frame& f, std::span<const uint8_t> bytes) {
                               frames.push_back(f);
                               if (f.noise()) {  // only stray bytes, which hold no STX
                                   EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0x02), 0);
                               }
                           });
    analyser.add(reinterpret_cast<const uint8_t*>(stream.data()), stream.size());
    frames.pop_back();  // a frame the end of the stream may have cut
    uint64_t reads = 0;
    uint64_t replies = 0;
    uint64_t noise = 0;
    for (const Frame& f : frames) {
        if (f.noise()) {
            EXPECT_TRUE(f.sd);
            EXPECT_EQ(reads % BlocksScenario::kNoiseEvery, 0U)
                << "stray bytes before read " << reads;
            ++noise;
            continue;
        }
        ASSERT_EQ(f.problem, proto::Problem::None) << f.firstWord;
        const bool bad = !f.sd && replies % BlocksScenario::kBadEvery == 0;
        EXPECT_EQ(f.check, bad ? proto::CheckState::Bad : proto::CheckState::Ok) << f.firstWord;
        ++(f.sd ? reads : replies);
    }
    EXPECT_GT(replies, 200U);
    EXPECT_GE(reads, replies);
    EXPECT_EQ(noise, (reads + BlocksScenario::kNoiseEvery - 1) / BlocksScenario::kNoiseEvery);
}

TEST(ScenarioTest, LinesFrameEveryRequestWithRsAndCs) {
    const LineSettings line = lineOf(9600, 0x10);
    uint8_t lines = 0;
    int requests = 0;
    int rings = 0;
    for (const StreamEvent& e : take("lines", line, 2, 4000)) {
        if (e.kind == StreamEvent::Kind::Line) {
            rings += (e.value & Lines::CI) != 0 && (lines & Lines::CI) == 0;
            lines = e.value;
        } else if (e.sd) {
            ++requests;
            EXPECT_EQ(lines & (Lines::RS | Lines::CS | Lines::ER | Lines::DR),
                      Lines::RS | Lines::CS | Lines::ER | Lines::DR);
        } else {
            EXPECT_EQ(lines & (Lines::RS | Lines::CS), 0);
        }
    }
    EXPECT_GT(requests, 100);
    EXPECT_GT(rings, 0);
}

TEST(ScenarioTest, FloodIsTheSeedsByteSequenceAtFullRate) {
    const LineSettings line = lineOf(115200, 0x10);
    Random sd(21);
    Random rd(~uint64_t{21});
    uint64_t sdCount = 0;
    uint64_t rdCount = 0;
    for (const StreamEvent& e : take("flood", line, 21, 1000)) {
        ASSERT_EQ(e.kind, StreamEvent::Kind::Data);
        if (e.sd) {
            EXPECT_EQ(e.value, sd.byte());
            EXPECT_EQ(e.tick, ++sdCount * line.characterTicks());
        } else {
            EXPECT_EQ(e.value, rd.byte());
            EXPECT_EQ(e.tick, ++rdCount * line.characterTicks() + line.characterTicks() / 2);
        }
    }
    EXPECT_EQ(sdCount, 500U);
    EXPECT_EQ(rdCount, 500U);
}
