// Frames, reply times and Modbus frames of hand-built captures.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "analysis/FrameAnalysis.h"
#include "analysis/FrameExamples.h"
#include "analysis/FrameSummary.h"

namespace {

LineTiming LineOf(const FrameExample& e) {
    return LineTiming{10000, 1, 0, 0, e.idleMode};
}

FrameOptions OptionsOf(const FrameExample& e) {
    FrameOptions o;
    o.gapMicros = e.gapMs * 1000LL;
    o.modbus = e.modbus;
    return o;
}

FrameList analyse(const FrameExample& e) {
    FrameList list;
    analyseFrames(e.records.data(), e.records.size(), LineOf(e), OptionsOf(e), list);
    return list;
}

std::string RowOf(const Frame& f, std::span<const uint8_t> bytes) {
    const auto ms = [](const std::optional<int64_t>& v) { return v ? msText(*v) : ""; };
    std::string row = std::string(f.sd ? "SD," : "RD,") + secondsText(f.startMicros) + ',' +
                      std::to_string(f.bytes) + ',' + std::to_string(f.errors) + ',' + ms(f.gap()) +
                      ',' + ms(f.reply()) + ',' + hexText(bytes);
    if (f.noise()) {
        row += ",,,noise,";
    } else if (f.modbus) {
        row += ',' + std::to_string(f.modbus->unit) + ',' + std::to_string(f.modbus->function) +
               ',' + modbus::kindName(f.modbus->kind) + (f.modbus->crcOk ? ",true" : ",false");
    }
    return row;
}

// The rows of the records fed to the analyser in pieces of the given sizes in turn (each piece
// begins with what the one before left), with the bytes the analyser hands on.
std::vector<std::string> RowsInPieces(const FrameExample& e, std::vector<size_t> sizes) {
    std::vector<std::string> rows;
    FrameAnalyser analyser(LineOf(e), OptionsOf(e),
                           [&rows](const Frame& f, std::span<const uint8_t> bytes) {
                               rows.push_back(RowOf(f, bytes));
                           });
    std::vector<uint8_t> piece;
    size_t at = 0;
    for (size_t k = 0; at < e.records.size(); ++k) {
        const size_t n = std::min(sizes[k % sizes.size()], e.records.size() - at);
        piece.insert(piece.end(), e.records.begin() + static_cast<ptrdiff_t>(at),
                     e.records.begin() + static_cast<ptrdiff_t>(at + n));
        at += n;
        piece.erase(piece.begin(), piece.begin() + static_cast<ptrdiff_t>(
                                                       analyser.add(piece.data(), piece.size())));
    }
    analyser.finish();
    return rows;
}

// A frame list on a 10 ms idle step whose frames after the first are replies of the given
// times (ms), alternately on SD and RD.
FrameList Replies(std::initializer_list<int> ms) {
    FrameList list;
    list.idleStepMicros = 10'000;
    list.frames.push_back(Frame{});
    for (const int v : ms) {
        Frame f;
        f.sd = !list.frames.back().sd;
        f.gapMicros = f.replyMicros = v * 1000LL;
        list.frames.push_back(f);
    }
    return list;
}

}  // namespace

TEST(FrameAnalysis, ExamplesGiveTheirFramesWholeAndInPiecesOfAnySize) {
    for (const FrameExample& e : FrameExamples()) {
        SCOPED_TRACE(e.name);
        // The index keeps where each frame begins in the records: its bytes are read there.
        const FrameList list = analyse(e);
        std::vector<std::string> rows;
        for (const Frame& f : list.frames) {
            std::vector<uint8_t> bytes;
            const auto at = static_cast<size_t>(f.offset);
            appendDataBytes(e.records.data() + at, e.records.size() - at,
                            static_cast<size_t>(f.bytes), bytes);
            rows.push_back(RowOf(f, bytes));
        }
        EXPECT_EQ(rows, e.rows);
        EXPECT_EQ(list.idleStepMicros, e.idleMode == 0 ? 0 : 1'000'000 / e.idleMode);
        for (const std::vector<size_t>& sizes : std::vector<std::vector<size_t>>{
                 {1}, {3}, {5, 2}, {7, 1, 4}, {13}, {e.records.size()}}) {
            EXPECT_EQ(RowsInPieces(e, sizes), e.rows) << "pieces of " << sizes[0];
        }
    }
}

