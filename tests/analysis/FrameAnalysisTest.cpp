// Frames, reply times and Modbus frames of hand-built captures.
#include <gtest/gtest.h>

#include "analysis/FrameAnalysis.h"
#include "analysis/FrameExamples.h"
#include "analysis/FrameSummary.h"

namespace {

PcapLine LineOf(const FrameExample& e) {
    return PcapLine{10000, 1, 0, 0, e.idleMode};
}

FrameList analyse(const FrameExample& e) {
    FrameList list;
    analyseFrames(e.records.data(), static_cast<int32_t>(e.records.size()), LineOf(e),
                  FrameOptions{e.gapMs * 1000LL, e.modbus}, list);
    return list;
}

std::string RowOf(const FrameList& list, const Frame& f) {
    const auto ms = [](const std::optional<int64_t>& v) { return v ? msText(*v) : ""; };
    std::string row = std::string(f.sd ? "SD," : "RD,") + secondsText(f.startMicros) + ',' +
                      std::to_string(f.bytes) + ',' + std::to_string(f.errors) + ',' +
                      ms(f.gapMicros) + ',' + ms(f.replyMicros()) + ',' + hexText(list.bytesOf(f));
    if (f.modbus) {
        row += ',' + std::to_string(f.modbus->unit) + ',' + std::to_string(f.modbus->function) +
               ',' + modbus::kindName(f.modbus->kind) + (f.modbus->crcOk ? ",true" : ",false");
    }
    return row;
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
        f.gapMicros = v * 1000LL;
        f.afterOther = true;
        list.frames.push_back(f);
    }
    return list;
}

}  // namespace

TEST(FrameAnalysis, ExamplesGiveTheirFrames) {
    for (const FrameExample& e : FrameExamples()) {
        SCOPED_TRACE(e.name);
        const FrameList list = analyse(e);
        std::vector<std::string> rows;
        for (const Frame& f : list.frames) {
            rows.push_back(RowOf(list, f));
        }
        EXPECT_EQ(rows, e.rows);
        EXPECT_EQ(list.idleStepMicros, e.idleMode == 0 ? 0 : 1'000'000 / e.idleMode);
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

TEST(FrameAnalysis, SummaryCountsFramesBytesRepliesAndBadCrcs) {
    const FrameSummary modbus = summarise(analyse(FrameExamples()[4]));
    EXPECT_EQ(modbus.sd.frames, 5);
    EXPECT_EQ(modbus.sd.bytes, 40);
    EXPECT_EQ(modbus.sd.reply.count, 2);
    EXPECT_EQ(modbus.rd.frames, 2);
    EXPECT_EQ(modbus.rd.bytes, 12);
    EXPECT_EQ(modbus.rd.reply.max, 10'000);
    EXPECT_EQ(modbus.crcBad, 1);
    EXPECT_EQ(summarise(analyse(FrameExamples()[0])).crcBad, std::nullopt);

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
    };
    for (const auto& c : cases) {
        FrameList list = Replies(c.ms);
        for (Frame& f : list.frames) {
            f.sd = false;  // every reply on RD
        }
        const ReplyStats r = summarise(list).rd.reply;
        EXPECT_EQ(r.count, static_cast<int32_t>(c.ms.size()));
        EXPECT_EQ(r.min, c.min);
        EXPECT_EQ(r.median, c.median);
        EXPECT_EQ(r.p95, c.p95);
        EXPECT_EQ(r.max, c.max);
    }
}

TEST(FrameAnalysis, HistogramBinsAreWholeIdleSteps) {
    const ReplyHistogram h = histogramOf(Replies({0, 10, 49, 50, 450}), 20);
    EXPECT_EQ(h.binMicros, 50'000);  // 10 ms and 20 ms would need more than 20 bins
    EXPECT_EQ(h.sd, (std::vector<int32_t>{2, 0, 0, 0, 0, 0, 0, 0, 0, 1}));  // 0, 49, 450
    EXPECT_EQ(h.rd, (std::vector<int32_t>{1, 1, 0, 0, 0, 0, 0, 0, 0, 0}));  // 10, 50
    const ReplyHistogram sd = histogramOf(Replies({0, 10, 49, 50, 450}), 20, true);
    EXPECT_EQ(sd.binMicros, 50'000);
    EXPECT_EQ(sd.rd, std::vector<int32_t>(10, 0));
    const ReplyHistogram rd = histogramOf(Replies({0, 10, 49, 50, 450}), 20, false);
    EXPECT_EQ(rd.binMicros, 10'000);  // RD's replies alone fit in 10 ms bins
    EXPECT_EQ(rd.rd, (std::vector<int32_t>{0, 1, 0, 0, 0, 1}));
    const ReplyHistogram none = histogramOf(Replies({}), 20);
    EXPECT_EQ(none.binMicros, 10'000);
    EXPECT_EQ(none.rd.size(), 1U);
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
        // Too short for a frame, an unknown function code: the rest of the run.
        {{0x01, 0x03}, true, 2, modbus::Kind::Reply, false},
        {{0x01, 0x41, 0x00, 0x00, 0x00, 0x00}, false, 6, modbus::Kind::Request, false},
        // A bad CRC in a longer run: the expected length, so the next frame can follow.
        {{0x01, 0x06, 0x00, 0x01, 0x00, 0x03, 0x00, 0x00, 0x01, 0x06},
         false,
         8,
         modbus::Kind::Request,
         false},
        // An exception cut off after four bytes.
        {{0x01, 0x83, 0x02, 0xC0}, true, 4, modbus::Kind::Exception, false},
    };
    for (const auto& c : cases) {
        const modbus::Frame f = modbus::nextFrame(c.bytes.data(), c.bytes.size(), c.replyExpected);
        EXPECT_EQ(f.length, c.length) << c.bytes.size();
        EXPECT_EQ(f.kind, c.kind) << c.bytes.size();
        EXPECT_EQ(f.crcOk, c.crcOk) << c.bytes.size();
        EXPECT_EQ(f.unit, c.bytes[0]);
    }
}
