#pragma once
#include <gtest/gtest.h>

#include <QAction>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "e2e/VirtualUnit.h"
#include "link/QtLink.h"
#include "support/FakeClock.h"
#include "support/ScriptedPrompts.h"

// One program folder, context and main window per test. The settings file fixes the unit's
// port to 5, which the folder's ports/COM5 names, so no test probes the machine's own ports.
class AppTest : public ::testing::Test {
  protected:
    // Writes VXParam.ini ([VX_Inf] Auto=0 and Port=5, a window of 15000 x 9000 twips in the
    // state winState, then extraIni) and creates and shows the window.
    void OpenWindow(const std::string& extraIni = {}, int winState = 0);
    // Starts a unit on ports/COM5.
    void StartUnit(const QStringList& extra = {"--scenario", "flood"});
    // ports/COM5 names a device that is gone: opening it fails at once.
    void NoUnit();
    // RunStart, then waits for the unit to accept the start.
    [[nodiscard]] bool FullStart();
    // Lets the run go on until the capture holds at least bytes bytes.
    [[nodiscard]] bool CaptureAtLeast(int32_t bytes);
    // Appends n RD data pairs to the capture.
    void StorePairs(int n);

    [[nodiscard]] QAction* Item(const char* name) const;
    [[nodiscard]] QString PanelText(int panel) const;
    // The main window's own title; the maximised monitor window adds " - [its title]".
    [[nodiscard]] std::string Title() const;
    // A left click on a panel of StBarMonitor, as the mouse gives it.
    void ClickPanel(int panel);
    // The texts asked through the prompts, in order.
    [[nodiscard]] std::vector<std::string> AskedTexts() const;
    [[nodiscard]] std::string FilePath(const char* name) const;
    // The text of a file of the program folder; empty when there is none.
    [[nodiscard]] std::string ReadText(const char* name) const;

    // Every item that MenuEnable sets: enabled when stopped, disabled when running (the run
    // items the other way round); the shown items outside that table always enabled.
    void ExpectMenus(bool running) const;
    // Search and jump items, which background monitoring enables during a run.
    static const std::vector<const char*> kSearchAndJump;

    QTemporaryDir folder;
    FakeClock clock;
    ScriptedPrompts prompts;
    AppContext ctx{clock, prompts, folder.path().toStdString()};
    std::unique_ptr<VirtualUnit> unit;
    std::unique_ptr<MainWindow> window;
};