TEST(FrameAnalysis, FramesKnowTheirDisplayWords) {
    // 'a' 0, idle 1-2, (line state), stamp 3-4, 'b' 5, 'c' 6, idle 7-8, 'd' 9.
    const FrameList list = analyse(FrameExamples()[1]);
    ASSERT_EQ(list.frames.size(), 2U);
    EXPECT_EQ(list.frames[0].firstWord, 0);
    EXPECT_EQ(list.frames[0].lastWord, 6);
    EXPECT_EQ(list.frames[1].firstWord, 9);
    EXPECT_EQ(list.frames[1].lastWord, 9);
}

TEST(FrameAnalysis, SummaryCountsFramesBytesRepliesBadCrcsAndNoiseApart) {
    const FrameSummary modbus = summarise(analyse(FrameExamples().back()));
    EXPECT_EQ(modbus.sd.frames, 5);
    EXPECT_EQ(modbus.sd.bytes, 40);
    EXPECT_EQ(modbus.sd.reply.count, 2);
    EXPECT_EQ(modbus.rd.frames, 2);
    EXPECT_EQ(modbus.rd.bytes, 12);
    EXPECT_EQ(modbus.rd.reply.max, 10'000);
    EXPECT_EQ(modbus.crcBad, 1);
    EXPECT_EQ(modbus.noise, 0);
    EXPECT_EQ(summarise(analyse(FrameExamples()[0])).crcBad, std::nullopt);
    const FrameSummary noise = summarise(analyse(FrameExamples()[4]));
    EXPECT_EQ(noise.crcBad, 0);
    EXPECT_EQ(noise.noise, 1);
    EXPECT_EQ(noise.rd.frames, 2);
    EXPECT_EQ(noise.rd.bytes, 15);
    // Gaps of unknown length are left out.
    const FrameSummary unknown = summarise(analyse(FrameExamples()[3]));
    EXPECT_EQ(unknown.rd.reply.count, 0);
    EXPECT_EQ(unknown.rd.frames, 2);

    const struct {
        std::initializer_list<int> ms;
        std::optional<int64_t> min, median, p95, max;
    } cases[] = {
        {{}, {}, {}, {}, {}},
        {{7}, 7000, 7000, 7000, 7000},
        {{40, 10, 30, 20}, 10'000, 25'000, 40'000, 40'000},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21},
         1000,
         11'000,
         20'000,
         21'000},
        {{10, 10, 20, 10, 30, 20, 10}, 10'000, 10'000, 30'000, 30'000},
    };
    for (const auto& c : cases) {
        FrameList list = Replies(c.ms);
        for (Frame& f : list.frames) {
            f.sd = false;  // every reply on RD
        }
        const ReplyStats r = summarise(list).rd.reply;
        EXPECT_EQ(r.count, static_cast<int64_t>(c.ms.size()));
        EXPECT_EQ(r.min, c.min);
        EXPECT_EQ(r.median, c.median);
        EXPECT_EQ(r.p95, c.p95);
        EXPECT_EQ(r.max, c.max);
    }
}

