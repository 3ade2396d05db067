// Triggers in whole runs against vexlo-unit.
#include <QApplication>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "app/dlgTrigger.h"
#include "capture/Records.h"
#include "files/LogFile.h"
#include "support/MainWindowFixture.h"
#include "support/RunUntil.h"
#include "view/frmMonitor.h"

// The chat's requests go out on SD and end in CR LF. A string trigger 0D0A with a monitor stop
// after 3 bytes stops the run after the third data record that follows the first request's LF:
// the history, taken at the stop, ends exactly there.
TEST_F(AppTest, StringTriggerStopsTheRunThreeRecordsAfterTheString) {
    StartUnit({"--scenario", "chat", "--seed", "7", "--rate-factor", "4"});
    OpenWindow();
    Triggers& t = ctx.triggers;
    t.gintTrigType[1] = 1;
    t.gintChrType[1] = 1;
    t.gstrChrLen[1] = "2";
    t.gbyteChrCode[1] = {0x0D, 0x0A};
    t.gintAction[1] = 0;
    t.gintMonitorStop[1] = 3;
    window->monitor().showStopNote("トリガ-5 でモニタ停止 01:02:03");  // an earlier run's
    clock.SetTime(9, 38, 49);
    ASSERT_TRUE(Start());
    EXPECT_EQ(window->monitor().windowTitle(), "New Monitor") << "a start drops the note";
    ASSERT_TRUE(RunUntil([&] { return ctx.core.run.gintRun == 0; }, 10000));
    EXPECT_EQ(Title(), "Vexlo 【モニタ停止中】");
    EXPECT_EQ(ctx.core.run.gintStopReq, 0);
    // The monitor's caption names the trigger and the time of the stop.
    const DateTime at = clock.now();  // the fake clock stands where the stop left it
    EXPECT_EQ(window->monitor().windowTitle(),
              QString::asprintf("New Monitor  トリガ-2 でモニタ停止 %02d:%02d:%02d", at.hour,
                                at.minute, at.second));
    EXPECT_EQ(at.hour * 60 + at.minute, 9 * 60 + 38) << "the clock moved by seconds only";

    const Capture& c = ctx.core.capture;
    const std::vector<int16_t> words(c.gintDispDat().begin(),
                                     c.gintDispDat().begin() + c.glngDispLen());
    const int16_t cr = word::kSd + 0x0D;
    const int16_t lf = word::kSd + 0x0A;
    const auto found = std::adjacent_find(words.begin(), words.end(),
                                          [&](int16_t a, int16_t b) { return a == cr && b == lf; });
    ASSERT_NE(found, words.end());
    EXPECT_EQ(words.end() - (found + 2), 3);
}

// The lines scenario raises RS before each request and drops it after. A line-state trigger on
// RS turning off with a save start of 5 bytes switches saving on, and the block starts with
// the 10 buffer bytes before the line-state record; what follows goes on into the block.
TEST_F(AppTest, LineTriggerStartsSavingWithTheRequestedHistory) {
    StartUnit({"--scenario", "lines", "--seed", "3", "--rate-factor", "4"});
    OpenWindow();
    Triggers& t = ctx.triggers;
    t.gintTrigType[0] = 4;
    t.gintLineEdge[0][0] = 2;
    t.gintAction[0] = 1;
    t.gintSaveStart[0] = 5;
    ASSERT_TRUE(Start());
    ASSERT_TRUE(RunUntil([&] { return ctx.core.run.gintAutoSave == 1; }, 10000));
    const Capture& c = ctx.core.capture;
    const int32_t atFiring = c.glngDatLen();
    ASSERT_TRUE(RunUntil([&] { return c.glngDatLen() >= atFiring + 40; }, 10000));
    Item("mn_Run_Stop")->trigger();

    // The first line-state record with RS off after RS on, found record by record.
    int32_t rsOff = -1;
    bool rsOn = false;
    for (int32_t i = 0; i + 1 < c.glngDatLen() && rsOff < 0;) {
        const uint8_t b = c.gbyteDat()[i];
        if (rec::isLineState(b)) {
            if (rsOn && (b & 1) == 0) {
                rsOff = i;
            }
            rsOn = (b & 1) != 0;
        }
        i += rec::isFirst(b) || rec::isLineState(b) ? 2 : 4;
    }
    ASSERT_GE(rsOff, 10);
    EXPECT_TRUE(rec::isFirst(c.gbyteDat()[rsOff - 10]));
    // The stop writes the block to a "Trig" file of the data folder: everything stored from
    // the history's start on, nothing else.
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(ctx.core.settings.gstrSaveDir)) {
        if (e.path().filename().string().starts_with("Trig_")) {
            files.push_back(e.path().string());
        }
    }
    ASSERT_EQ(files.size(), 1u);
    std::string error;
    const std::optional<LogFile> log = readLogFile(files[0], error);
    ASSERT_TRUE(log) << error;
    EXPECT_TRUE(std::equal(log->data.begin(), log->data.end(), c.gbyteDat().begin() + (rsOff - 10),
                           c.gbyteDat().begin() + c.glngDatLen()));
}

// F8 is also the stop's shortcut: in the trigger dialog, opened during a run, it cancels the
// dialog and leaves the run alone.
TEST_F(AppTest, F8InTheTriggerDialogDuringARunOnlyClosesTheDialog) {
    StartUnit();
    OpenWindow();
    ASSERT_TRUE(Start());
    Item("mn_Tool_Trig")->trigger();
    auto* dialog = window->findChild<dlgTrigger*>("dlgTrigger");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(RunUntil([&] { return dialog->isActiveWindow(); }, 1000));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F8);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(ctx.core.run.gintRun, 1);
}
