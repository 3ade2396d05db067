// Starting and stopping a run: the confirmation, the new start, the unit going away.
#include <QFile>

#include "app/MainMenus.h"
#include "support/MainWindowFixture.h"
#include "support/RunUntil.h"
#include "view/frmMonitor.h"

TEST_F(AppTest, StartRunsTheUnitAndStopShowsTheWholeCaptureAsHistory) {
    StartUnit();
    OpenWindow();
    EXPECT_EQ(Title(), "Vexlo 【モニタ停止中】");
    ExpectMenus(false);

    ASSERT_TRUE(Start());
    EXPECT_EQ(Title(), "Vexlo 【モニタ実行中】");
    EXPECT_EQ(ctx.core.run.gintRireki, 0);
    ExpectMenus(true);
    ASSERT_TRUE(CaptureAtLeast(400));
    // A frame first takes in what the port holds back.
    const int asked = virtualLink.readsNow();
    window->monitor().surface().flushUpdates();
    EXPECT_EQ(virtualLink.readsNow(), asked + 1);

    Item("mn_Run_Stop")->trigger();
    EXPECT_EQ(ctx.core.run.gintRun, 0);
    EXPECT_EQ(ctx.core.run.gintRireki, 1);
    EXPECT_EQ(Title(), "Vexlo 【モニタ停止中】");
    EXPECT_EQ(window->monitor().windowTitle(), "New Monitor") << "no trigger note";
    ExpectMenus(false);
    const Capture& c = ctx.core.capture;
    EXPECT_EQ(c.glngDispLen(), c.glngDatLen() / 2);  // the flood is all data pairs
    // Bytes still arriving after the stop are replies, not capture.
    const int32_t stopped = c.glngDatLen();
    RunFor(100);
    EXPECT_EQ(c.glngDatLen(), stopped);
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(AppTest, StartAsksWhenAutoSaveAndATriggerAreSetAndCancelStartsNothing) {
    StartUnit();
    OpenWindow();
    ctx.autoSave.gstrAutoFile = FilePath("auto.vxm");  // as the auto-save command chooses it
    ctx.triggers.gintTrigType[3] = 2;
    prompts.answers = {Prompts::Answer::Cancel};

    EXPECT_EQ(window->RunStart(), -1);
    ASSERT_EQ(prompts.asked.size(), 1U);
    const ScriptedPrompts::Asked& q = prompts.asked[0];
    EXPECT_EQ(q.text,
              "自動保存が設定されています\nトリガが設定されています\n\nモニタを開始しますか？");
    EXPECT_EQ(q.title, "モニタ開始");
    EXPECT_EQ(q.icon, Prompts::Icon::Question);
    EXPECT_EQ(q.buttons, Prompts::Buttons::OkCancel);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(FilePath("LTime.txt"))));
    EXPECT_EQ(Title(), "Vexlo 【モニタ停止中】");
    ExpectMenus(false);
    EXPECT_TRUE(window->link().comm().isOpen());  // the probe's port stays open
}

TEST_F(AppTest, StartWithOnlyATriggerAsksAndOkRecordsTheBlockStart) {
    StartUnit();
    OpenWindow();
    clock.time = {2024, 3, 9, 14, 5, 7};
    ctx.triggers.gintTrigType[0] = 1;

    EXPECT_EQ(window->RunStart(), 0);
    EXPECT_EQ(AskedTexts(),
              std::vector<std::string>{"トリガが設定されています\n\nモニタを開始しますか？"});
    EXPECT_EQ(ReadText("LTime.txt"), "240309140507\n");
    EXPECT_EQ(Title(), "Vexlo 【モニタ実行中】");
}

TEST_F(AppTest, StartWithNeitherAutoSaveNorTriggersAsksNothing) {
    StartUnit();
    OpenWindow();
    ASSERT_TRUE(Start());
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(FilePath("LTime.txt"))));
}