TEST(FrameAnalysis, ReplyTallyIsExactOverManyTimes) {
    // 100,000 reply times added out of order, in three values (as a polled line gives them) and
    // in many: the percentiles are those of the sorted list.
    const std::function<int64_t(int)> values[] = {
        [](int i) { return (i * 7919 % 100 < 90) ? 10'000 : (i % 2 == 0 ? 20'000 : 330'000); },
        [](int i) { return int64_t{i} * 48'271 % 99'991; },
    };
    for (const auto& value : values) {
        ReplyTally tally;
        std::vector<int64_t> all;
        for (int i = 0; i < 100'000; ++i) {
            tally.add(value(i));
            all.push_back(value(i));
        }
        std::sort(all.begin(), all.end());
        const ReplyStats s = tally.stats();
        EXPECT_EQ(s.count, 100'000);
        EXPECT_EQ(s.min, all.front());
        EXPECT_EQ(s.median, (all[49'999] + all[50'000]) / 2);
        EXPECT_EQ(s.p95, all[94'999]);
        EXPECT_EQ(s.max, all.back());
    }
}

TEST(FrameAnalysis, TimesAreWrittenWithoutTrailingZeros) {
    const struct {
        int64_t micros;
        const char* ms;
        const char* seconds;
    } cases[] = {
        {0, "0", "0.000000"},         {20'000, "20", "0.020000"},
        {521, "0.521", "0.000521"},   {1050, "1.05", "0.001050"},
        {-1500, "-1.5", "-0.001500"}, {86'400'000'001, "86400000.001", "86400.000001"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(msText(c.micros), c.ms);
        EXPECT_EQ(secondsText(c.micros), c.seconds);
    }
    // Reply times under the idle step, which the capture cannot tell apart, read "<" the step.
    const struct {
        int64_t micros, step;
        const char* ms;
    } replies[] = {{0, 10'000, "<10"},     {521, 10'000, "<10"}, {10'000, 10'000, "10"},
                   {30'000, 10'000, "30"}, {0, 100, "<0.1"},     {0, 0, "0"}};
    for (const auto& r : replies) {
        EXPECT_EQ(replyMsText(r.micros, r.step), r.ms) << r.micros << " " << r.step;
    }
    const uint8_t bytes[] = {0x00, 0xAB, 0x0F};
    EXPECT_EQ(hexText(bytes), "00 AB 0F");
    EXPECT_EQ(hexText({}), "");
}

TEST(FrameAnalysis, HistogramBinsAreWholeIdleSteps) {
    const ReplyHistogram h = histogramOf(Replies({0, 10, 49, 50, 450}), 20);
    EXPECT_EQ(h.binMicros, 50'000);  // 10 ms and 20 ms would need more than 20 bins
    EXPECT_EQ(h.sd, (std::vector<int64_t>{2, 0, 0, 0, 0, 0, 0, 0, 0, 1}));  // 0, 49, 450
    EXPECT_EQ(h.rd, (std::vector<int64_t>{1, 1, 0, 0, 0, 0, 0, 0, 0, 0}));  // 10, 50
    const ReplyHistogram sd = histogramOf(Replies({0, 10, 49, 50, 450}), 20, true);
    EXPECT_EQ(sd.binMicros, 50'000);
    EXPECT_EQ(sd.rd, std::vector<int64_t>(10, 0));
    const ReplyHistogram rd = histogramOf(Replies({0, 10, 49, 50, 450}), 20, false);
    EXPECT_EQ(rd.binMicros, 10'000);  // RD's replies alone fit in 10 ms bins
    EXPECT_EQ(rd.rd, (std::vector<int64_t>{0, 1, 0, 0, 0, 1}));
    const ReplyHistogram none = histogramOf(Replies({}), 20);
    EXPECT_EQ(none.binMicros, 10'000);
    EXPECT_EQ(none.rd.size(), 1U);
}

TEST(FrameAnalysis, ClockStaysExactOverManyIdleRecords) {
    // 9600 bit/s 8N1: a character is 1041.666... us. 100,000 times one byte and 10 ms of idle:
    // the last frame starts after 99,999 characters and 99,999 idle records, to the microsecond.
    SampleCapture c;
    for (int i = 0; i < 100'000; ++i) {
        c.Pairs({0x55}, true).Idle(1);
    }
    FrameList list;
    analyseFrames(c.bytes.data(), c.bytes.size(), LineTiming{9600, 1, 0, 0, 100}, {}, list);
    ASSERT_EQ(list.frames.size(), 100'000U);
    EXPECT_EQ(list.frames.back().startMicros, 99'999LL * 10'000 + 99'999LL * 10'000'000 / 9600);
    for (const Frame& f : list.frames) {
        if (f.gap() != 10'000 && &f != &list.frames.front()) {
            ADD_FAILURE() << "gap " << f.gapMicros << " at " << f.startMicros;
            break;
        }
    }
}

TEST(Modbus, NoiseNeverTakesARoleAndBadCrcsNeedTheShapeOfAFrame) {
    constexpr bool kSd = true;
    constexpr bool kRd = false;
    const auto request = [](SampleCapture& c, bool sd) {
        c.Pairs({0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}, sd);
    };
    const auto reply = [](SampleCapture& c) {
        c.Pairs({0x01, 0x03, 0x02, 0x12, 0x34, 0xB5, 0x33}, false);
    };
    struct Case {
        const char* name;
        SampleCapture records;
        std::vector<std::string> kinds;  // kind and CRC of each frame: "request ok", "noise"
    };
    std::vector<Case> cases;
    {
        Case c{"a stray byte before a reply in its run", {}, {"request ok", "noise", "reply ok"}};
        request(c.records, kSd);
        c.records.Idle(1).Pairs({0xFF}, kRd);
        reply(c.records);
        cases.push_back(c);
    }
    {
        Case c{"noise of the slave between request and reply",
               {},
               {"request ok", "noise", "reply ok"}};
        request(c.records, kSd);
        c.records.Idle(1).Pairs({0x00, 0x7F, 0x00}, kRd).Idle(1);
        reply(c.records);
        cases.push_back(c);
    }
    {
        Case c{"a bad CRC where a request fits, then stray bytes", {}, {"request bad", "noise"}};
        c.records.Pairs({0x01, 0x06, 0x00, 0x01, 0x00, 0x03, 0x00, 0x00, 0x01, 0x06}, kSd);
        cases.push_back(c);
    }
    {
        Case c{"bytes of no function code, too short for their length",
               {},
               {"noise", "noise", "request ok"}};
        c.records.Pairs({0x01, 0x41, 0x00, 0x00, 0x00, 0x00}, kSd).Idle(1);
        c.records.Pairs({0x01, 0x03, 0x02, 0x12}, kSd).Idle(1);
        request(c.records, kSd);
        cases.push_back(c);
    }
    {
        Case c{"an exception cut off", {}, {"request ok", "noise"}};
        request(c.records, kSd);
        c.records.Idle(1).Pairs({0x01, 0x83, 0x02, 0xC0}, kRd);
        cases.push_back(c);
    }
    FrameOptions modbusOn;
    modbusOn.modbus = true;
    for (const Case& c : cases) {
        FrameList list;
        analyseFrames(c.records.bytes.data(), c.records.bytes.size(),
                      LineTiming{10000, 1, 0, 0, 100}, modbusOn, list);
        std::vector<std::string> kinds;
        for (const Frame& f : list.frames) {
            kinds.push_back(f.noise() ? "noise"
                                      : std::string(modbus::kindName(f.modbus->kind)) +
                                            (f.modbus->crcOk ? " ok" : " bad"));
            if (f.noise()) {
                EXPECT_EQ(f.reply(), std::nullopt) << c.name;
            }
        }
        EXPECT_EQ(kinds, c.kinds) << c.name;
    }
}

TEST(Modbus, NextFrameByFunctionCodeLengthAndCrc) {
    const struct {
        std::vector<uint8_t> bytes;
        bool replyExpected;
        size_t length;
        modbus::Kind kind;
        bool crcOk;
    } cases[] = {
        // Write multiple registers: the request's length comes from its byte count, the reply
        // is eight bytes; the CRC tells them apart whatever was expected.
        {{0x01, 0x10, 0x00, 0x01, 0x00, 0x02, 0x04, 0x00, 0x0A, 0x01, 0x02, 0x92, 0x30},
         true,
         13,
         modbus::Kind::Request,
         true},
        {{0x01, 0x10, 0x00, 0x01, 0x00, 0x02, 0x10, 0x08, 0xFF},
         false,
         8,
         modbus::Kind::Reply,
         true},
        // Too short for a frame, an unknown function code: noise up to the end of the run.
        {{0x01, 0x03}, true, 2, modbus::Kind::Noise, false},
        {{0x01, 0x41, 0x00, 0x00, 0x00, 0x00}, false, 6, modbus::Kind::Noise, false},
        // A bad CRC in a longer run: the expected length, so the next frame can follow.
        {{0x01, 0x06, 0x00, 0x01, 0x00, 0x03, 0x00, 0x00, 0x01, 0x06},
         false,
         8,
         modbus::Kind::Request,
         false},
        // Noise ends where a good frame begins.
        {{0xAA, 0x01, 0x03, 0x02, 0x12, 0x34, 0xB5, 0x33}, true, 1, modbus::Kind::Noise, false},
        // An exception cut off after four bytes.
        {{0x01, 0x83, 0x02, 0xC0}, true, 4, modbus::Kind::Noise, false},
        {{0x01, 0x83, 0x02, 0xC0, 0xF1}, false, 5, modbus::Kind::Exception, true},
    };
    for (const auto& c : cases) {
        const modbus::Frame f = modbus::nextFrame(c.bytes.data(), c.bytes.size(), c.replyExpected);
        EXPECT_EQ(f.length, c.length) << c.bytes.size();
        EXPECT_EQ(f.kind, c.kind) << c.bytes.size();
        EXPECT_EQ(f.crcOk, c.crcOk) << c.bytes.size();
        EXPECT_EQ(f.unit, c.bytes[0]);
    }
}
