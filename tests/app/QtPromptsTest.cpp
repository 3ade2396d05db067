// The real dialogs of the Prompts seam, offscreen: who owns them, where the activation and
// the focus go when they close, and the Japanese file dialog. Also the program's icon, its
// locale and the widths of the titled dialogs.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>
#include <QTreeView>

#include "app/QtPrompts.h"
#include "app/QtTranslations.h"
#include "app/dlgOption.h"
#include "app/frmAbout.h"
#include "base/Settings.h"
#include "support/MainWindowFixture.h"
#include "support/RunUntil.h"
#include "view/WindowLook.h"
#include "view/frmMonitor.h"

namespace {

// Once the modal window that a call opens is up, runs check on it and closes it with key.
void WhenModal(const std::function<void(QWidget*)>& check, Qt::Key key) {
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, poll, [poll, check, key] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            return;
        }
        poll->deleteLater();
        poll->stop();
        check(modal);
        QTest::keyClick(modal, key);
    });
    poll->start(10);
}

class QtPromptsTest : public ::testing::Test {
  protected:
    QtPromptsTest() {
        // Qt's file dialog keeps its state in the user's Qt settings: here in a folder of its own.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, userSettings.path());
        prompts.setMainWindow(&mainWindow);
        mainWindow.resize(400, 300);
        mainWindow.show();
    }
    QTemporaryDir userSettings;
    QWidget mainWindow;
    QtPrompts prompts;
};

}  // namespace

TEST_F(QtPromptsTest, ADialogsOwnMessagesGiveItBackTheActivationAndTheFocus) {
    Settings settings;
    dlgOption dialog(settings, prompts, &mainWindow);
    dialog.showDialog();
    ASSERT_TRUE(RunUntil([&] { return QApplication::activeWindow() == &dialog; }, 2000));
    auto* txtSize = dialog.findChild<QLineEdit*>("txtSize");
    auto* txtMaxFiles = dialog.findChild<QLineEdit*>("txtMaxFiles");
    struct Case {
        const char* what;
        std::function<void()> ask;
        QLineEdit* focusAfter;
        Qt::Key closeKey;
    };
    const Case cases[] = {
        // The colour dialog leaves the focus where it was.
        {"colour dialog", [&] { dialog.lblColor_Click(0); }, txtMaxFiles, Qt::Key_Escape},
        // A refused number: the message closed with Enter, the focus on the refused field.
        {"refusal",
         [&] {
             txtSize->setText("x");
             dialog.OKButton_Click();
         },
         txtSize, Qt::Key_Return},
    };
    for (const Case& c : cases) {
        txtMaxFiles->setFocus();
        ASSERT_TRUE(RunUntil([&] { return QApplication::focusWidget() == txtMaxFiles; }, 2000));
        QWidget* owner = nullptr;
        WhenModal([&owner](QWidget* modal) { owner = modal->parentWidget(); }, c.closeKey);
        c.ask();
        EXPECT_EQ(owner, &dialog) << c.what;
        EXPECT_TRUE(RunUntil([&] { return QApplication::activeWindow() == &dialog; }, 2000))
            << c.what;
        EXPECT_TRUE(dialog.isVisible()) << c.what;
        EXPECT_EQ(QApplication::focusWidget(), c.focusAfter) << c.what;
    }

    // Asked while no dialog is active, a message belongs to the main window.
    dialog.close();
    mainWindow.activateWindow();
    ASSERT_TRUE(RunUntil([&] { return QApplication::activeWindow() == &mainWindow; }, 2000));
    QWidget* owner = nullptr;
    WhenModal([&owner](QWidget* modal) { owner = modal->parentWidget(); }, Qt::Key_Return);
    EXPECT_EQ(prompts.message("text", "title", Prompts::Icon::None, Prompts::Buttons::Ok),
              Prompts::Answer::Ok);
    EXPECT_EQ(owner, &mainWindow);
}

TEST_F(QtPromptsTest, TheProgressDialogBelongsToTheActiveWindowWhichIsActiveAgainAfterIt) {
    QDialog dialog(&mainWindow);
    auto* field = new QLineEdit(&dialog);
    dialog.show();
    field->setFocus();
    ASSERT_TRUE(RunUntil([&] { return QApplication::focusWidget() == field; }, 2000));
    QWidget* owner = nullptr;
    WhenModal([&owner](QWidget* modal) { owner = modal->parentWidget(); }, Qt::Key_Escape);
    {
        // Long work until Escape cancels it once its progress dialog has appeared.
        const std::unique_ptr<Progress> progress = prompts.progress("text", "title");
        while (progress->step(1, 2)) {
        }
    }
    EXPECT_EQ(owner, &dialog);
    EXPECT_TRUE(RunUntil([&] { return QApplication::activeWindow() == &dialog; }, 2000));
    EXPECT_EQ(QApplication::focusWidget(), field);
}

