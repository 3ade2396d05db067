#include "capture/Capture.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

struct CountingSink : AutoSaveSink {
    explicit CountingSink(Capture& c) : capture(c) {}
    void AutoSaveBlock() override {
        blocks.emplace_back(capture.gbyteAutoDat().begin(),
                            capture.gbyteAutoDat().begin() + capture.glngAutoLen());
    }
    Capture& capture;
    std::vector<std::vector<uint8_t>> blocks;
};

std::vector<int> Words(const Capture& c) {
    return {c.gintDispDat().begin(), c.gintDispDat().begin() + c.glngDispLen()};
}

void Convert(Capture& c, const std::vector<uint8_t>& bytes) {
    c.CopyDat(bytes.data(), static_cast<int32_t>(bytes.size()));
}

}  // namespace

TEST(CaptureBuffer, CapacityRulesFollowTheSizeSetting) {
    RunState run;
    Capture c(run);
    c.AllocBuffer(1000);
    EXPECT_EQ(c.glngBufKeep(), 1'000'000);
    EXPECT_EQ(c.glngBufSpare(), 10'000);
    c.AllocBuffer(500);
    EXPECT_EQ(c.glngBufKeep(), 500'000);
    EXPECT_EQ(c.glngBufSpare(), 100'000);
    c.AllocBuffer(50);
    EXPECT_EQ(c.glngBufKeep(), 50'000);
    EXPECT_EQ(c.glngBufSpare(), 50'000);
    c.AllocBuffer(99);
    EXPECT_EQ(c.glngBufSpare(), 99'000);
    c.AllocBuffer(100);
    EXPECT_EQ(c.glngBufSpare(), 20'000);
    // Nonsense from a settings file never gives an empty or negative buffer.
    c.AllocBuffer(-5);
    EXPECT_EQ(c.glngBufKeep(), 1000);
    EXPECT_GE(c.gbyteDat().size(), 2001u);
}

TEST(CaptureBuffer, FullBufferDropsTheOldestSpareInOneBlock) {
    RunState run;
    Capture c(run);
    c.AllocBuffer(1000);
    for (int32_t i = 0; i < 1'010'000; ++i) {
        c.StoreByte(static_cast<uint8_t>(i % 251));
        ASSERT_LT(c.glngDatLen(), c.glngBufKeep() + c.glngBufSpare());
    }
    EXPECT_EQ(c.glngDatLen(), 1'000'000);
    EXPECT_EQ(c.gbyteDat()[0], 10'000 % 251);
    EXPECT_EQ(c.gbyteDat()[999'999], 1'009'999 % 251);
}

TEST(CaptureBuffer, WordsHeldAndDroppedAddUpToEveryWordStored) {
    // Random records whose time-stamp and idle bytes often look like record starts (32, 48,
    // 64..99), so that the conversion after a cut has to fall back into step.
    std::mt19937 rng(11);
    for (const int32_t size : {1, 3}) {
        RunState run;
        Capture c(run);
        c.AllocBuffer(size);
        std::vector<uint8_t> all;
        int64_t shifts = 0;
        for (int i = 0; i < 40'000; ++i) {
            std::vector<uint8_t> record;
            switch (rng() % 8) {
                case 0:
                    record = {static_cast<uint8_t>(0x40 | rng() % 64), 0x30};
                    break;
                case 1:
                case 2: {
                    const auto v = [&] {
                        return static_cast<uint8_t>(rng() % 3 ? rng() % 100 : 32 + rng() % 2 * 16);
                    };
                    record = {rng() % 2 ? uint8_t{0x20} : uint8_t{0x30}, v(), v(), v()};
                    break;
                }
                default:
                    record = {static_cast<uint8_t>(0x80 | rng() % 64),
                              static_cast<uint8_t>(0xC0 | rng() % 64)};
            }
            for (const uint8_t b : record) {
                const int32_t before = c.glngDatLen();
                c.StoreByte(b);
                all.push_back(b);
                shifts += c.glngDatLen() < before ? 1 : 0;
            }
            if (i % 97 == 0) {
                Capture whole(run);
                whole.AllocBuffer(1);
                whole.CopyDat(all.data(), static_cast<int32_t>(all.size()));
                c.CopyDat(c.gbyteDat().data(), c.glngDatLen());
                ASSERT_EQ(c.countWords(), c.glngDispLen()) << i;
                ASSERT_EQ(c.countWords() + c.droppedWords(), whole.glngDispLen()) << i;
            }
        }
        EXPECT_GT(shifts, 20);
        c.ClearDat();
        EXPECT_EQ(c.droppedWords(), 0);
        EXPECT_EQ(c.countWords(), 0);
    }
}

TEST(CaptureBuffer, AutoSaveBlockIsHandedOverWhenFullAndNeverOverruns) {
    RunState run;
    Capture c(run);
    c.AllocBuffer(1);
    CountingSink sink(c);
    c.StoreByte(1);  // not collected while auto-save is off
    EXPECT_EQ(c.glngAutoLen(), 0);
    run.gintAutoSave = 1;
    for (int i = 0; i < 2500; ++i) {
        c.StoreByte(static_cast<uint8_t>(i));
    }
    c.setAutoSaveSink(&sink);  // the first full block came without a writer: dropped safely
    for (int i = 0; i < 1000; ++i) {
        c.StoreByte(static_cast<uint8_t>(i));
    }
    ASSERT_EQ(sink.blocks.size(), 1u);
    EXPECT_EQ(sink.blocks[0].size(), 1000u);
    EXPECT_EQ(sink.blocks[0][0], 2000 % 256);  // continues the block in progress
    EXPECT_EQ(c.glngAutoLen(), 500);
}

TEST(CopyDat, ConvertsEveryRecordKind) {
    RunState run;
    Capture c(run);
    c.AllocBuffer(1);
    Convert(c, {
                   0x85, 0xC3,        // RD 0x53
                   0xA4, 0xD1,        // SD 0x41 framing error
                   0x94, 0xC1,        // RD 0x41 parity error
                   0xB4, 0xD1,        // SD parity and framing: framing wins
                   0x45, 0x30,        // line state: no word
                   0x30, 12, 34, 56,  // time stamp
                   0x20, 1, 23, 45,   // idle 012345
               });
    EXPECT_EQ(Words(c), (std::vector<int>{0x53, 0x541, 0x241, 0x541, 0x300C, 3456, 0x2001, 2345}));
}

TEST(CopyDat, ResynchronisesAfterACutAndDropsACutOffRecord) {
    RunState run;
    Capture c(run);
    c.AllocBuffer(1);
    // Starts with a second byte and stamp tail bytes, ends with half a pair.
    Convert(c, {0xC3, 0x05, 0x85, 0xC3, 0x01, 0x20, 0, 0, 7, 0x85});
    EXPECT_EQ(Words(c), (std::vector<int>{0x53, 0x2000, 7}));
    // A time stamp cut after three bytes is dropped too.
    Convert(c, {0x85, 0xC3, 0x30, 1, 2});
    EXPECT_EQ(Words(c), (std::vector<int>{0x53}));
    Convert(c, {0x41, 0x30, 0x42, 0x30});
    EXPECT_EQ(c.glngDispLen(), 0);
}

TEST(CaptureBuffer, ClearDatEmptiesEverything) {
    RunState run;
    Capture c(run);
    c.AllocBuffer(1);
    run.gintAutoSave = 1;
    c.StoreByte(0x85);
    c.setPending(-1, 0x85);
    Convert(c, {0x85, 0xC3, 0x85, 0xC3});
    c.glngCursol = {4, 5};
    c.ClearDat();
    EXPECT_EQ(c.glngDatLen(), 0);
    EXPECT_EQ(c.glngAutoLen(), 0);
    EXPECT_EQ(c.glngDispLen(), 0);
    EXPECT_EQ(c.gintPending(), 0);
    EXPECT_EQ(c.gbyteDat()[0], 0);
    EXPECT_EQ(c.glngCursol, std::vector<int32_t>{-1});
}
