// The communication parameter dialog.
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

#include "app/dlgProtocol.h"
#include "capture/Records.h"
#include "support/Control.h"
#include "support/MainWindowFixture.h"
#include "support/RunUntil.h"

namespace {

class DlgProtocolTest : public AppTest {
  protected:
    // Opens the dialog from its menu item.
    dlgProtocol* showDialog() {
        Item("mn_Tool_Protocol")->trigger();
        auto* dialog = window->findChild<dlgProtocol*>("dlgProtocol");
        EXPECT_NE(dialog, nullptr);
        if (dialog != nullptr) {
            EXPECT_TRUE(dialog->isVisible());
        }
        return dialog;
    }
    QComboBox* Combo(dlgProtocol* dialog, const char* name) {
        return Control<QComboBox>(dialog, name);
    }
    void PressOk(dlgProtocol* dialog) { Control<QPushButton>(dialog, "OKButton")->click(); }
};

}  // namespace

TEST_F(DlgProtocolTest, OpeningSelectsTheControlsFromTheSettings) {
    NoUnit();
    OpenWindow("[Comm_Inf]\nType=1\nSpeed=19200\nDataLength=0\nStopBit=2\nParity=2\n");
    dlgProtocol* dialog = showDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(Control<QRadioButton>(dialog, "optType1")->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(dialog, "optType0")->isChecked());
    EXPECT_EQ(Combo(dialog, "cmbSpeed")->currentText(), "19200");
    EXPECT_EQ(Combo(dialog, "cmbData")->currentIndex(), 0);
    EXPECT_EQ(Combo(dialog, "cmbStop")->currentIndex(), 2);
    EXPECT_EQ(Combo(dialog, "cmbParity")->currentIndex(), 2);
    EXPECT_EQ(PanelText(2), "19200,E,7,2");

    // Cancel leaves the settings alone.
    Combo(dialog, "cmbSpeed")->setCurrentText("300");
    Control<QPushButton>(dialog, "CancelButton")->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(ctx.core.settings.glngSpeed, 19200);

    ctx.core.settings.glngSpeed = 115200;
    ctx.core.settings.gintLineType = 0;
    dialog = showDialog();
    EXPECT_EQ(Combo(dialog, "cmbSpeed")->currentIndex(), -1);
    EXPECT_TRUE(Control<QRadioButton>(dialog, "optType0")->isChecked());
}

TEST_F(DlgProtocolTest, OkWithDataAsksAndNoKeepsCaptureSettingsAndDialog) {
    NoUnit();
    OpenWindow("[Comm_Inf]\nSpeed=9600\n");
    StorePairs(10);
    dlgProtocol* dialog = showDialog();
    Combo(dialog, "cmbSpeed")->setCurrentText("150");
    prompts.answers = {Prompts::Answer::No};

    PressOk(dialog);
    ASSERT_EQ(prompts.asked.size(), 1U);
    const ScriptedPrompts::Asked& q = prompts.asked[0];
    EXPECT_EQ(q.text, "通信ﾊﾟﾗﾒｰﾀを変更すると蓄積データは消去されます\nよろしいですか？");
    EXPECT_EQ(q.title, "データ消去確認");
    EXPECT_EQ(q.icon, Prompts::Icon::Exclamation);
    EXPECT_EQ(q.buttons, Prompts::Buttons::YesNo);
    EXPECT_EQ(ctx.core.capture.glngDatLen(), 20);
    EXPECT_EQ(ctx.core.settings.glngSpeed, 9600);
    EXPECT_TRUE(dialog->isVisible());

    // Yes empties the capture and takes the new values.
    prompts.answers = {Prompts::Answer::Yes};
    PressOk(dialog);
    EXPECT_EQ(ctx.core.capture.glngDatLen(), 0);
    EXPECT_EQ(ctx.core.settings.glngSpeed, 150);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(DlgProtocolTest, OkWithAnEmptyCaptureAsksNothingAndKeepsTheValuesWithoutAUnit) {
    NoUnit();
    OpenWindow();
    dlgProtocol* dialog = showDialog();
    Control<QRadioButton>(dialog, "optType1")->setChecked(true);
    Combo(dialog, "cmbSpeed")->setCurrentText("38400");
    Combo(dialog, "cmbParity")->setCurrentIndex(1);
    Combo(dialog, "cmbData")->setCurrentIndex(1);
    Combo(dialog, "cmbStop")->setCurrentIndex(1);

    PressOk(dialog);
    // No question about data; only the missing unit is reported.
    EXPECT_EQ(AskedTexts(), std::vector<std::string>{
                                "Vexlo が接続されていません\n試したポート: COM5（ありません）"});
    const Settings& s = ctx.core.settings;
    EXPECT_EQ(s.gintLineType, 1);
    EXPECT_EQ(s.glngSpeed, 38400);
    EXPECT_EQ(s.gintParity, 1);
    EXPECT_EQ(s.gintDataLen, 1);
    EXPECT_EQ(s.gintStopBit, 1);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(DlgProtocolTest, OkWithoutASpeedChosenKeepsTheFastSpeedsAndOtherwiseTakes9600) {
    NoUnit();
    OpenWindow();
    const std::pair<int32_t, int32_t> cases[] = {
        {76800, 76800}, {115200, 115200}, {12000, 9600}, {0, 9600}};
    for (const auto& [stored, taken] : cases) {
        ctx.core.settings.glngSpeed = stored;
        dlgProtocol* dialog = showDialog();
        ASSERT_EQ(Combo(dialog, "cmbSpeed")->currentIndex(), -1) << stored;
        PressOk(dialog);
        EXPECT_EQ(ctx.core.settings.glngSpeed, taken) << stored;
    }
}

TEST_F(DlgProtocolTest, OkSendsTheSettingsAndTheUnitTakesThem) {
    StartUnit();
    OpenWindow();
    dlgProtocol* dialog = showDialog();
    Control<QRadioButton>(dialog, "optType1")->setChecked(true);
    Combo(dialog, "cmbSpeed")->setCurrentText("57600");
    Combo(dialog, "cmbParity")->setCurrentText("EVEN");
    Combo(dialog, "cmbData")->setCurrentText("7");
    Combo(dialog, "cmbStop")->setCurrentText("2");

    PressOk(dialog);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_FALSE(dialog->isVisible());
    CommLink& comm = window->link().comm();
    EXPECT_TRUE(comm.isOpen());
    EXPECT_TRUE(comm.lstCommand.empty());  // all four answered
    EXPECT_EQ(PanelText(2), "57600,E,7,2");

    // Started straight away (the start would send the settings again), the unit streams a
    // line of 7 data bits: no byte has its top bit.
    comm.queueCommand("G01");
    ASSERT_TRUE(RunUntil([&] { return ctx.core.run.gintRun == 1; }, 3000));
    ASSERT_TRUE(CaptureAtLeast(400));
    const Capture& c = ctx.core.capture;
    for (int32_t i = 0; i + 1 < c.glngDatLen(); i += 2) {
        ASSERT_TRUE(rec::isFirst(c.gbyteDat()[i])) << i;
        ASSERT_LT(rec::pairValue(c.gbyteDat()[i], c.gbyteDat()[i + 1]), 0x80) << i;
    }
}

TEST_F(DlgProtocolTest, AStartClosesTheDialogLeftOpen) {
    StartUnit();
    OpenWindow();
    dlgProtocol* dialog = showDialog();
    // Left open, the dialog's OK would clear the capture and reopen the port during the run.
    ASSERT_TRUE(Start());
    EXPECT_FALSE(dialog->isVisible());
}
