// Commands that arrive at any moment: while the program waits for the unit, while a stop is
// on its way, from a dialog. Against vexlo-unit, which traces every command it takes.
#include <QDialog>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <functional>

#include "app/dlgProtocol.h"
#include "base/Status.h"
#include "support/MainWindowFixture.h"
#include "support/RunUntil.h"
#include "view/dlgJump.h"
#include "view/frmMonitor.h"

namespace {

using Phase = RunControlState::Phase;

const char* const kFastLine = "[Comm_Inf]\nSpeed=115200\nDataLength=1\n";

// A unit that answers every command 300 ms late; its probe still answers within the probe's
// 800 ms.
QStringList LateUnit() {
    return {"--scenario", "flood", "--reply-delay", "300", "--trace"};
}

}  // namespace

TEST_F(AppTest, F5TwiceWhileALateUnitIsProbedStartsOnceAndTheExitStopsTheUnit) {
    StartUnit(LateUnit());
    OpenWindow(kFastLine);
    Phase phaseAtSecondPress = Phase::Stopped;
    after(100, [&] {
        phaseAtSecondPress = window->runControl().phase();
        PressKey(window.get(), Qt::Key_F5);
    });
    PressKey(window.get(), Qt::Key_F5);
    EXPECT_EQ(phaseAtSecondPress, Phase::Probing);
    ASSERT_TRUE(RunUntil([&] { return ctx.core.run.gintRun == 1; }, 3000));
    EXPECT_EQ(virtualLink.trace().count("L? L123"), 1);

    window->close();  // the question is answered Yes
    ASSERT_TRUE(window->shutdownDone());
    EXPECT_TRUE(RunUntil([&] { return virtualLink.startsAndStops().endsWith("G00 OK"); }, 3000))
        << "the unit goes on streaming after the exit";
    EXPECT_EQ(virtualLink.startsAndStops().count("G01 OK"), 1);
    EXPECT_EQ(AskedTexts(), std::vector<std::string>{"Vexloを終了しますか？"});
}

// A second command that would start, probe or send the settings, given while the start
// probes a unit that answers late: it is ignored, and the one start goes ahead.
enum class SecondCommand { F5, ShiftF5, Panel2, Protocol, Simulator };

class CommandDuringAProbeTest : public AppTest,
                                public ::testing::WithParamInterface<SecondCommand> {
  protected:
    void Give() {
        switch (GetParam()) {
            case SecondCommand::F5:
                PressKey(window.get(), Qt::Key_F5);
                break;
            case SecondCommand::ShiftF5:
                PressKey(window.get(), Qt::Key_F5, Qt::ShiftModifier);
                break;
            case SecondCommand::Panel2:
                ClickPanel(2);
                break;
            case SecondCommand::Protocol:
                Item("mn_Tool_Protocol")->trigger();
                break;
            case SecondCommand::Simulator:
                Item("mn_Tool_Sim")->trigger();
                break;
        }
    }
};

