#include "link/Decoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/FakeClock.h"
#include "support/RecordingObserver.h"

namespace {

class DecoderTest : public ::testing::Test {
  protected:
    DecoderTest()
        : capture(run), decoder(run, capture, settings, DecoderObservers{&rec}, rec, clock) {
        capture.AllocBuffer(4);
        rec.run = &run;
        clock.SetTime(12, 34, 56);
    }

    void Feed(std::vector<uint8_t> bytes) { decoder.onReceive(bytes.data(), bytes.size()); }
    void Feed(const std::string& s) {
        decoder.onReceive(reinterpret_cast<const uint8_t*>(s.data()), s.size());
    }
    std::vector<uint8_t> Stored() const {
        return {capture.gbyteDat().begin(), capture.gbyteDat().begin() + capture.glngDatLen()};
    }

    RunState run;
    Settings settings;
    Capture capture;
    RecordingObserver rec;
    FakeClock clock;
    Decoder decoder;
};

}  // namespace

TEST_F(DecoderTest, AcceptedStartStoresDataFromTheSameBatch) {
    run.gintStartTry = 1;
    Feed(std::vector<uint8_t>{'O', 'K', '\r', 0x85, 0xC3});
    EXPECT_EQ(run.gintRun, 1);
    EXPECT_EQ(run.gintStartTry, 0);
    EXPECT_EQ(Stored(), (std::vector<uint8_t>{0x85, 0xC3}));
    EXPECT_EQ(rec.Count("accepted"), 1);
    EXPECT_EQ(rec.Count("disp " + std::to_string(0x85C3)), 1);
    EXPECT_TRUE(decoder.lstrRecv.empty());
}

TEST_F(DecoderTest, RefusedStartIsRetriedThreeTimesThenReportedOnce) {
    run.gintStartTry = 1;
    for (int attempt = 1; attempt <= 4; ++attempt) {
        Feed("NG\r\x85\xC3");  // bytes after a refusal are discarded
        if (attempt < 4) {
            run.gintStartTry += 1;  // the sender counts each "G01" it sends
        }
    }
    EXPECT_EQ(rec.Count("queue G01"), 3);
    EXPECT_EQ(rec.Count("refused"), 1);
    EXPECT_EQ(run.gintStartTry, 0);
    EXPECT_EQ(run.gintRun, 0);
    EXPECT_EQ(capture.glngDatLen(), 0);
    EXPECT_EQ(rec.Count("send"), 4);
}

TEST_F(DecoderTest, ProbeReplyIsKeptAcrossTheCrAndOtherRepliesAreCleared) {
    decoder.lintProbe = 1;
    Feed("L1");
    Feed("23\r");
    EXPECT_EQ(decoder.lstrRecv, "L123\r");
    decoder.lintProbe = 0;
    decoder.lstrRecv.clear();
    Feed("whatever\r");
    EXPECT_TRUE(decoder.lstrRecv.empty());
    // A runaway reply without CR never grows without bound.
    Feed(std::string(100000, 'x'));
    EXPECT_LE(decoder.lstrRecv.size(), 256u);
}

TEST_F(DecoderTest, PairSplitAcrossBatchesIsStoredWhenComplete) {
    run.gintRun = 1;
    Feed(std::vector<uint8_t>{0xA4});
    EXPECT_EQ(capture.glngDatLen(), 0);
    EXPECT_EQ(capture.gintPending(), -1);
    Feed(std::vector<uint8_t>{0xD1});
    EXPECT_EQ(Stored(), (std::vector<uint8_t>{0xA4, 0xD1}));
    EXPECT_EQ(capture.gintPending(), 0);
}

TEST_F(DecoderTest, LineStateEdgesFireInOrderAndRepeatsAreIgnored) {
    run.gintRun = 1;
    settings.gintLineState = 1;
    decoder.ResetLineState();
    rec.calls.clear();
    Feed(std::vector<uint8_t>{0x45, 0x45});
    EXPECT_EQ(rec.calls,
              (std::vector<std::string>{"idle 0", "green 0", "trig1 0", "green 2", "trig1 2"}));
    EXPECT_EQ(Stored(), (std::vector<uint8_t>{0x45, 0x30}));
    rec.calls.clear();
    settings.gintLineState = 0;  // bar hidden: pictures untouched, triggers still fire
    Feed(std::vector<uint8_t>{0x44});
    EXPECT_EQ(rec.Count("gray"), 0);
    EXPECT_EQ(rec.Count("trig2 0"), 1);
}

TEST_F(DecoderTest, LineStateBetweenPairBytesIsStoredBeforeThePair) {
    run.gintRun = 1;
    Feed(std::vector<uint8_t>{0x85, 0x41, 0xC3});
    EXPECT_EQ(Stored(), (std::vector<uint8_t>{0x41, 0x30, 0x85, 0xC3}));
}

TEST_F(DecoderTest, BackgroundModeStoresWithoutDrawing) {
    run.gintRun = 1;
    run.gintRireki = 1;
    run.gintStampReq = -1;
    Feed(std::vector<uint8_t>{0x85, 0xC3, 0xA5, 0xC3});
    EXPECT_EQ(rec.Count("disp"), 0);
    EXPECT_EQ(rec.Count("stamp"), 0);
    EXPECT_EQ(capture.glngDatLen(), 8);
}

