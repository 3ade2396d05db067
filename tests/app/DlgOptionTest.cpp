// The options dialog, opened from its menu item.
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>

#include "app/dlgOption.h"
#include "base/OptionInput.h"
#include "support/Control.h"
#include "support/MainWindowFixture.h"
#include "support/RunUntil.h"

namespace {

class DlgOptionTest : public AppTest {
  protected:
    dlgOption* showDialog() {
        Item("mn_Tool_Option")->trigger();
        auto* dialog = window->findChild<dlgOption*>("dlgOption");
        EXPECT_NE(dialog, nullptr);
        if (dialog != nullptr) {
            EXPECT_TRUE(dialog->isVisible());
        }
        return dialog;
    }
    QLineEdit* Text(dlgOption* dialog, const char* name) {
        return Control<QLineEdit>(dialog, QString::fromLatin1(name));
    }
    void Press(dlgOption* dialog, const char* name) {
        Control<QPushButton>(dialog, QString::fromLatin1(name))->click();
    }
    QColor LabelColor(dlgOption* dialog, int i) {
        return Control<QLabel>(dialog, QStringLiteral("lblColor%1").arg(i))
            ->palette()
            .color(QPalette::Window);
    }
    // The colours of the settings in label order: RD, SD, IDLE, TMST, ERR.
    std::vector<int32_t> Colors() const {
        const Settings& s = ctx.core.settings;
        return {s.glngColRD, s.glngColSD, s.glngColIdle, s.glngColTmst, s.glngColErr};
    }
    static std::vector<int32_t> DefaultColors() {
        return {16777192, 14737663, 12648384, 12648447, 8421631};
    }
    static constexpr const char* kColorsIni = "[Color_Inf]\nSD=1\nRD=2\nIDLE=3\nTMST=4\nERR=5\n";
};

QColor winColor(int32_t v) {
    return {v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF};
}

}  // namespace

TEST_F(DlgOptionTest, OpeningShowsEveryFrameAndTheSettings) {
    NoUnit();
    OpenWindow(std::string("[Buffer_Inf]\nSize=2000\nMaxFiles=7\nFileDate=1\n") + kColorsIni);
    dlgOption* dialog = showDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Text(dialog, "txtSize")->text(), "2000");
    EXPECT_EQ(Text(dialog, "txtMaxFiles")->text(), "7");
    EXPECT_EQ(Text(dialog, "txtPort")->text(), "5");
    EXPECT_TRUE(Control<QRadioButton>(dialog, "optPort0")->isChecked());
    EXPECT_TRUE(Text(dialog, "txtPort")->isEnabled());
    EXPECT_TRUE(Control<QRadioButton>(dialog, "optFileDate1")->isChecked());
    for (int i = 0; i < dlgOption::kColors; ++i) {
        EXPECT_EQ(LabelColor(dialog, i), winColor(i == 0 ? 2 : i == 1 ? 1 : i + 1)) << i;
    }
    // The data folder (made at start-up) is the one selected in the tree.
    const auto* tree = Control<QTreeView>(dialog, "Dir1");
    const auto* model = qobject_cast<const QFileSystemModel*>(tree->model());
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->filePath(tree->currentIndex()).toStdString(), ctx.core.settings.gstrSaveDir);

    // Automatic detection disables the port number, also when chosen by the user.
    Control<QRadioButton>(dialog, "optPort1")->setChecked(true);
    EXPECT_FALSE(Text(dialog, "txtPort")->isEnabled());
    EXPECT_FALSE(Control<QLabel>(dialog, "lblPort")->isEnabled());
}