TEST_P(CommandDuringAProbeTest, IsIgnoredAndTheStartGoesAhead) {
    StartUnit(LateUnit());
    OpenWindow(kFastLine);
    Phase phaseWhenGiven = Phase::Stopped;
    std::vector<std::string> enabledWhenGiven;
    after(100, [&] {
        phaseWhenGiven = window->runControl().phase();
        for (const char* name : {"mn_Run_Start", "mn_Run_Restart", "mn_Run_Stop", "mn_Run_Back",
                                 "mn_Tool_Protocol", "mn_Tool_Sim"}) {
            if (Item(name)->isEnabled()) {
                enabledWhenGiven.emplace_back(name);
            }
        }
        Give();
    });
    EXPECT_EQ(window->RunStart(), status::kDone);
    EXPECT_EQ(phaseWhenGiven, Phase::Probing);
    EXPECT_TRUE(enabledWhenGiven.empty())
        << "not greyed out during the probe: " << ::testing::PrintToString(enabledWhenGiven);
    EXPECT_TRUE(Item("mn_Tool_Sim")->isEnabled()) << "enabled again after the wait";
    ASSERT_TRUE(RunUntil([&] { return ctx.core.run.gintRun == 1; }, 3000));
    EXPECT_EQ(virtualLink.trace().count("L? L123"), 1) << "probed again";
    EXPECT_TRUE(prompts.asked.empty()) << ::testing::PrintToString(AskedTexts());
    auto* protocol = window->findChild<QWidget*>("dlgProtocol");
    EXPECT_TRUE(protocol == nullptr || !protocol->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandDuringAProbeTest,
                         ::testing::Values(SecondCommand::F5, SecondCommand::ShiftF5,
                                           SecondCommand::Panel2, SecondCommand::Protocol,
                                           SecondCommand::Simulator));

TEST_F(AppTest, ASecondOkOfTheParameterDialogWhileTheFirstProbesIsIgnored) {
    StartUnit(LateUnit());
    OpenWindow(kFastLine);
    Item("mn_Tool_Protocol")->trigger();
    auto* dialog = window->findChild<dlgProtocol*>("dlgProtocol");
    ASSERT_NE(dialog, nullptr);
    auto* ok = dialog->findChild<QPushButton*>("OKButton");
    after(100, [ok] { ok->click(); });
    ok->click();
    EXPECT_EQ(window->runControl().phase(), Phase::Stopped);
    EXPECT_FALSE(dialog->isVisible());
    const QStringList trace = virtualLink.trace();
    EXPECT_EQ(trace.count("L? L123"), 1);
    EXPECT_EQ(trace.filter(QRegularExpression("^S0")).size(), 4) << trace.join(", ").toStdString();
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(AppTest, StopWhileTheSettingsAreSentWinsAndTheUnitIsNeverStarted) {
    StartUnit(LateUnit());
    OpenWindow(kFastLine);
    bool pressed = false;
    std::function<void()> watch = [&] {
        if (window->runControl().phase() == Phase::SendingSettings) {
            pressed = true;
            PressKey(window.get(), Qt::Key_F8);
        } else {
            after(1, watch);
        }
    };
    after(1, watch);

    EXPECT_EQ(window->RunStart(), status::kFailed);
    EXPECT_TRUE(pressed);
    EXPECT_EQ(ctx.core.run.gintRun, 0);
    EXPECT_EQ(Title(), "Vexlo 【モニタ停止中】");
    ExpectMenus(false);
    EXPECT_EQ(window->runControl().phase(), Phase::Stopping);
    // The stop's commands follow the settings; no start ever goes out.
    ASSERT_TRUE(RunUntil([&] { return virtualLink.startsAndStops().size() == 3; }, 3000));
    EXPECT_EQ(virtualLink.startsAndStops(), (QStringList{"G00 OK", "G00 OK", "G00 OK"}));
    EXPECT_EQ(ctx.core.run.gintRun, 0);
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(AppTest, TheMonitorWindowRefusesToCloseButMinimisesAndMaximises) {
    NoUnit();
    OpenWindow();
    auto* sub = window->findChild<QMdiSubWindow*>();
    ASSERT_NE(sub, nullptr);
    EXPECT_FALSE(sub->windowFlags() & Qt::WindowCloseButtonHint);
    const QPointer<frmMonitor> monitor = &window->monitor();

    EXPECT_FALSE(sub->close());
    for (QAction* action : sub->systemMenu()->actions()) {
        if (action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_F4)) {
            action->trigger();  // the system menu's own close
        }
    }
    RunFor(50);  // a deferred delete would run here
    ASSERT_FALSE(monitor.isNull());
    EXPECT_TRUE(sub->isVisible());
    sub->showMinimized();
    EXPECT_TRUE(sub->isMinimized());
    sub->showMaximized();
    EXPECT_TRUE(sub->isMaximized());

    // The program still ends as usual, and writes the settings.
    ctx.core.settings.gintTimeStamp = 1;
    window->close();
    EXPECT_TRUE(window->shutdownDone());
    EXPECT_NE(ReadText("VXParam.ini").find("TimeStamp=1"), std::string::npos);
}

TEST_F(AppTest, F8InTheJumpDialogDuringABackgroundRunClosesOnlyTheDialog) {
    StartUnit();
    OpenWindow();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(CaptureAtLeast(200));
    Item("mn_Run_Back")->trigger();
    Item("mn_View_Jump")->trigger();
    auto* jump = window->findChild<dlgJump*>("dlgJump");
    ASSERT_NE(jump, nullptr);
    ASSERT_TRUE(jump->isVisible());

    PressKey(jump, Qt::Key_F8);
    EXPECT_FALSE(jump->isVisible());
    EXPECT_EQ(ctx.core.run.gintRun, 1);
    EXPECT_EQ(ctx.core.run.gintRireki, 1);
    EXPECT_TRUE(Item("mn_Run_Back")->isChecked());
    EXPECT_TRUE(CaptureAtLeast(ctx.core.capture.glngDatLen() + 200)) << "the run goes on";
}

TEST_F(AppTest, F5InADialogIsNotTheStartShortcut) {
    NoUnit();
    OpenWindow();
    Item("mn_View_Jump")->trigger();
    auto* jump = window->findChild<dlgJump*>("dlgJump");
    ASSERT_NE(jump, nullptr);
    PressKey(jump, Qt::Key_F5);
    EXPECT_TRUE(jump->isVisible());
    EXPECT_TRUE(prompts.asked.empty()) << "a start was tried";
    EXPECT_EQ(window->runControl().phase(), Phase::Stopped);
}

// Every view dialog left open is closed by a start.
class DialogAtStartTest : public AppTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DialogAtStartTest, IsClosedByTheStart) {
    NoUnit();
    OpenWindow();
    Item(GetParam())->trigger();
    QDialog* open = nullptr;
    for (QDialog* dialog : window->findChildren<QDialog*>()) {
        open = dialog->isVisible() ? dialog : open;
    }
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(window->RunStart(), status::kFailed);  // no unit: the start itself ends at once
    EXPECT_FALSE(open->isVisible()) << open->objectName().toStdString();
}

TEST_F(AppTest, TheVersionWindowStaysOpenAtAStart) {
    NoUnit();
    OpenWindow();
    Item("mn_Help_Version")->trigger();
    auto* about = window->findChild<QDialog*>("frmAbout");
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(about->isVisible());
    EXPECT_EQ(window->RunStart(), status::kFailed);
    EXPECT_TRUE(about->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogAtStartTest,
                         ::testing::Values("mn_Tool_Protocol", "mn_View_Jump", "mn_View_Scroll"));
