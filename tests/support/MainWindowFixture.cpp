#include "support/MainWindowFixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QTest>
#include <fstream>
#include <iterator>
#include <sstream>

#include "app/PanelBar.h"
#include "support/RunUntil.h"
#include "view/frmMonitor.h"

const std::vector<const char*> MainWindowFixture::kSearchAndJump = {
    "mn_Search_Search", "mn_Search_Up",  "mn_Search_Down", "mn_Search_Time",
    "mn_View_Jump",     "mn_View_SJump", "mn_View_EJump"};

namespace {

const char* const kStoppedOnly[] = {
    "mn_File_Open",     "mn_File_AutoSave", "mn_File_Save",   "mn_File_Text",   "mn_File_Print",
    "mn_Search_Search", "mn_Search_Up",     "mn_Search_Down", "mn_Search_Time", "mn_View_Idle",
    "mn_View_Time",     "mn_View_Line",     "mn_View_Jump",   "mn_View_SJump",  "mn_View_EJump",
    "mn_View_Font",     "mn_View_Scroll",   "mn_Run_Start",   "mn_Run_Restart", "mn_Tool_Protocol",
    "mn_Tool_Option",   "mn_Tool_Analysis"};
const char* const kRunningOnly[] = {"mn_Run_Stop", "mn_Run_Back"};
const char* const kAlways[] = {"mn_View_Mode0",  "mn_View_Mode1",     "mn_Tool_Trig",
                               "mn_Tool_Sim",    "mn_Tool_ProtoEdit", "mn_File_Exit",
                               "mn_Help_Version"};

}  // namespace

MainWindowFixture::MainWindowFixture(ClockKind kind, LinkKind linkKind)
    : ctx(kind == ClockKind::Fake ? static_cast<const Clock&>(clock) : systemClock, prompts,
          linkKind == LinkKind::Virtual ? static_cast<PortFactory&>(virtualLink) : unitPorts,
          folder.path().toStdString()) {
    wall_.start();
}

MainWindowFixture::~MainWindowFixture() {
    if (window && !window->shutdownDone()) {
        window->shutdownNow();
        RunUntil([this] { return window->shutdownDone(); }, 3000);
    }
}

bool MainWindowFixture::RunUntil(const std::function<bool()>& pred, int ms) {
    if (onVirtualLink() && virtualLink.runUntil(pred, ms)) {
        return true;
    }
    return ::RunUntil(pred, ms);
}

void MainWindowFixture::RunFor(int ms) {
    if (onVirtualLink()) {
        virtualLink.runFor(ms);
    } else {
        ::RunUntil([] { return false; }, ms);
    }
}

void MainWindowFixture::after(int ms, std::function<void()> fn) {
    if (onVirtualLink()) {
        virtualLink.at(ms, std::move(fn));
    } else {
        QTimer::singleShot(ms, window.get(), std::move(fn));
    }
}

void MainWindowFixture::SettleGrid() {
    const auto* timResize = window->monitor().findChild<QTimer*>(QStringLiteral("timResize"));
    ASSERT_NE(timResize, nullptr);
    EXPECT_TRUE(::RunUntil([timResize] { return !timResize->isActive(); }, 2000));
}

int64_t MainWindowFixture::ElapsedMs() const {
    return onVirtualLink() ? virtualLink.nowMs() : wall_.elapsed();
}

void MainWindowFixture::WriteSettings(const std::string& extraIni) {
    std::ofstream ini(FilePath("VXParam.ini"));
    ini << "[VX_Inf]\nAuto=0\nPort=5\n" << extraIni;
}

void MainWindowFixture::ShowWindow() {
    window = std::make_unique<MDIMonitor>(ctx);
    window->show();
    if (onVirtualLink()) {
        return;  // a wait that does not end fails on virtual time
    }
    watchdog_.setSingleShot(true);
    QObject::connect(&watchdog_, &QTimer::timeout, [this] {
        if (window->link().waiting()) {
            ADD_FAILURE() << "a wait for the unit did not end";
            window->link().setClosing();
        }
    });
    watchdog_.start(30'000);
}

void MainWindowFixture::OpenWindow(const std::string& extraIni, int winState) {
    WriteSettings("[Window_Inf]\nState=" + std::to_string(winState) +
                  "\nHeight=9000\nWidth=15000\n" + extraIni);
    ShowWindow();
}

void MainWindowFixture::StartUnit(const QStringList& args) {
    if (onVirtualLink()) {
        std::string error;
        ASSERT_TRUE(virtualLink.startUnit(args, error)) << error;
        return;
    }
    QDir(folder.path()).mkpath(QStringLiteral("ports"));
    unit = std::make_unique<VirtualUnit>(
        folder.filePath(QStringLiteral("ports/COM5")),
        args +
            QStringList{QStringLiteral("--record"), folder.filePath(QStringLiteral("record.bin"))});
    ASSERT_TRUE(unit->ready()) << unit->errors().toStdString();
}

void MainWindowFixture::NoUnit() {
    if (onVirtualLink()) {
        return;  // the virtual link has no unit until one is started
    }
    QDir(folder.path()).mkpath(QStringLiteral("ports"));
    ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("ports/gone")),
                            folder.filePath(QStringLiteral("ports/COM5"))));
}

