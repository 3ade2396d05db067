#include "trigger/TriggerEngine.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "capture/Records.h"
#include "link/Decoder.h"
#include "support/FakeClock.h"
#include "support/ScriptedPrompts.h"

namespace {

constexpr int kSD = 256;
constexpr int kRD = 0;
constexpr int16_t kCountAction = 3;

// The program around the engine: the live view feeds it as the monitor window does (errors
// first, framing before parity), the decoder completes the pending stops.
struct Rig final : DecoderObserver, CommandSink {
    Rig() : capture(run), engine(triggers, run, capture, clock) {
        capture.AllocBuffer(1);
        run.gintRun = 1;
    }

    void DispMonitor(uint8_t first, uint8_t second) override {
        if (rec::hasFramingError(second)) {
            engine.TrigCheckErr(2);
        } else if (rec::hasParityError(first)) {
            engine.TrigCheckErr(1);
        } else {
            engine.TrigCheckChr(rec::isSd(first) ? kSD : kRD, rec::pairValue(first, second));
        }
    }
    void RunStop() override {
        stoppedAt.push_back(capture.glngDatLen());
        run.gintRun = 0;
        run.gintRireki = 1;
    }
    void AutoSaveFlush() override { flushedAt.push_back(capture.glngDatLen()); }
    void queueCommand(const std::string&) override {}
    void enableSend() override {}

    // One data record through the decoder, in its own batch.
    void Data(int direction, uint8_t v, bool parity = false, bool framing = false) {
        const uint8_t bytes[] = {static_cast<uint8_t>(0x80 | (direction != 0 ? 0x20 : 0) |
                                                      (parity ? 0x10 : 0) | (v >> 4)),
                                 static_cast<uint8_t>(0xC0 | (framing ? 0x10 : 0) | (v & 0x0F))};
        decoder.onReceive(bytes, sizeof bytes);
    }
    // Fills the buffer with n RD records of 0x30 without the decoder.
    void Fill(int32_t n) {
        for (int32_t i = 0; i < n; ++i) {
            capture.StoreByte(0x83);
            capture.StoreByte(0xC0);
        }
    }
    // Trigger n on RS turning on, with the given action.
    void OnRs(int n, int16_t action) {
        triggers.gintTrigType[n] = 4;
        triggers.gintLineEdge[0][n] = 1;
        triggers.gintAction[n] = action;
    }
    // Trigger n on a string given as hexadecimal codes, counting.
    void OnString(int n, const std::string& codes, const std::string& length) {
        triggers.gintTrigType[n] = 1;
        triggers.gstrChrLen[n] = length;
        for (size_t j = 0; j < codes.size() / 2; ++j) {
            triggers.gbyteChrCode[n][j] = Triggers::hexCode(codes, static_cast<int>(j));
        }
        triggers.gintAction[n] = kCountAction;
    }

