// Closing the main window: the question, and the shutdown after a Yes.
#include <QMessageBox>
#include <QTimer>
#include <deque>

#include "files/ParamIni.h"
#include "support/MainWindowFixture.h"
#include "support/RunUntil.h"
#include "trigger/TrigIni.h"

TEST_F(AppTest, ClosingDuringARunAnsweredNoChangesNothing) {
    StartUnit();
    OpenWindow();
    ASSERT_TRUE(Start());
    const std::string settingsBefore = ReadText("VXParam.ini");
    const std::string triggersBefore = ReadText("VXTrig.ini");
    ctx.core.settings.gintDispMode = 1;  // would reach the file on a shutdown
    prompts.answers = {Prompts::Answer::No};

    EXPECT_FALSE(window->close());
    ASSERT_EQ(prompts.asked.size(), 1U);
    const ScriptedPrompts::Asked& q = prompts.asked[0];
    EXPECT_EQ(q.text, "Vexloを終了しますか？");
    EXPECT_EQ(q.title, "Vexloの終了");
    EXPECT_EQ(q.icon, Prompts::Icon::Question);
    EXPECT_EQ(q.buttons, Prompts::Buttons::YesNo);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->shutdownDone());
    EXPECT_EQ(ctx.core.run.gintRun, 1);
    EXPECT_EQ(ReadText("VXParam.ini"), settingsBefore);
    EXPECT_EQ(ReadText("VXTrig.ini"), triggersBefore);
    // The run goes on.
    EXPECT_TRUE(CaptureAtLeast(ctx.core.capture.glngDatLen() + 200));
}

TEST_F(AppTest, ClosingDuringARunAnsweredYesStopsTheUnitAndWritesBothSettingsFiles) {
    StartUnit();
    OpenWindow();
    ASSERT_TRUE(Start());
    ctx.core.settings.gintDispMode = 1;
    ctx.triggers.gintTrigType[2] = 3;
    prompts.answers = {Prompts::Answer::Yes};
    // What the shutdown has queued when it first lets events run.
    std::deque<std::string> queued;
    int16_t runAtYield = -1;
    QTimer::singleShot(0, window.get(), [&] {
        queued = window->link().comm().lstCommand;
        runAtYield = ctx.core.run.gintRun;
    });

    EXPECT_TRUE(window->close());
    EXPECT_EQ(AskedTexts(), std::vector<std::string>{"Vexloを終了しますか？"});
    EXPECT_EQ(queued, (std::deque<std::string>{"G00", "G00", "G00"}));
    EXPECT_EQ(runAtYield, 0);
    EXPECT_TRUE(window->shutdownDone());
    EXPECT_FALSE(window->link().comm().isOpen());

    Settings written;
    ReadParamIni(written, ctx.programFolder);
    EXPECT_EQ(written.gintDispMode, 1);
    EXPECT_EQ(written.gintPortAuto, 0);
    EXPECT_EQ(written.gintPortNo, 5);
    Triggers writtenTriggers;
    ReadTrigIni(writtenTriggers, ctx.programFolder);
    EXPECT_EQ(writtenTriggers.gintTrigType[2], 3);
}

TEST_F(AppTest, ClosingWhileTheStartWaitsForTheUnitEndsTheWaitAndThenShutsDown) {
    StartUnit({"--mute"});
    OpenWindow();
    after(100, [&] { window->close(); });

    // How soon the close ends the probe's wait: bench/measure-live.sh.
    EXPECT_EQ(window->RunStart(), -1);
    EXPECT_FALSE(window->shutdownDone());  // nothing is torn down under the wait
    ASSERT_TRUE(RunUntil([&] { return window->shutdownDone(); }, 2000));
    // A program that is ending does not report the unit missing.
    EXPECT_EQ(AskedTexts(), std::vector<std::string>{"Vexloを終了しますか？"});
    EXPECT_FALSE(window->isVisible());
}

TEST_F(AppTest, TerminationShutsDownWithoutTheQuestion) {
    NoUnit();
    OpenWindow();
    ctx.core.settings.gintTimeStamp = 1;
    window->shutdownNow();
    EXPECT_TRUE(window->shutdownDone());
    EXPECT_TRUE(prompts.asked.empty());
    Settings written;
    ReadParamIni(written, ctx.programFolder);
    EXPECT_EQ(written.gintTimeStamp, 1);
}

TEST_F(AppTest, TerminationWhileAMessageBoxWaitsDismissesItAndShutsDown) {
    NoUnit();
    OpenWindow();
    bool boxReturned = false;
    QTimer::singleShot(0, window.get(), [&] {
        QTimer::singleShot(10, window.get(), [&] { window->shutdownNow(); });
        QMessageBox box(window.get());
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        boxReturned = true;
    });
    ASSERT_TRUE(RunUntil([&] { return window->shutdownDone(); }, 2000));
    EXPECT_TRUE(boxReturned);
    EXPECT_TRUE(prompts.asked.empty());
}
