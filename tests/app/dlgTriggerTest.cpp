// The trigger dialog, on its own and opened from the tools menu.
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "app/dlgTrigger.h"
#include "support/Control.h"
#include "support/MainWindowFixture.h"
#include "trigger/TrigIni.h"

namespace {

class DlgTriggerTest : public ::testing::Test {
  protected:
    DlgTriggerTest()
        : dialog(
              t, run, prompts, dir.path().toStdString(), [this] { return autoSave; }, nullptr) {}

    template <class T>
    T* Control(const QString& name) {
        return ::Control<T>(&dialog, name);
    }
    void Click(const QString& name) { Control<QAbstractButton>(name)->click(); }
    void Type(const char* field, const QString& text) { Control<QLineEdit>(field)->setText(text); }
    void Key(Qt::Key key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&dialog, &press);
    }
    QColor Colour(int k) {
        auto* b = Control<QRadioButton>(QString("optTrigNo%1").arg(k));
        return b->palette().color(b->backgroundRole());
    }
    [[nodiscard]] bool FileWritten() const { return QFile::exists(dir.filePath("VXTrig.ini")); }

    QTemporaryDir dir;
    Triggers t;
    RunState run;
    ScriptedPrompts prompts;
    bool autoSave = false;
    dlgTrigger dialog;
};

TEST_F(DlgTriggerTest, OpeningShowsTriggerOneFromTheDefinitions) {
    t.gintTrigType[0] = 1;
    t.gintChrType[0] = 1;
    t.gstrChrLen[0] = "2";
    t.gbyteChrCode[0] = {0x0D, 0x0A};
    t.gstrTime[0] = "0930";
    t.gintErrType[0] = 2;
    t.gintLineEdge[3][0] = 2;
    t.gintAction[0] = 2;
    t.gintMonitorStop[0] = 100;
    t.gintSaveStop[0] = 16383;
    t.glngTrigCount[0] = 42;
    t.gstrChrLen[1] = "3";
    t.gbyteChrCode[1] = {0x41, 0xB1, 0x0D};  // A, half-width katakana a, CR
    dialog.showDialog();

    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(Control<QRadioButton>("optTrigNo0")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>("optEvent1")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>("optCode1")->isChecked());
    EXPECT_EQ(Control<QLineEdit>("txtChr")->text(), "0D0A");
    EXPECT_EQ(Control<QLineEdit>("txtTime")->text(), "0930");
    EXPECT_FALSE(Control<QCheckBox>("chkErr0")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>("chkErr1")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>("optDR2")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>("optRS0")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>("optAction2")->isChecked());
    EXPECT_EQ(Control<QLineEdit>("txtStop")->text(), "100");
    EXPECT_EQ(Control<QLineEdit>("txtSaveStart")->text(), "0");
    EXPECT_EQ(Control<QLineEdit>("txtSaveStop")->text(), "16383");
    EXPECT_EQ(Control<QLabel>("lblCount")->text(), "42");

    Click("optTrigNo1");
    EXPECT_TRUE(Control<QRadioButton>("optCode0")->isChecked());
    EXPECT_EQ(Control<QLineEdit>("txtChr")->text(), QString::fromUtf8("Aｱ\r"));
}

struct TextCase {
    const char* name;
    int chrType;   // the option chosen before typing
    QString text;  // typed
    int switchTo;  // the option chosen after typing, or -1
    std::vector<uint8_t> codes;
};

class DlgTriggerText : public DlgTriggerTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(DlgTriggerText, OkStoresTheCodes) {
    const TextCase& c = GetParam();
    t.gbyteChrCode[0].fill(0x77);  // codes beyond the new count keep their values
    dialog.showDialog();
    Click(QString("optCode%1").arg(c.chrType));
    Type("txtChr", c.text);
    if (c.switchTo >= 0) {
        Click(QString("optCode%1").arg(c.switchTo));
    }
    Click("OKButton");
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_EQ(t.gstrChrLen[0], std::to_string(c.codes.size()));
    for (size_t j = 0; j < c.codes.size(); ++j) {
        EXPECT_EQ(t.gbyteChrCode[0][j], c.codes[j]) << j;
    }
    EXPECT_EQ(t.gbyteChrCode[0][c.codes.size()], 0x77);
}