TEST_F(DecoderTest, RecordOrderIsLineStateIdleStampData) {
    run.gintRun = 1;
    run.gintIdleReq = -1;
    std::snprintf(run.gstrIdle, sizeof run.gstrIdle, "%s", "012345");
    run.gintStampReq = -1;
    Feed(std::vector<uint8_t>{0x41, 0x85, 0xC3, 0x85, 0xC4});
    EXPECT_EQ(Stored(), (std::vector<uint8_t>{0x41, 0x30, 0x20, 1, 23, 45, 0x30, 12, 34, 56, 0x85,
                                              0xC3, 0x85, 0xC4}));
    EXPECT_EQ(rec.Count("stamp 123456"), 1);
    EXPECT_EQ(run.gintIdleReq, 0);
    EXPECT_EQ(run.gintStampReq, 0);
}

TEST_F(DecoderTest, TimersRestartEveryBatchAndOnlyDataMovesTheIdleStart) {
    run.gintRun = 1;
    settings.gintIdleMode = 10;
    settings.gintTimeStamp = 1;
    run.gsngIdleStart = 5.0f;
    Feed(std::vector<uint8_t>{0x41});
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"idle 0", "stampTimer 0", "trig1 0", "idle 1",
                                                   "stampTimer 1"}));
    EXPECT_FLOAT_EQ(run.gsngIdleStart, 5.0f);
    clock.SetTime(1, 0, 0, 500);
    Feed(std::vector<uint8_t>{0x85});
    EXPECT_FLOAT_EQ(run.gsngIdleStart, 3600.5f);
}

TEST_F(DecoderTest, PendingStopsCompleteOncePastTheirPosition) {
    run.gintRun = 1;
    run.gintAutoSave = 1;
    run.gintStopReq = -1;
    run.glngStopPos = 2;
    run.gintSaveStopReq = -1;
    run.glngSaveStopPos = 0;
    Feed(std::vector<uint8_t>{0x85, 0xC3, 0x85, 0xC3, 0x85, 0xC3});
    EXPECT_EQ(rec.calls[1], "disp " + std::to_string(0x85C3));
    EXPECT_EQ(rec.Count("flush"), 1);
    EXPECT_EQ(run.gintAutoSave, 0);
    EXPECT_EQ(run.gintSaveStopReq, 0);
    EXPECT_EQ(rec.Count("stop"), 1);
    EXPECT_EQ(run.gintStopReq, 0);
    // The stop does not end the batch: everything is stored, but drawn only before it.
    EXPECT_EQ(capture.glngDatLen(), 6);
    EXPECT_EQ(rec.Count("disp"), 2);
}

TEST_F(DecoderTest, StraySecondBytesAndOrphanFirstBytesNeverReachTheBuffer) {
    run.gintRun = 1;
    // 0x0D and 0x30 are not capture bytes: stored, they would read back as records.
    Feed(std::vector<uint8_t>{0xC1, 0x85, 0x0D, 0x86, 0x30, 0xC3, 0xC4});
    EXPECT_EQ(Stored(), (std::vector<uint8_t>{0x86, 0xC3}));
    // An orphan carried over is replaced by the next first byte, as within a batch.
    Feed(std::vector<uint8_t>{0x81});
    Feed(std::vector<uint8_t>{0x82});
    Feed(std::vector<uint8_t>{0xC5, 0xC6});
    EXPECT_EQ(Stored(), (std::vector<uint8_t>{0x86, 0xC3, 0x82, 0xC5}));
}

// The port may hand over the stream in any split: the stored bytes must not depend on it.
TEST_F(DecoderTest, AnySplitOfTheStreamStoresTheSameBytes) {
    std::mt19937 rng(7);
    std::vector<uint8_t> stream;
    uint8_t line = 0x40;
    while (stream.size() < 200'000) {
        const int r = static_cast<int>(rng() % 100);
        if (r < 85) {  // a data pair
            const uint8_t v = static_cast<uint8_t>(rng());
            stream.push_back(static_cast<uint8_t>(0x80 | (rng() % 4) << 4 | v >> 4));
            stream.push_back(static_cast<uint8_t>(0xC0 | (rng() % 2) << 4 | (v & 0x0F)));
        } else if (r < 90) {
            line = static_cast<uint8_t>(0x40 | (rng() & 0x3F));
            stream.push_back(line);
        } else {
            stream.push_back(static_cast<uint8_t>(0x80 | (rng() & 0x7F)));  // noise
        }
    }
    auto decode = [&](bool whole) {
        RunState r;
        r.gintRun = 1;
        Capture c(r);
        c.AllocBuffer(4000);
        Settings s;
        RecordingObserver sink;
        Decoder d(r, c, s, DecoderObservers{&sink}, sink, clock);
        size_t pos = 0;
        while (pos < stream.size()) {
            size_t n = whole ? stream.size() : 1 + rng() % 32768;
            if (rng() % 4 == 0) {
                n = 1 + rng() % 3;  // many tiny batches too
            }
            n = std::min(n, stream.size() - pos);
            d.onReceive(stream.data() + pos, n);
            pos += n;
        }
        return std::vector<uint8_t>(c.gbyteDat().begin(), c.gbyteDat().begin() + c.glngDatLen());
    };
    const std::vector<uint8_t> reference = decode(true);
    ASSERT_GT(reference.size(), 100'000u);
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(decode(false), reference) << "round " << round;
    }
}