TEST_F(DlgOptionTest, TheBufferSizeIsCheckedAndOnlyUsedAfterARestart) {
    NoUnit();
    OpenWindow();
    struct Case {
        const char* size;
        const char* message;  // null: accepted
    };
    const Case cases[] = {{"4001", kBufSizeTooLarge},
                          {"0", kBufSizeInvalid},
                          {"-5", kBufSizeInvalid},
                          {"4000", nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        prompts.asked.clear();
        dlgOption* dialog = showDialog();
        Text(dialog, "txtSize")->setText(QString::fromLatin1(c.size));
        Text(dialog, "txtMaxFiles")->setText(QStringLiteral("9"));
        Press(dialog, "OKButton");
        ASSERT_EQ(prompts.asked.size(), 1U);
        const ScriptedPrompts::Asked& a = prompts.asked[0];
        if (c.message != nullptr) {
            EXPECT_EQ(a.text, c.message);
            EXPECT_EQ(a.title, "入力不正");
            EXPECT_EQ(a.icon, Prompts::Icon::Critical);
            EXPECT_TRUE(dialog->isVisible());
            EXPECT_EQ(dialog->focusWidget(), Text(dialog, "txtSize"));
            EXPECT_EQ(ctx.core.settings.glngBufSize, 1000);
            EXPECT_EQ(ctx.core.settings.gintMaxFiles, 0) << "nothing is applied";
        } else {
            EXPECT_EQ(a.text, "変更内容は次回起動時から有効です");
            EXPECT_EQ(a.title, "オプション設定");
            EXPECT_EQ(a.icon, Prompts::Icon::Information);
            EXPECT_FALSE(dialog->isVisible());
            EXPECT_EQ(ctx.core.settings.glngBufSize, 4000);
            EXPECT_EQ(ctx.core.settings.gintMaxFiles, 9);
        }
    }
    // The running program keeps its buffers; the next start allocates the new size.
    EXPECT_EQ(ctx.core.capture.glngBufSize(), 1000);
    window->close();
    ASSERT_TRUE(window->shutdownDone());
    window.reset();
    AppContext next(clock, prompts, virtualLink, folder.path().toStdString());
    MDIMonitor restarted(next);
    EXPECT_EQ(next.core.capture.glngBufSize(), 4000);
    EXPECT_EQ(next.core.capture.gbyteDat().size(), 4000U * 1000 + 4000 * 10 + 1);
    restarted.close();
}

TEST_F(DlgOptionTest, DefaultColoursThenCancelKeepsTheDefaults) {
    NoUnit();
    OpenWindow(kColorsIni);
    ASSERT_EQ(Colors(), (std::vector<int32_t>{2, 1, 3, 4, 5}));
    dlgOption* dialog = showDialog();
    Press(dialog, "cmdInit");
    EXPECT_EQ(Colors(), DefaultColors()) << "at once, before OK";
    Press(dialog, "CancelButton");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(Colors(), DefaultColors());
    dialog = showDialog();
    for (int i = 0; i < dlgOption::kColors; ++i) {
        EXPECT_EQ(LabelColor(dialog, i), winColor(DefaultColors()[i])) << i;
    }
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(DlgOptionTest, AChosenColourIsTakenOnOkOnlyAndACancelledChoiceChangesNothing) {
    NoUnit();
    OpenWindow();
    dlgOption* dialog = showDialog();
    prompts.colors = {0x123456};
    dialog->lblColor_Click(3);  // TMST
    EXPECT_EQ(LabelColor(dialog, 3), winColor(0x123456));
    dialog->lblColor_Click(0);  // the colour dialog is cancelled
    EXPECT_EQ(LabelColor(dialog, 0), winColor(DefaultColors()[0]));
    EXPECT_EQ(Colors(), DefaultColors()) << "nothing before OK";
    EXPECT_TRUE(dialog->isVisible()) << "the colour dialog does not close the options";
    Press(dialog, "OKButton");
    std::vector<int32_t> expected = DefaultColors();
    expected[3] = 0x123456;
    EXPECT_EQ(Colors(), expected);
}

TEST_F(DlgOptionTest, AutomaticDetectionKeepsThePreviousPortAndManualTakesTheNumber) {
    NoUnit();
    OpenWindow();
    dlgOption* dialog = showDialog();
    Control<QRadioButton>(dialog, "optPort1")->setChecked(true);
    Text(dialog, "txtPort")->setText(QStringLiteral("40000"));  // not read
    Press(dialog, "OKButton");
    EXPECT_EQ(ctx.core.settings.gintPortAuto, 1);
    EXPECT_EQ(ctx.core.settings.gintPortNo, 5);

    dialog = showDialog();
    EXPECT_TRUE(Control<QRadioButton>(dialog, "optPort1")->isChecked());
    EXPECT_FALSE(Text(dialog, "txtPort")->isEnabled());
    Control<QRadioButton>(dialog, "optPort0")->setChecked(true);
    Text(dialog, "txtPort")->setText(QStringLiteral("40000"));
    prompts.asked.clear();
    Press(dialog, "OKButton");
    ASSERT_EQ(AskedTexts(), std::vector<std::string>{kPortOutOfRange});
    EXPECT_EQ(dialog->focusWidget(), Text(dialog, "txtPort"));
    EXPECT_EQ(ctx.core.settings.gintPortAuto, 1) << "nothing is applied";

    Text(dialog, "txtPort")->setText(QStringLiteral("7"));
    Text(dialog, "txtMaxFiles")->setText(QStringLiteral("32768"));
    prompts.asked.clear();
    Press(dialog, "OKButton");
    ASSERT_EQ(AskedTexts(), std::vector<std::string>{kMaxFilesOutOfRange});
    EXPECT_EQ(dialog->focusWidget(), Text(dialog, "txtMaxFiles"));

    Text(dialog, "txtMaxFiles")->setText(QStringLiteral("-1"));
    Control<QRadioButton>(dialog, "optFileDate1")->setChecked(true);
    Press(dialog, "OKButton");
    EXPECT_EQ(ctx.core.settings.gintPortAuto, 0);
    EXPECT_EQ(ctx.core.settings.gintPortNo, 7);
    EXPECT_EQ(ctx.core.settings.gintMaxFiles, -1);
    EXPECT_EQ(ctx.core.settings.gintFileDate, 1);
}

TEST_F(DlgOptionTest, TheFolderSelectedInTheTreeBecomesTheDataFolder) {
    NoUnit();
    QDir(folder.path()).mkpath(QStringLiteral("other/deeper"));
    const QString other = folder.filePath(QStringLiteral("other/deeper"));
    OpenWindow("[Buffer_Inf]\nDir=" + folder.filePath(QStringLiteral("gone/away")).toStdString() +
               "\n");
    QDir(folder.path()).rmpath(QStringLiteral("gone/away"));  // made at start-up
    ASSERT_FALSE(QDir(folder.filePath(QStringLiteral("gone/away"))).exists());
    dlgOption* dialog = showDialog();
    auto* tree = Control<QTreeView>(dialog, "Dir1");
    EXPECT_FALSE(tree->currentIndex().isValid()) << "a folder that cannot be shown";
    Press(dialog, "OKButton");
    EXPECT_EQ(ctx.core.settings.gstrSaveDir,
              folder.filePath(QStringLiteral("gone/away")).toStdString())
        << "nothing selected keeps the data folder";

    dialog = showDialog();
    const auto* model = qobject_cast<const QFileSystemModel*>(tree->model());
    tree->setCurrentIndex(model->index(other));
    EXPECT_EQ(Control<QLabel>(dialog, "lblDir")->text(), QDir::toNativeSeparators(other));
    Press(dialog, "OKButton");
    EXPECT_EQ(ctx.core.settings.gstrSaveDir, QDir::toNativeSeparators(other).toStdString());
}

TEST_F(DlgOptionTest, LosingActivationClosesWithoutApplyingButItsOwnMessageDoesNot) {
    NoUnit();
    OpenWindow();
    dlgOption* dialog = showDialog();
    Text(dialog, "txtSize")->setText(QStringLiteral("300"));
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(dialog, &deactivate);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(ctx.core.settings.glngBufSize, 1000);
}