INSTANTIATE_TEST_SUITE_P(
    DlgTrigger, DlgTriggerText,
    ::testing::Values(
        TextCase{"HexPairs", 1, "0D0A", -1, {0x0D, 0x0A}},
        TextCase{"SameTextAsAscii", 1, "0D0A", 0, {'0', 'D', '0', 'A'}},
        TextCase{"OddHexDigitIgnored", 1, "0d0a4", -1, {0x0D, 0x0A}},
        TextCase{"NoHexNumberIsZero", 1, "zz41", -1, {0x00, 0x41}},
        TextCase{"SixteenHexDigits", 1, "0102030405060708FF", -1, {1, 2, 3, 4, 5, 6, 7, 8}},
        TextCase{"AsciiTakesEight", 0, "ABCDEFGHIJ", -1, {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}},
        TextCase{
            "AsciiCutsHexText", 1, "0102030405060708", 0, {'0', '1', '0', '2', '0', '3', '0', '4'}},
        TextCase{"HalfWidthKatakana", 0, QString::fromUtf8("ｱﾟ"), -1, {0xB1, 0xDF}},
        TextCase{"Empty", 0, "", -1, {}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(DlgTriggerTest, ButtonColoursFollowTheWorkingCopyWhenATriggerIsChosen) {
    t.gintTrigType[2] = 3;
    dialog.showDialog();
    EXPECT_EQ(Colour(0).rgb(), dlgTrigger::kShownUnsetColour);
    EXPECT_EQ(Colour(2).rgb(), dlgTrigger::kSetColour);
    EXPECT_EQ(Colour(1).rgb(), dlgTrigger::kUnsetColour);

    Click("optEvent1");  // trigger 1 becomes a string trigger: no repaint yet
    EXPECT_EQ(Colour(0).rgb(), dlgTrigger::kShownUnsetColour);
    Click("optTrigNo1");
    EXPECT_EQ(Colour(0).rgb(), dlgTrigger::kSetColour);
    EXPECT_EQ(Colour(1).rgb(), dlgTrigger::kShownUnsetColour);
    Click("optTrigNo0");
    EXPECT_EQ(Colour(0).rgb(), dlgTrigger::kShownSetColour);
    EXPECT_TRUE(Control<QRadioButton>("optEvent1")->isChecked());
    EXPECT_EQ(t.gintTrigType[0], 0);  // only OK changes the definitions
}

TEST_F(DlgTriggerTest, WhileRunningOnlyTriggerNumbersAndResetWork) {
    t.gintTrigType[1] = 1;
    t.glngTrigCount[1] = 7;
    run.gintRun = 1;
    dialog.showDialog();
    EXPECT_FALSE(Control<QPushButton>("OKButton")->isEnabled());
    EXPECT_FALSE(Control<QGroupBox>("fraEvent")->isEnabled());
    EXPECT_FALSE(Control<QGroupBox>("fraAction")->isEnabled());
    Click("optTrigNo1");
    EXPECT_TRUE(Control<QRadioButton>("optEvent1")->isChecked());
    EXPECT_EQ(Control<QLabel>("lblCount")->text(), "7");
    Click("cmdClear");
    EXPECT_EQ(Control<QLabel>("lblCount")->text(), "0");
    EXPECT_EQ(t.glngTrigCount[1], 0);
    Key(Qt::Key_F1);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(FileWritten());
    Key(Qt::Key_F8);
    EXPECT_FALSE(dialog.isVisible());

    // Stopped again, the next opening can change the definitions.
    run.gintRun = 0;
    dialog.showDialog();
    EXPECT_TRUE(Control<QPushButton>("OKButton")->isEnabled());
    Click("optEvent2");
    Key(Qt::Key_F1);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(t.gintTrigType[0], 2);
    EXPECT_TRUE(FileWritten());
}

TEST_F(DlgTriggerTest, CancelDiscardsTheWorkingCopyButNotAReset) {
    t.glngTrigCount[0] = 5;
    dialog.showDialog();
    Click("optEvent4");
    Click("optCS1");
    Click("chkErr0");
    Type("txtTime", "1200");
    Click("cmdClear");
    Click("CancelButton");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(t.gintTrigType[0], 0);
    EXPECT_EQ(t.gintLineEdge[1][0], 0);
    EXPECT_EQ(t.gstrTime[0], "");
    EXPECT_EQ(t.glngTrigCount[0], 0);
    EXPECT_FALSE(FileWritten());

    // OK takes every field and writes the trigger file.
    dialog.showDialog();
    Click("optEvent4");
    Click("optCS1");
    Click("chkErr0");
    Click("chkErr1");
    Click("optAction3");
    Type("txtTime", "1200");
    Type("txtSaveStart", "2.5");
    Click("OKButton");
    EXPECT_EQ(t.gintTrigType[0], 4);
    EXPECT_EQ(t.gintLineEdge[1][0], 1);
    EXPECT_EQ(t.gintErrType[0], 3);
    EXPECT_EQ(t.gintAction[0], 3);
    EXPECT_EQ(t.gstrTime[0], "1200");
    EXPECT_EQ(t.gintSaveStart[0], 2);
    Triggers back;
    ReadTrigIni(back, dir.path().toStdString());
    EXPECT_EQ(back.gintLineEdge, t.gintLineEdge);
    EXPECT_EQ(back.gstrTime[0], "1200");
}

struct InfoCase {
    bool autoSave;
    int event, action;
    bool told;
};

class DlgTriggerInfo : public DlgTriggerTest, public ::testing::WithParamInterface<InfoCase> {};

TEST_P(DlgTriggerInfo, AutoSaveInformationOnOk) {
    const InfoCase& c = GetParam();
    autoSave = c.autoSave;
    dialog.showDialog();
    Click("optTrigNo3");
    Click(QString("optEvent%1").arg(c.event));
    Click(QString("optAction%1").arg(c.action));
    Click("OKButton");
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_EQ(prompts.asked.size(), c.told ? 1U : 0U);
    if (c.told) {
        EXPECT_EQ(prompts.asked[0].text,
                  "自動保存機能が設定されています\n自動保存機能が途中で停止する可能性があります");
        EXPECT_EQ(prompts.asked[0].title, "自動保存設定情報");
        EXPECT_EQ(prompts.asked[0].icon, Prompts::Icon::Information);
    }
    EXPECT_EQ(t.gintAction[3], c.action);
}

INSTANTIATE_TEST_SUITE_P(DlgTrigger, DlgTriggerInfo,
                         ::testing::Values(InfoCase{true, 1, 2, true}, InfoCase{true, 4, 0, true},
                                           InfoCase{true, 1, 1, false}, InfoCase{true, 1, 3, false},
                                           InfoCase{true, 0, 2, false},
                                           InfoCase{false, 1, 2, false}));

TEST_F(DlgTriggerTest, ByteCountsOutsideTheRangeAreRefused) {
    dialog.showDialog();
    Click("optTrigNo2");
    Type("txtSaveStart", "16384");
    Click("optTrigNo0");
    Click("OKButton");
    ASSERT_EQ(prompts.asked.size(), 1U);
    EXPECT_EQ(prompts.asked[0].text, "バイト数は0～16383の範囲で入力してください");
    EXPECT_EQ(prompts.asked[0].icon, Prompts::Icon::Exclamation);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(Control<QRadioButton>("optTrigNo2")->isChecked());  // the trigger to mend
    EXPECT_EQ(Control<QLineEdit>("txtSaveStart")->text(), "16384");
    EXPECT_FALSE(FileWritten());

    Type("txtSaveStart", "16383");
    Type("txtStop", "-1");
    Click("OKButton");
    EXPECT_EQ(prompts.asked.size(), 2U);
    EXPECT_TRUE(dialog.isVisible());
    Type("txtStop", "abc");  // not a number: 0
    Click("OKButton");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(t.gintSaveStart[2], 16383);
    EXPECT_EQ(t.gintMonitorStop[2], 0);
}

// Shows its message as a real box would: the box takes the activation from the dialog.
struct StealingPrompts final : Prompts {
    Answer message(const std::string&, const std::string&, Icon, Buttons) override {
        QEvent deactivate(QEvent::WindowDeactivate);
        QCoreApplication::sendEvent(dialog, &deactivate);
        ++shown;
        return Answer::Ok;
    }
    std::optional<std::string> openFileName(const std::string&, const std::string&,
                                            const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> saveFileName(const std::string&, const std::string&,
                                            const std::string&) override {
        return std::nullopt;
    }
    std::optional<int32_t> chooseColor(int32_t) override { return std::nullopt; }
    QWidget* dialog = nullptr;
    int shown = 0;
};

TEST(DlgTrigger, ItsOwnMessageDoesNotCloseItButAnotherWindowDoes) {
    QTemporaryDir dir;
    Triggers t;
    RunState run;
    StealingPrompts prompts;
    dlgTrigger dialog(
        t, run, prompts, dir.path().toStdString(), [] { return false; }, nullptr);
    prompts.dialog = &dialog;
    dialog.showDialog();
    dialog.findChild<QLineEdit*>("txtStop")->setText("99999");
    dialog.findChild<QPushButton*>("OKButton")->click();
    EXPECT_EQ(prompts.shown, 1);
    EXPECT_TRUE(dialog.isVisible());

    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(&dialog, &deactivate);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(t.gintMonitorStop[0], 0);
}

TEST_F(AppTest, ToolsMenuOpensTheTriggerDialog) {
    NoUnit();
    OpenWindow();
    ctx.triggers.gintTrigType[4] = 2;
    Item("mn_Tool_Trig")->trigger();
    auto* dialog = window->findChild<dlgTrigger*>("dlgTrigger");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(prompts.asked.empty());
    dialog->findChild<QRadioButton*>("optTrigNo4")->click();
    EXPECT_TRUE(dialog->findChild<QRadioButton*>("optEvent2")->isChecked());
    dialog->findChild<QPushButton*>("OKButton")->click();
    EXPECT_NE(ReadText("VXTrig.ini").find("[Trig5]\nTrigType=2\n"), std::string::npos);
}

}  // namespace