TEST_F(AppTest, StartSwitchesShiftJisDisplayToAscii) {
    StartUnit();
    OpenWindow("[Mode_Inf]\nDispMode=2\n");
    const MainMenus& m = window->menus();
    EXPECT_EQ(PanelText(3), "ｼﾌﾄJIS");
    EXPECT_TRUE(m.mn_View_Mode[2]->isChecked());

    ASSERT_EQ(window->RunStart(), 0);
    EXPECT_EQ(ctx.core.settings.gintDispMode, 0);
    EXPECT_EQ(PanelText(3), "ASCII");
    EXPECT_TRUE(m.mn_View_Mode[0]->isChecked());
    EXPECT_FALSE(m.mn_View_Mode[2]->isChecked());
}

TEST_F(AppTest, NewStartWithoutTheUnitKeepsTheCapture) {
    NoUnit();
    OpenWindow();
    StorePairs(30);

    Item("mn_Run_Restart")->trigger();
    ASSERT_EQ(prompts.asked.size(), 1U);
    EXPECT_EQ(prompts.asked[0].text,
              "Vexlo が接続されていません\n試したポート: COM5（ありません）");
    EXPECT_EQ(prompts.asked[0].icon, Prompts::Icon::Exclamation);
    EXPECT_EQ(ctx.core.capture.glngDatLen(), 60);
    EXPECT_EQ(Title(), "Vexlo 【モニタ停止中】");
    ExpectMenus(false);
}

