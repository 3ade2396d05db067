// The frame index fed as a buffer grows: the frames a whole analysis finds, whatever the
// batches; quiet lines, dropped bytes, and the marks of the frames over their words.
#include <gtest/gtest.h>

#include <algorithm>

#include "analysis/FrameExamples.h"
#include "analysis/FrameIndex.h"

namespace {

LineTiming Line(int16_t idleMode) {
    return LineTiming{10000, 1, 0, 0, idleMode};
}

void ExpectSameFrames(const std::deque<Frame>& got, const std::deque<Frame>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].offset, want[i].offset);
        EXPECT_EQ(got[i].firstWord, want[i].firstWord);
        EXPECT_EQ(got[i].lastWord, want[i].lastWord);
        EXPECT_EQ(got[i].bytes, want[i].bytes);
        EXPECT_EQ(got[i].startMicros, want[i].startMicros);
        EXPECT_EQ(got[i].gapMicros, want[i].gapMicros);
        EXPECT_EQ(got[i].replyMicros, want[i].replyMicros);
        EXPECT_EQ(got[i].check, want[i].check);
    }
}

}  // namespace

TEST(FrameIndexTest, BatchesOfAnySizeGiveTheFramesOfTheWholeCapture) {
    for (const FrameExample& e : FrameExamples()) {
        for (const char* protocol : {"idle", "modbus-rtu", "lines"}) {
            SCOPED_TRACE(std::string(e.name) + " / " + protocol);
            FrameOptions options = frameOptionsNamed(protocol, {}, e.gapMs * 1000LL);
            FrameList all;
            analyseFrames(e.records.data(), e.records.size(), Line(e.idleMode), options, all);
            // The index holds them in the order they begin (framed by direction, an SD frame
            // may end after an RD frame that began later).
            std::stable_sort(all.frames.begin(), all.frames.end(),
                             [](const Frame& a, const Frame& b) { return a.offset < b.offset; });
            for (size_t batch : {1, 3, 7, 64}) {
                FrameIndex index;
                index.reset(Line(e.idleMode), options);
                for (size_t held = 0; held < e.records.size();) {
                    held = std::min(held + batch, e.records.size());
                    index.feed({e.records.data(), held}, 0);
                }
                index.finish();
                ExpectSameFrames(index.frames(), all.frames);
            }
        }
    }
}

TEST(FrameIndexTest, AQuietLineEndsTheOpenFrameAndDroppedBytesTakeTheirFrames) {
    // The Modbus example up to the end of its first request, before the idle record after it.
    const FrameExample e = FrameExamples().back();
    FrameIndex index;
    index.reset(Line(100), frameOptionsNamed("modbus-rtu", {}));
    index.feed({e.records.data(), 16}, 0);
    EXPECT_TRUE(index.frames().empty());
    index.quiet(10'000);
    ASSERT_EQ(index.frames().size(), 1U);
    EXPECT_EQ(index.frames()[0].check, proto::CheckState::Ok);
    EXPECT_EQ(index.takeChanged(), 0U);
    EXPECT_EQ(index.takeChanged(), 1U);  // nothing new since

    // The idle record after it; then the buffer drops its first 20 bytes: what comes next
    // lies 20 bytes lower, and the first frame, which began in them, leaves the index.
    index.feed({e.records.data(), 20}, 0);
    std::vector<uint8_t> shifted(e.records.begin() + 20, e.records.end());
    index.feed(shifted, 20);
    index.finish();
    EXPECT_EQ(index.droppedFrames(), 1);
    ASSERT_EQ(index.frames().size(), 6U);
    EXPECT_EQ(index.frames()[0].offset, 20);  // offsets count from the first record fed
    EXPECT_EQ(index.frames()[0].gapMicros, 10'000);

    // The marks of the words: a start at each frame's first word; the bad CRC of the third
    // frame (words 19 .. 26) outlined over its bytes.
    std::vector<uint8_t> rd(40), sd(40);
    markFrames(
        index, 0, [](int32_t, bool) { return true; }, rd, sd);
    EXPECT_EQ(rd[10], FrameMark::kStart);  // the reply, after the idle record's two words
    EXPECT_EQ(sd[19], FrameMark::kStart | FrameMark::kBad | FrameMark::kBadFirst);
    EXPECT_EQ(sd[22], FrameMark::kBad);
    EXPECT_EQ(sd[26], FrameMark::kBad | FrameMark::kBadLast);
    EXPECT_EQ(sd[0], 0);  // the first frame left the index
    EXPECT_EQ(index.frameAt(22, true), 1U);
    EXPECT_FALSE(index.frameAt(22, false));
}