bool MainWindowFixture::Start() {
    return window->RunStart() == 0 && RunUntil([&] { return ctx.core.run.gintRun == 1; }, 3000);
}

bool MainWindowFixture::CaptureAtLeast(int32_t bytes) {
    return RunUntil([&] { return ctx.core.capture.glngDatLen() >= bytes; }, 3000);
}

void MainWindowFixture::RunThenQuiet(int ms, int quietMs) {
    RunFor(ms);
    int32_t len = -1;
    int64_t still = 0;
    RunUntil(
        [&] {
            if (ctx.core.capture.glngDatLen() != len) {
                len = ctx.core.capture.glngDatLen();
                still = ElapsedMs();
            }
            return ElapsedMs() - still >= quietMs;
        },
        10'000);
}

void MainWindowFixture::Stop() {
    window->RunStop();
    const CommLink& comm = window->link().comm();
    EXPECT_TRUE(
        RunUntil([&] { return comm.lstCommand.empty() && ctx.core.run.gintSending == 0; }, 3000));
}

void MainWindowFixture::StorePairs(int n) {
    for (int i = 0; i < n; ++i) {
        const auto value = static_cast<uint8_t>(0x41 + i % 26);
        ctx.core.capture.StoreByte(static_cast<uint8_t>(0x80 | value >> 4));
        ctx.core.capture.StoreByte(static_cast<uint8_t>(0xC0 | (value & 0x0F)));
    }
}

QAction* MainWindowFixture::Item(const char* name) const {
    auto* item = window->findChild<QAction*>(QString::fromLatin1(name));
    EXPECT_NE(item, nullptr) << name;
    return item;
}

QString MainWindowFixture::PanelText(int panel) const {
    return window->StBarMonitor().panelText(panel);
}

void MainWindowFixture::ClickPanel(int panel) {
    QWidget* target = window->StBarMonitor().panel(panel);
    ASSERT_NE(target, nullptr);
    const QPointF at(3, 3);
    QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

void MainWindowFixture::PressKey(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    // Activation arrives as an event; a dialog counts as active for QTest while its parent
    // window is, so wait for the application's own view of it.
    QWidget* top = target->window();
    if (QApplication::activeWindow() != top) {
        top->activateWindow();
        EXPECT_TRUE(::RunUntil([top] { return QApplication::activeWindow() == top; }, 2000));
    }
    QTest::keyClick(target, key, modifiers);
}

std::string MainWindowFixture::Title() const {
    QString title = window->windowTitle();
    const QString child = QStringLiteral(" - [%1]").arg(window->monitor().windowTitle());
    if (title.endsWith(child)) {
        title.chop(child.size());
    }
    return title.toStdString();
}

std::vector<std::string> MainWindowFixture::AskedTexts() const {
    std::vector<std::string> texts;
    for (const ScriptedPrompts::Asked& a : prompts.asked) {
        texts.push_back(a.text);
    }
    return texts;
}

std::string MainWindowFixture::FilePath(const char* name) const {
    return folder.filePath(QString::fromLatin1(name)).toStdString();
}

std::string MainWindowFixture::ReadText(const char* name) const {
    std::ifstream in(FilePath(name));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void MainWindowFixture::ExpectMenus(bool running) const {
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

std::string MainWindowFixture::Record() const {
    if (onVirtualLink()) {
        return virtualLink.record();
    }
    std::ifstream in(FilePath("record.bin"), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string MainWindowFixture::Stored() const {
    const Capture& c = ctx.core.capture;
    return {reinterpret_cast<const char*>(c.gbyteDat().data()),
            static_cast<size_t>(c.glngDatLen())};
}

int MainWindowFixture::Asked(const std::string& text) const {
    int n = 0;
    for (const ScriptedPrompts::Asked& a : prompts.asked) {
        n += a.text == text ? 1 : 0;
    }
    return n;
}

MainWindowFixture::Screen MainWindowFixture::ScreenTexts() const {
    const CellGrid& cells = window->monitor().cells();
    Screen s;
    for (int32_t k = 0; k < cells.Size(); ++k) {
        s.rd.push_back(cells.at(CellRow::RD, k).text);
        s.sd.push_back(cells.at(CellRow::SD, k).text);
    }
    return s;
}

void MainWindowFixture::ExpectHistoryShowsTheLiveScreen(const Screen& live, int32_t livePos) const {
    const Capture& c = ctx.core.capture;
    EXPECT_EQ(ctx.core.run.gintRireki, 1);
    EXPECT_EQ(c.glngDispTop, c.glngDispLen() - livePos);
    EXPECT_TRUE(ScreenTexts() == live) << "the history does not show the last live screen";
}