    RunState run;
    Settings settings;
    Capture capture;
    Triggers triggers;
    FakeClock clock;
    ScriptedPrompts prompts;
    TriggerEngine engine;
    Decoder decoder{run, capture, settings, DecoderObservers{this, &engine}, *this, clock};
    std::vector<int32_t> stoppedAt;
    std::vector<int32_t> flushedAt;
};

struct StringCase {
    const char* name;
    const char* codes;   // hexadecimal
    const char* length;  // gstrChrLen
    const char* data;    // records: S or R, the byte in hexadecimal, P or F for an error
    int fired;
};

class StringMatch : public ::testing::TestWithParam<StringCase> {};

TEST_P(StringMatch, FiresAsOften) {
    const StringCase& c = GetParam();
    Rig rig;
    rig.OnString(2, c.codes, c.length);
    std::istringstream records(c.data);
    for (std::string r; records >> r;) {
        rig.Data(r[0] == 'S' ? kSD : kRD, Triggers::hexCode(r.substr(1), 0),
                 r.size() > 3 && r[3] == 'P', r.size() > 3 && r[3] == 'F');
    }
    EXPECT_EQ(rig.triggers.glngTrigCount[2], c.fired);
}

INSTANTIATE_TEST_SUITE_P(
    TriggerEngine, StringMatch,
    ::testing::Values(
        // The third 41 breaks the match and is not tried as a first code; 42 then is no 41.
        StringCase{"BrokenMatchIsNotRetried", "414142", "3", "S41 S41 S41 S42", 0},
        StringCase{"Found", "414142", "3", "S41 S41 S42", 1},
        StringCase{"OtherDirectionInBetween", "4142", "2", "S41 R78 S42", 1},
        StringCase{"CodesSplitOverDirections", "4142", "2", "S41 R42", 0},
        StringCase{"EachDirectionMatchesOnItsOwn", "0D0A", "2", "R0D S0D S0A R0A", 2},
        StringCase{"ErrorRecordNeitherAdvancesNorResets", "4142", "2", "S41 S42P S42F S42", 1},
        StringCase{"LengthZeroFiresOnEachFirstCode", "41", "0", "S41 R41 S42 S41", 3},
        StringCase{"FullStorage", "0102030405060708090A0B", "11",
                   "R01 R02 R03 R04 R05 R06 R07 R08 R09 R0A R0B R01", 1}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(TriggerEngine, SeveralTriggersFireOnOneEventAndOthersIgnoreIt) {
    Rig rig;
    rig.OnString(0, "41", "1");
    rig.OnString(3, "41", "1");
    rig.OnRs(1, kCountAction);
    rig.triggers.gintTrigType[4] = 3;  // an error trigger sees no good bytes
    rig.triggers.gintErrType[4] = 3;
    rig.triggers.gintAction[4] = kCountAction;
    rig.Data(kSD, 0x41);
    EXPECT_EQ(rig.triggers.glngTrigCount, (std::array<int32_t, 5>{1, 0, 0, 1, 0}));
}

TEST(TriggerEngine, EditedDefinitionsApplyFromTheNextByte) {
    Rig rig;
    rig.Data(kSD, 0x41);  // checked while no trigger is set
    const struct {
        const char* edit;
        void (*apply)(Rig&);
        std::array<int32_t, 5> counts;  // after one more SD 41
    } steps[] = {
        {"string trigger 2 set", [](Rig& r) { r.OnString(2, "41", "1"); }, {0, 0, 1, 0, 0}},
        {"trigger 2 made an error trigger",
         [](Rig& r) { r.triggers.gintTrigType[2] = 3; },
         {0, 0, 1, 0, 0}},
        {"trigger 2 a string again",
         [](Rig& r) { r.triggers.gintTrigType[2] = 1; },
         {0, 0, 2, 0, 0}},
        {"the one string trigger is 4 now",
         [](Rig& r) {
             r.triggers.gintTrigType[2] = 0;
             r.OnString(4, "41", "1");
         },
         {0, 0, 2, 0, 1}},
        {"a second string trigger before it",
         [](Rig& r) { r.OnString(0, "41", "1"); },
         {1, 0, 2, 0, 2}},
        {"trigger 4 waits for another code",
         [](Rig& r) { r.triggers.gbyteChrCode[4][0] = 0x42; },
         {2, 0, 2, 0, 2}},
        {"no trigger", [](Rig& r) { r.triggers.gintTrigType = {}; }, {2, 0, 2, 0, 2}},
        {"the last trigger alone", [](Rig& r) { r.OnString(4, "41", "1"); }, {2, 0, 2, 0, 3}},
    };
    for (const auto& step : steps) {
        step.apply(rig);
        rig.Data(kSD, 0x41);
        EXPECT_EQ(rig.triggers.glngTrigCount, step.counts) << step.edit;
    }
}

struct ErrorCase {
    int16_t mask;
    bool parity, framing;
    bool fires;
};

class ErrorMatch : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ErrorMatch, MaskAgainstTheReportedError) {
    const ErrorCase& c = GetParam();
    Rig rig;
    rig.triggers.gintTrigType[0] = 3;
    rig.triggers.gintErrType[0] = c.mask;
    rig.triggers.gintAction[0] = kCountAction;
    rig.Data(kRD, 0x55, c.parity, c.framing);
    EXPECT_EQ(rig.triggers.glngTrigCount[0], c.fires ? 1 : 0);
}

// A record with both errors is reported as a framing error only.
INSTANTIATE_TEST_SUITE_P(
    TriggerEngine, ErrorMatch,
    ::testing::Values(ErrorCase{1, true, false, true}, ErrorCase{1, false, true, false},
                      ErrorCase{1, true, true, false}, ErrorCase{2, true, true, true},
                      ErrorCase{3, true, true, true}, ErrorCase{2, true, false, false},
                      ErrorCase{3, false, false, false}, ErrorCase{0, true, true, false}));

TEST(TriggerEngine, LineTriggersWaitForTheirEdgeOnTheirLine) {
    Rig rig;
    rig.OnRs(0, kCountAction);
    rig.triggers.gintTrigType[1] = 4;  // CI turning off
    rig.triggers.gintLineEdge[5][1] = 2;
    rig.triggers.gintAction[1] = kCountAction;
    const uint8_t edges[] = {0x41, 0x40, 0x61, 0x40, 0x42};  // RS on, off, RS+CI on, off, CS on
    for (uint8_t b : edges) {
        rig.decoder.onReceive(&b, 1);
    }
    rig.engine.TrigCheckLine(6, 1);  // no such line
    rig.engine.TrigCheckLine(-1, 1);
    EXPECT_EQ(rig.triggers.glngTrigCount[0], 2);
    EXPECT_EQ(rig.triggers.glngTrigCount[1], 1);
}

TEST(TriggerEngine, TimeTriggerFiresOncePerMinuteReached) {
    Rig rig;
    rig.triggers.gintTrigType[0] = 2;
    rig.triggers.gstrTime[0] = "0930";
    rig.triggers.gintAction[0] = kCountAction;
    rig.triggers.gintTrigType[1] = 2;
    rig.triggers.gstrTime[1] = "09:30";  // another form never matches
    rig.triggers.gintAction[1] = kCountAction;
    struct Tick {
        int h, m, s;
        int32_t count;
    };
    // The 5-second timer's checks, the next day's after the day's last.
    const Tick ticks[] = {{9, 29, 58, 0}, {9, 30, 3, 1},   {9, 30, 8, 1}, {9, 30, 58, 1},
                          {9, 31, 3, 1},  {23, 59, 59, 1}, {9, 30, 1, 2}, {9, 30, 6, 2}};
    for (const Tick& t : ticks) {
        rig.clock.SetTime(t.h, t.m, t.s);
        rig.engine.TrigCheckTime();
        EXPECT_EQ(rig.triggers.glngTrigCount[0], t.count) << t.h << ":" << t.m << ":" << t.s;
    }
    EXPECT_EQ(rig.triggers.glngTrigCount[1], 0);
}

TEST(TriggerEngine, CounterStopsAt999999) {
    Rig rig;
    rig.OnRs(0, kCountAction);
    rig.triggers.glngTrigCount[0] = 999997;
    for (int i = 0; i < 4; ++i) {
        rig.engine.TrigCheckLine(0, 1);
    }
    EXPECT_EQ(rig.triggers.glngTrigCount[0], 999999);
}

TEST(TriggerEngine, MonitorStopOnAStringStopsRightAfterTheRecordOrNRecordsLater) {
    for (int16_t count : {0, 3}) {
        Rig rig;
        rig.Fill(5);
        rig.OnString(0, "4142", "2");
        rig.triggers.gintAction[0] = 0;
        rig.triggers.gintMonitorStop[0] = count;
        for (uint8_t v : {0x41, 0x42, 0x43, 0x44, 0x45, 0x46}) {
            rig.Data(kSD, v);
        }
        // The stop follows the record holding B (buffer end 14), or three further records.
        ASSERT_EQ(rig.stoppedAt.size(), 1U) << count;
        EXPECT_EQ(rig.stoppedAt[0], 14 + 2 * count);
        EXPECT_EQ(rig.run.gintStopReq, 0);
    }
}

TEST(TriggerEngine, NewFiringReplacesThePendingTarget) {
    Rig rig;
    rig.OnRs(0, 0);
    rig.triggers.gintMonitorStop[0] = 100;
    rig.engine.TrigCheckLine(0, 1);
    EXPECT_EQ(rig.run.glngStopPos, 200);
    rig.Fill(10);
    rig.engine.TrigCheckLine(0, 1);
    EXPECT_EQ(rig.run.gintStopReq, -1);
    EXPECT_EQ(rig.run.glngStopPos, 220);
}

// The stop remembers the trigger that armed it last, for the note of the stop.
TEST(TriggerEngine, MonitorStopNamesTheTriggerThatArmedItLast) {
    Rig rig;
    rig.OnRs(0, 0);
    rig.OnRs(3, 0);
    rig.triggers.gintLineEdge[0][3] = 2;  // trigger 4 on RS turning off
    rig.engine.TrigCheckLine(0, 1);
    EXPECT_EQ(rig.run.stopTrigger, 1);
    rig.engine.TrigCheckLine(0, 2);
    EXPECT_EQ(rig.run.stopTrigger, 4);
}

TEST(TriggerEngine, CountBeyond16BitsCompletesAtTheNextRecord) {
    Rig rig;
    rig.OnRs(0, 0);
    rig.triggers.gintMonitorStop[0] = 20000;  // not from the dialog or the file
    rig.Fill(10);
    rig.engine.TrigCheckLine(0, 1);
    rig.Data(kRD, 0x30);
    EXPECT_EQ(rig.stoppedAt, std::vector<int32_t>{22});
}

// Pending stops across the buffer's shifts: buffer size 1 keeps 1000 bytes and drops 1000
// when it holds 2000. The stop must follow exactly count + 1 data records after the event.
struct ShiftCase {
    int32_t heldRecords;  // records in the buffer when the trigger fires
    int16_t count;
};

class StopAcrossShifts : public ::testing::TestWithParam<ShiftCase> {};

TEST_P(StopAcrossShifts, StopsAfterCountPlusOneRecords) {
    for (int16_t action : {0, 2}) {
        Rig rig;
        rig.Fill(GetParam().heldRecords);
        rig.run.gintAutoSave = 1;
        rig.OnRs(0, action);
        rig.triggers.gintMonitorStop[0] = GetParam().count;
        rig.triggers.gintSaveStop[0] = GetParam().count;
        rig.engine.TrigCheckLine(0, 1);
        int records = 0;
        while (rig.stoppedAt.empty() && rig.flushedAt.empty() && records < 40000) {
            rig.Data(kRD, 0x55);
            ++records;
        }
        EXPECT_EQ(records, GetParam().count + 1) << "action " << action;
        EXPECT_EQ(rig.run.gintAutoSave, action == 2 ? 0 : 1);
    }
}

INSTANTIATE_TEST_SUITE_P(TriggerEngine, StopAcrossShifts,
                         ::testing::Values(ShiftCase{0, 0}, ShiftCase{500, 0},
                                           ShiftCase{999, 0},        // the next record shifts
                                           ShiftCase{998, 1},        // the stop record shifts
                                           ShiftCase{995, 100},      // one shift on the way
                                           ShiftCase{600, 16383}));  // many shifts

TEST(TriggerEngine, SaveStartCopiesTheHistoryBeforeTheFirstCode) {
    Rig rig;
    rig.Fill(20);
    rig.OnString(0, "4142", "2");
    rig.triggers.gintAction[0] = 1;
    rig.triggers.gintSaveStart[0] = 1;
    rig.run.gintSaveStopReq = -1;
    rig.Data(kSD, 0x41);
    rig.Data(kSD, 0x42);
    EXPECT_EQ(rig.run.gintAutoSave, 1);
    EXPECT_EQ(rig.run.gintSaveStopReq, 0);
    // One byte before A, A, then B as stored with saving on.
    const std::vector<uint8_t> block(
        rig.capture.gbyteAutoDat().begin(),
        rig.capture.gbyteAutoDat().begin() + rig.capture.glngAutoLen());
    EXPECT_EQ(block, (std::vector<uint8_t>{0x83, 0xC0, 0xA4, 0xC1, 0xA4, 0xC2}));
}

struct HistoryCase {
    int32_t heldRecords;
    int16_t saveStart;
    int32_t blockBytes;
};

class SaveStartHistory : public ::testing::TestWithParam<HistoryCase> {};

TEST_P(SaveStartHistory, BlockHoldsTheNewestBytes) {
    const HistoryCase& c = GetParam();
    Rig rig;
    rig.Fill(c.heldRecords);
    rig.OnRs(0, 1);
    rig.triggers.gintSaveStart[0] = c.saveStart;
    rig.engine.TrigCheckLine(0, 1);
    EXPECT_EQ(rig.capture.glngAutoLen(), c.blockBytes);
    const auto& held = rig.capture.gbyteDat();
    const auto& block = rig.capture.gbyteAutoDat();
    EXPECT_TRUE(std::equal(block.begin(), block.begin() + c.blockBytes,
                           held.begin() + (rig.capture.glngDatLen() - c.blockBytes)))
        << "the block holds the newest bytes";
}

// Buffer size 1: the block takes 1000 bytes.
INSTANTIATE_TEST_SUITE_P(TriggerEngine, SaveStartHistory,
                         ::testing::Values(HistoryCase{10, 3, 6}, HistoryCase{10, 0, 0},
                                           HistoryCase{10, 100, 20}, HistoryCase{999, 16383, 1000},
                                           HistoryCase{900, 499, 998}));

TEST(TriggerEngine, SaveStartWhileSavingKeepsTheBlockAndCancelsAPendingStop) {
    Rig rig;
    rig.Fill(10);
    rig.run.gintAutoSave = 1;
    rig.capture.copyHistoryToAutoSave(3);
    rig.run.gintSaveStopReq = -1;
    rig.OnRs(0, 1);
    rig.triggers.gintSaveStart[0] = 5;
    rig.engine.TrigCheckLine(0, 1);
    EXPECT_EQ(rig.run.gintAutoSave, 1);
    EXPECT_EQ(rig.run.gintSaveStopReq, 0);
    EXPECT_EQ(rig.capture.glngAutoLen(), 3);
    rig.Data(kRD, 0x30);
    EXPECT_TRUE(rig.flushedAt.empty());
    EXPECT_EQ(rig.capture.glngAutoLen(), 5);
}

}  // namespace