TEST_F(QtPromptsTest, TheOpenDialogSpeaksJapaneseInColumnsWideEnoughForTheirTexts) {
    EXPECT_EQ(QLocale().language(), QLocale::Japanese);
    EXPECT_EQ(QLocale::system().language(), QLocale::Japanese) << "sizes and dates of files";
    installQtJapanese(*QCoreApplication::instance());

    const QFont before = QApplication::font();
    QApplication::setFont(QFont("IPAGothic", 10));  // the program's font
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir("Dat"));
    QFile file(folder.filePath("a.vxm"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(108, '\x81'));
    file.close();

    std::vector<QString> texts;
    bool wide = true;
    WhenModal(
        [&](QWidget* modal) {
            auto* view = modal->findChild<QTreeView*>("treeView");
            ASSERT_NE(view, nullptr);
            auto* model = modal->findChild<QFileSystemModel*>();
            ASSERT_NE(model, nullptr);
            // The columns are fitted once the folder is read, after its rows have come.
            RunUntil([&] { return model->rowCount(model->index(folder.path())) == 2; }, 5000);
            RunUntil([] { return false; }, 200);
            const QFontMetrics metrics(view->font());
            for (const char* name : {"Dat", "a.vxm"}) {
                for (int column = 1; column < 4; ++column) {
                    const QString text =
                        model->index(folder.filePath(name), column).data().toString();
                    texts.push_back(text);
                    wide = wide &&
                           metrics.horizontalAdvance(text) < view->header()->sectionSize(column);
                }
            }
        },
        Qt::Key_Escape);
    EXPECT_EQ(
        prompts.openFileName("ﾌｧｲﾙを開く", folder.path().toStdString(), "ログファイル (*.vxm)"),
        std::nullopt);
    QApplication::setFont(before);
    ASSERT_EQ(texts.size(), 6U);
    EXPECT_TRUE(wide);
    const QRegularExpression latin("[A-Za-z]");
    for (const QString& text : texts) {
        EXPECT_FALSE(latin.match(text).hasMatch()) << text.toStdString();
    }
    EXPECT_EQ(texts[3], QStringLiteral("108 バイト"));
}

TEST(ProgramIconTest, EveryWindowAndTheVersionWindowShowTheProgramsIcon) {
    QTemporaryDir programFolder;
    const QIcon icon = programIcon(programFolder.path().toStdString(),
                                   QCoreApplication::applicationDirPath().toStdString());
    ASSERT_FALSE(icon.isNull()) << "the build puts vexlo-48.png next to the programs";
    EXPECT_EQ(icon.pixmap(48, 48).size(), QSize(48, 48));

    const QIcon before = QApplication::windowIcon();
    QApplication::setWindowIcon(icon);
    QWidget window;
    EXPECT_EQ(window.windowIcon().cacheKey(), icon.cacheKey());
    ScriptedPrompts prompts;
    frmAbout about([] { return std::string(); }, prompts, nullptr);
    const QPixmap picture = about.findChild<QLabel*>("picIcon")->pixmap();
    EXPECT_EQ(picture.toImage(), icon.pixmap(48, 48).toImage());
    QApplication::setWindowIcon(before);
}

TEST_F(AppTest, EveryTitledDialogIsAsWideAsItsCaption) {
    const QFont before = QApplication::font();
    QApplication::setFont(QFont("IPAGothic", 10));  // the program's font
    NoUnit();
    OpenWindow();
    StorePairs(100);
    Capture& c = ctx.core.capture;
    c.CopyDat(c.gbyteDat().data(), c.glngDatLen());
    ctx.core.run.gintRireki = 1;
    window->monitor().dispRirekiAt(0);
    int seen = 0;
    for (const char* item : {"mn_Tool_Protocol", "mn_Tool_Option", "mn_Tool_Trig", "mn_File_Text",
                             "mn_File_Print", "mn_View_Jump", "mn_View_Scroll", "mn_Search_Search",
                             "mn_Search_Time", "mn_Help_Version"}) {
        Item(item)->trigger();
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QDialog*>(top);
            if (dialog == nullptr || !dialog->isVisible() || dialog->windowTitle().isEmpty()) {
                continue;
            }
            ++seen;
            EXPECT_GE(dialog->width(), captionWidth(*dialog))
                << item << ": " << dialog->windowTitle().toStdString();
            dialog->close();
        }
    }
    EXPECT_EQ(seen, 10);
    QApplication::setFont(before);
}
