#include "app/AppFixture.h"

#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <fstream>
#include <sstream>

#include "app/PanelBar.h"
#include "support/RunUntil.h"
#include "view/frmMonitor.h"

const std::vector<const char*> AppTest::kSearchAndJump = {
    "mn_Search_Search", "mn_Search_Up",  "mn_Search_Down", "mn_Search_Time",
    "mn_View_Jump",     "mn_View_SJump", "mn_View_EJump"};

namespace {

const char* const kStoppedOnly[] = {
    "mn_File_Open",     "mn_File_AutoSave", "mn_File_Save",   "mn_File_Text",   "mn_File_Print",
    "mn_Search_Search", "mn_Search_Up",     "mn_Search_Down", "mn_Search_Time", "mn_View_Idle",
    "mn_View_Time",     "mn_View_Line",     "mn_View_Jump",   "mn_View_SJump",  "mn_View_EJump",
    "mn_View_Font",     "mn_View_Scroll",   "mn_Run_Start",   "mn_Run_Restart", "mn_Tool_Protocol",
    "mn_Tool_Option"};
const char* const kRunningOnly[] = {"mn_Run_Stop", "mn_Run_Back"};
const char* const kAlways[] = {"mn_View_Mode0", "mn_View_Mode1", "mn_Tool_Trig",
                               "mn_Tool_Sim",   "mn_File_Exit",  "mn_Help_Version"};

}  // namespace

void AppTest::OpenWindow(const std::string& extraIni, int winState) {
    std::ofstream ini(FilePath("VXParam.ini"));
    ini << "[VX_Inf]\nAuto=0\nPort=5\n[Window_Inf]\nState=" << winState
        << "\nHeight=9000\nWidth=15000\n"
        << extraIni;
    ini.close();
    window = std::make_unique<MainWindow>(ctx);
    window->show();
}

void AppTest::StartUnit(const QStringList& extra) {
    QDir(folder.path()).mkpath(QStringLiteral("ports"));
    unit = std::make_unique<VirtualUnit>(folder.filePath(QStringLiteral("ports/COM5")), extra);
    ASSERT_TRUE(unit->ready()) << unit->errors().toStdString();
}

void AppTest::NoUnit() {
    QDir(folder.path()).mkpath(QStringLiteral("ports"));
    ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("ports/gone")),
                            folder.filePath(QStringLiteral("ports/COM5"))));
}

bool AppTest::FullStart() {
    return window->RunStart() == 0 && RunUntil([&] { return ctx.core.run.gintRun == 1; }, 3000);
}

bool AppTest::CaptureAtLeast(int32_t bytes) {
    return RunUntil([&] { return ctx.core.capture.glngDatLen() >= bytes; }, 3000);
}

void AppTest::StorePairs(int n) {
    for (int i = 0; i < n; ++i) {
        const auto value = static_cast<uint8_t>(0x41 + i % 26);
        ctx.core.capture.StoreByte(static_cast<uint8_t>(0x80 | value >> 4));
        ctx.core.capture.StoreByte(static_cast<uint8_t>(0xC0 | (value & 0x0F)));
    }
}

QAction* AppTest::Item(const char* name) const {
    auto* item = window->findChild<QAction*>(QString::fromLatin1(name));
    EXPECT_NE(item, nullptr) << name;
    return item;
}

QString AppTest::PanelText(int panel) const {
    return window->StBarMonitor().panelText(panel);
}

void AppTest::ClickPanel(int panel) {
    QWidget* target = window->StBarMonitor().panel(panel);
    ASSERT_NE(target, nullptr);
    const QPointF at(3, 3);
    QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

std::string AppTest::Title() const {
    QString title = window->windowTitle();
    const QString child = QStringLiteral(" - [%1]").arg(window->monitor().windowTitle());
    if (title.endsWith(child)) {
        title.chop(child.size());
    }
    return title.toStdString();
}

std::vector<std::string> AppTest::AskedTexts() const {
    std::vector<std::string> texts;
    for (const ScriptedPrompts::Asked& a : prompts.asked) {
        texts.push_back(a.text);
    }
    return texts;
}

std::string AppTest::FilePath(const char* name) const {
    return folder.filePath(QString::fromLatin1(name)).toStdString();
}

std::string AppTest::ReadText(const char* name) const {
    std::ifstream in(FilePath(name));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void AppTest::ExpectMenus(bool running) const {
    for (const char* name : kStoppedOnly) {
        EXPECT_EQ(Item(name)->isEnabled(), !running) << name;
    }
    for (const char* name : kRunningOnly) {
        EXPECT_EQ(Item(name)->isEnabled(), running) << name;
    }
    for (const char* name : kAlways) {
        EXPECT_TRUE(Item(name)->isEnabled()) << name;
    }
}
