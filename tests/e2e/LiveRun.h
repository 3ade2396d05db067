#pragma once
#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "core/Clock.h"
#include "e2e/VirtualUnit.h"
#include "support/ScriptedPrompts.h"
#include "view/CellText.h"

// A whole run as the user makes it: the real main window, shown, on a temporary program
// folder whose ports/COM5 is a vexlo-unit, with the system clock, from RunStart to RunStop.
// The unit appends every capture byte it sends to record.bin in the folder.
class LiveRunTest : public ::testing::Test {
  protected:
    ~LiveRunTest() override;

    // Writes VXParam.ini: the unit's port fixed to 5, then extraIni (more sections and keys).
    void WriteSettings(const std::string& extraIni);
    // Starts a unit on ports/COM5 with the given arguments and --record.
    void StartUnit(const QStringList& args);
    // Creates and shows the main window (after WriteSettings).
    void OpenWindow();
    // RunStart, then waits until the unit has accepted the start.
    [[nodiscard]] bool Start();
    // Lets the run go on for ms, then until the capture has not grown for quietMs.
    void RunThenQuiet(int ms, int quietMs = 300);
    // RunStop, then waits until the unit has answered the stop commands, so that its record
    // file is complete.
    void Stop();

    [[nodiscard]] std::string Record() const;  // what the unit sent while monitoring
    [[nodiscard]] std::string Stored() const;  // gbyteDat up to glngDatLen
    [[nodiscard]] int Asked(const std::string& text) const;

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
    SystemClock clock;
    ScriptedPrompts prompts;
    AppContext ctx{clock, prompts, folder.path().toStdString()};
    std::unique_ptr<VirtualUnit> unit;
    std::unique_ptr<MainWindow> window;
};