TEST_F(AppTest, NewStartEmptiesTheCaptureBeforeTheUnitStreams) {
    StartUnit();
    OpenWindow();
    StorePairs(30);
    window->monitor().setWindowTitle("old.vxm");

    Item("mn_Run_Restart")->trigger();
    EXPECT_EQ(ctx.core.capture.glngDatLen(), 0);
    EXPECT_EQ(window->monitor().windowTitle(), "New Monitor");
    ASSERT_TRUE(RunUntil([&] { return ctx.core.run.gintRun == 1; }, 3000));
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(AppTest, NewStartKeepsTheCaptureWhenTheUnitGoesWhileTakingTheSettings) {
    StartUnit();
    OpenWindow();
    StorePairs(30);
    // The start disables its own item just before it sends the line settings: the unit goes
    // with the first of them.
    bool pulled = false;
    virtualLink.onWrite([&](const std::string&) {
        if (!pulled && !Item("mn_Run_Start")->isEnabled()) {
            pulled = true;
            virtualLink.kill();
        }
    });

    Item("mn_Run_Restart")->trigger();
    EXPECT_EQ(ctx.core.capture.glngDatLen(), 60);
    EXPECT_EQ(ctx.core.run.gintRun, 0);
    EXPECT_EQ(Title(), "Vexlo 【モニタ停止中】");
    ExpectMenus(false);
    RunFor(100);
    EXPECT_TRUE(pulled);
    EXPECT_EQ(AskedTexts(), std::vector<std::string>{"Vexlo が接続されていません"});
}

TEST_F(AppTest, UnitLostMidRunIsReportedOnceAndStopKeepsTheCapture) {
    StartUnit();
    OpenWindow();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(CaptureAtLeast(400));

    virtualLink.kill();
    ASSERT_TRUE(RunUntil([&] { return !prompts.asked.empty(); }, 2000));
    RunFor(200);
    EXPECT_EQ(AskedTexts(), std::vector<std::string>{"Vexlo が接続されていません"});
    EXPECT_EQ(prompts.asked[0].icon, Prompts::Icon::Exclamation);
    const Capture& c = ctx.core.capture;
    const int32_t kept = c.glngDatLen();
    EXPECT_GE(kept, 400);

    Item("mn_Run_Stop")->trigger();
    EXPECT_EQ(ctx.core.run.gintRun, 0);
    EXPECT_EQ(ctx.core.run.gintRireki, 1);
    EXPECT_EQ(c.glngDatLen(), kept);
    EXPECT_EQ(c.glngDispLen(), kept / 2);
    EXPECT_EQ(Title(), "Vexlo 【モニタ停止中】");
    ExpectMenus(false);
    RunFor(200);  // the stop commands go to the lost port
    EXPECT_EQ(prompts.asked.size(), 1U);
}

TEST_F(AppTest, TheFourthRefusedStartIsReportedOnceAndTheRunStaysUntilStopped) {
    StartUnit({"--scenario", "flood", "--refuse-start", "4"});
    OpenWindow();
    ASSERT_EQ(window->RunStart(), 0);
    ASSERT_TRUE(RunUntil([&] { return !prompts.asked.empty(); }, 3000));
    ASSERT_EQ(prompts.asked.size(), 1U);
    const ScriptedPrompts::Asked& m = prompts.asked[0];
    EXPECT_EQ(m.text,
              "Vexlo本体がモニタ開始できません\n"
              "プログラムを終了し、ＵＳＢケーブルをはずしてやり直してください");
    EXPECT_EQ(m.title, "モニタ開始不可");
    EXPECT_EQ(m.icon, Prompts::Icon::Exclamation);
    EXPECT_EQ(m.buttons, Prompts::Buttons::Ok);
    EXPECT_EQ(ctx.core.run.gintRun, 0);
    EXPECT_EQ(ctx.core.run.gintStartTry, 0);
    // No fifth start; the title and the run items show a run until it is stopped.
    RunFor(200);
    EXPECT_TRUE(window->link().comm().lstCommand.empty());
    EXPECT_EQ(Title(), "Vexlo 【モニタ実行中】");
    EXPECT_TRUE(Item("mn_Run_Stop")->isEnabled());
    EXPECT_FALSE(Item("mn_Run_Start")->isEnabled());
    Item("mn_Run_Stop")->trigger();
    EXPECT_EQ(Title(), "Vexlo 【モニタ停止中】");
    ExpectMenus(false);
    EXPECT_EQ(prompts.asked.size(), 1U);
}

// What the message of a missing unit adds: a line of the ports tried and what each did (a
// port that another program holds, one that other programs have open too, one this user may
// not open), or a line setting without an answer.
TEST_F(AppTest, NotConnectedNamesThePortsTriedAndASettingWithoutAnswer) {
    using Status = PortOpenResult::Status;
    OpenWindow();
    RunHost& host = *window;  // what the run controller calls
    PortReport report;
    report.tried = {{1, {Status::NoSuchPort, "/dev/ttyS9", ""}},
                    {2, {Status::Busy, "/dev/ttyUSB0", "minicom (pid 42)"}},
                    {3, {Status::NoPermission, "", ""}},
                    {4, {Status::Opened, "/dev/ttyUSB2", "cat (pid 7)"}},
                    {5, {Status::Busy, "/dev/ttyUSB3", ""}},
                    {6, {Status::Failed, "/dev/ttyACM0", ""}}};
    host.notConnected(report);
    report.tried = {{1, {Status::NoSuchPort, "", ""}}, {2, {Status::NoSuchPort, "", ""}}};
    host.notConnected(report);
    report.tried.resize(1);
    host.notConnected(report);
    report = {};
    report.unanswered = "S0213";
    report.sharers = "cat (pid 7)";
    host.notConnected(report);
    EXPECT_EQ(AskedTexts(),
              (std::vector<std::string>{
                  "Vexlo が接続されていません\n"
                  "試したポート: /dev/ttyUSB0（minicom (pid 42) が使用中）、COM3（権限なし）、"
                  "/dev/ttyUSB2（応答なし）、/dev/ttyUSB3（他のプログラムが使用中）、"
                  "/dev/ttyACM0（開けません）\n"
                  "ポート /dev/ttyUSB2 は他のプログラム（cat (pid 7)）も開いています\n"
                  "権限のないポートを開くには dialout グループに追加してください",
                  "Vexlo が接続されていません\n試したポート: COM1～COM2（どれもありません）",
                  "Vexlo が接続されていません\n試したポート: COM1（ありません）",
                  "Vexlo が接続されていません\n"
                  "コマンド S0213 に応答がありません（ポートを cat (pid 7) も開いています）"}));
}
