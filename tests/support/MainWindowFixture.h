#pragma once
#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/MDIMonitor.h"
#include "link/QtPortFactory.h"
#include "link/frmComm.h"
#include "support/FakeClock.h"
#include "support/ScriptedPrompts.h"
#include "support/VirtualLink.h"
#include "support/VirtualUnit.h"
#include "view/CellText.h"

// The real main window, shown, on a temporary program folder, as the user runs it, with the
// unit on port 5 (or a device that is gone there). The settings fix the unit's port to 5, so
// no test probes the machine's own ports. The window is shut down at the end of each test
// (without the question), so the unit is stopped as the program stops it.
class MainWindowFixture : public ::testing::Test {
  protected:
    // The fake clock moves only when the test (or the virtual link) moves it; whole runs that
    // check time stamps against the stream use the system clock.
    enum class ClockKind { Fake, System };
    // On a virtual link the unit and every wait for it run on virtual time (see VirtualLink);
    // with a real unit, ports/COM5 is a vexlo-unit on a pseudo-terminal, which appends every
    // capture byte it sends to record.bin in the folder, and waits take wall time.
    enum class LinkKind { Virtual, Unit };
    explicit MainWindowFixture(ClockKind kind = ClockKind::Fake,
                               LinkKind linkKind = LinkKind::Virtual);
    ~MainWindowFixture() override;

    // Writes VXParam.ini: the unit's port fixed to 5, then extraIni (more sections and keys).
    void WriteSettings(const std::string& extraIni = {});
    // Creates and shows the main window on the settings written. A wait for the unit still
    // on the stack 30 s later fails the test and is ended.
    void ShowWindow();
    // WriteSettings with a window of 15000 x 9000 twips in the state winState, then extraIni;
    // then ShowWindow.
    void OpenWindow(const std::string& extraIni = {}, int winState = 0);
    // Starts a unit on port 5 with the arguments of vexlo-unit.
    void StartUnit(const QStringList& args = {"--scenario", "flood"});
    // Port 5 names a device that is gone: opening it fails at once.
    void NoUnit();

    // Lets events run until pred holds or ms have passed (on the virtual link, of virtual
    // time first; what is left to come from the window system then gets the same time on the
    // wall clock); the result of pred.
    bool RunUntil(const std::function<bool()>& pred, int ms);
    // Lets ms pass (of virtual time on the virtual link).
    void RunFor(int ms);
    // Calls fn once ms have passed (of virtual time on the virtual link), from whatever wait
    // runs then.
    void after(int ms, std::function<void()> fn);
    // Lets the monitor window's grid rebuild for its present size, which waits for the
    // resize timer (on the wall clock).
    void SettleGrid();

    // RunStart, then waits until the unit has accepted the start.
    [[nodiscard]] bool Start();
    // Lets the run go on until the capture holds at least bytes bytes.
    [[nodiscard]] bool CaptureAtLeast(int32_t bytes);
    // Lets the run go on for ms, then until the capture has not grown for quietMs.
    void RunThenQuiet(int ms, int quietMs = 300);
    // RunStop, then waits until the unit has answered the stop commands, so that its record
    // file is complete.
    void Stop();
    // Appends n RD data pairs to the capture.
    void StorePairs(int n);

    [[nodiscard]] std::string Record() const;  // what the unit sent while monitoring
    [[nodiscard]] std::string Stored() const;  // gbyteDat up to glngDatLen

    [[nodiscard]] QAction* Item(const char* name) const;
    [[nodiscard]] QString PanelText(int panel) const;
    // The main window's own title; the maximised monitor window adds " - [its title]".
    [[nodiscard]] std::string Title() const;
    // A left click on a panel of StBarMonitor, as the mouse gives it.
    void ClickPanel(int panel);
    // Activates the window of target, then presses and releases key there, as the keyboard
    // gives it (shortcuts included).
    static void PressKey(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {});
    // The texts asked through the prompts, in order; how often text was asked.
    [[nodiscard]] std::vector<std::string> AskedTexts() const;
    [[nodiscard]] int Asked(const std::string& text) const;
    [[nodiscard]] std::string FilePath(const char* name) const;
    // The text of a file of the program folder; empty when there is none.
    [[nodiscard]] std::string ReadText(const char* name) const;

    // Every item that MenuEnable sets: enabled when stopped, disabled when running (the run
    // items the other way round); the shown items outside that table always enabled.
    void ExpectMenus(bool running) const;
    // Search and jump items, which background monitoring enables during a run.
    static const std::vector<const char*> kSearchAndJump;

    // The texts of every cell of the monitor window, RD row then SD row.
    struct Screen {
        std::vector<CellText::Id> rd, sd;
        friend bool operator==(const Screen&, const Screen&) = default;
    };
    [[nodiscard]] Screen ScreenTexts() const;
    // After a stop that follows a live screen `live` whose next free cell was livePos: the
    // history starts where that screen started and shows the same cells.
    void ExpectHistoryShowsTheLiveScreen(const Screen& live, int32_t livePos) const;

    QTemporaryDir folder;
    FakeClock clock;
    SystemClock systemClock;
    ScriptedPrompts prompts;
    VirtualLink virtualLink{&clock};
    QtPortFactory unitPorts;
    AppContext ctx;
    std::unique_ptr<VirtualUnit> unit;  // with LinkKind::Unit
    std::unique_ptr<MDIMonitor> window;

  private:
    [[nodiscard]] bool onVirtualLink() const { return &ctx.ports == &virtualLink; }
    // Milliseconds since the fixture was made, virtual on the virtual link.
    [[nodiscard]] int64_t ElapsedMs() const;

    QElapsedTimer wall_;
    // Ends every wait for the unit when a test has gone on far longer than any should, so
    // that a wait that never ends fails the test instead of hanging it.
    QTimer watchdog_;
};

// Main window tests on the fake clock and the virtual link.
using AppTest = MainWindowFixture;

// Runs against vexlo-unit on the fake clock.
class UnitAppTest : public MainWindowFixture {
  protected:
    UnitAppTest() : MainWindowFixture(ClockKind::Fake, LinkKind::Unit) {}
};

// Whole runs against vexlo-unit on the system clock.
class LiveRunTest : public MainWindowFixture {
  protected:
    LiveRunTest() : MainWindowFixture(ClockKind::System, LinkKind::Unit) {}
};
