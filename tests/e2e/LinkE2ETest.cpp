// The link with the program's serial port against vexlo-unit on a pseudo-terminal.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "app/CoreState.h"
#include "link/QtPortFactory.h"
#include "link/frmComm.h"
#include "support/FakeClock.h"
#include "support/RecordingObserver.h"
#include "support/RunUntil.h"
#include "support/VirtualUnit.h"

namespace {

class LinkE2ETest : public ::testing::Test {
  protected:
    LinkE2ETest() {
        core.capture.AllocBuffer(64);
        QDir(folder.path()).mkdir(QStringLiteral("ports"));
        // Ports 1..4 name devices that are gone, so they fail at once, on any machine.
        for (int n = 1; n <= 4; ++n) {
            QFile::link(folder.filePath(QStringLiteral("ports/gone%1").arg(n)), PortPath(n));
        }
        link = std::make_unique<frmComm>(
            LinkState{core.settings, core.run, core.capture}, clock, ports,
            folder.path().toStdString(), hooks, [] {}, DecoderObservers{&hooks});
    }

    [[nodiscard]] QString PortPath(int n) const {
        return folder.filePath(QStringLiteral("ports/COM%1").arg(n));
    }

    // Starts a unit on port 5.
    std::unique_ptr<VirtualUnit> StartUnit(const QStringList& extra = {}) {
        auto unit = std::make_unique<VirtualUnit>(PortPath(5), extra);
        EXPECT_TRUE(unit->ready()) << unit->errors().toStdString();
        return unit;
    }

    void OpenFixedOnFive() {
        core.settings.gintPortAuto = 0;
        core.settings.gintPortNo = 5;
        ASSERT_EQ(link->comm().PortOpen(), 0);
    }

    QTemporaryDir folder;
    CoreState core;
    FakeClock clock;
    RecordingObserver hooks;
    QtPortFactory ports;
    std::unique_ptr<frmComm> link;
};

}  // namespace

TEST_F(LinkE2ETest, AutomaticSearchFromPortThreeFindsTheUnitOnPortFive) {
    auto unit = StartUnit({"--version", "4B2"});
    core.settings.gintPortAuto = 1;
    core.settings.gintPortNo = 3;
    // Ports 1..4 fail at once (how fast: bench/measure-live.sh).
    ASSERT_EQ(link->comm().PortOpen(), 0);
    EXPECT_EQ(core.settings.gintPortNo, 5);
    EXPECT_EQ(link->comm().gstrUnitVer, "4B2");
    EXPECT_TRUE(link->comm().isOpen());
    EXPECT_FALSE(link->waiting());
}

// How long the probe waits, and how soon closing ends it, is measured by
// bench/measure-live.sh; the fake link of the core tests checks both to the millisecond.
TEST_F(LinkE2ETest, MuteUnitOnAFixedPortFailsAfterOneTimeOut) {
    auto unit = StartUnit({"--mute"});
    core.settings.gintPortAuto = 0;
    core.settings.gintPortNo = 5;
    EXPECT_EQ(link->comm().PortOpen(), -1);
    EXPECT_FALSE(link->comm().isOpen());
    EXPECT_EQ(core.settings.gintPortNo, 5);
    EXPECT_EQ(link->comm().report().first(PortOpenResult::Status::NoPermission), nullptr);

    // A program that closes ends the probe.
    QTimer::singleShot(100, link.get(), [this] { link->setClosing(); });
    EXPECT_EQ(link->comm().PortOpen(), -1);
    EXPECT_FALSE(link->waiting());
}

TEST_F(LinkE2ETest, SettingsAreAnsweredAndTheStartedStreamReachesTheDecoder) {
    auto unit = StartUnit({"--scenario", "chat", "--refuse-start", "2", "--rate-factor", "100"});
    OpenFixedOnFive();
    core.settings.gintLineType = 1;
    core.settings.glngSpeed = 19200;
    core.settings.gintParity = 2;
    EXPECT_EQ(link->comm().SendCommParam(), 0);
    EXPECT_EQ(core.run.gintSending, 0);
    EXPECT_EQ(hooks.With("status "), std::vector<std::string>{"19200,E,7,1"});

    link->comm().ResetLineState();
    link->comm().queueCommand("G01");
    // Two refusals are retried; the third start is accepted.
    ASSERT_TRUE(RunUntil([&] { return core.run.gintRun == 1; }, 3000));
    EXPECT_EQ(core.run.gintStartTry, 0);
    EXPECT_EQ(hooks.Count("accepted"), 1);
    EXPECT_EQ(hooks.Count("refused"), 0);
    ASSERT_TRUE(RunUntil([&] { return hooks.Count("disp") >= 20; }, 3000));
    EXPECT_GE(core.capture.glngDatLen(), 40);
    EXPECT_EQ(hooks.Count("lost"), 0);
}

TEST_F(LinkE2ETest, UnitLostMidStreamClosesThePortIsReportedOnceAndANewUnitIsFound) {
    auto unit = StartUnit({"--scenario", "flood"});
    OpenFixedOnFive();
    link->comm().queueCommand("G01");
    ASSERT_TRUE(RunUntil([&] { return core.capture.glngDatLen() > 1000; }, 3000));

    unit->kill();
    ASSERT_TRUE(RunUntil([&] { return hooks.Count("lost") > 0; }, 2000));
    EXPECT_FALSE(link->comm().isOpen());

    // Reported once, however long the dead port is left (its CPU cost: measure-live.sh).
    RunUntil([] { return false; }, 300);
    EXPECT_EQ(hooks.Count("lost"), 1);

    // The user stops, and the stop's commands go to the lost unit; the next start finds a unit
    // plugged in again on the same port.
    core.run.gintRun = 0;
    link->comm().queueCommand("G00");
    unit = StartUnit({"--version", "9A9"});
    link->comm().PortClose();
    EXPECT_EQ(link->comm().PortOpen(), 0);
    EXPECT_EQ(link->comm().gstrUnitVer, "9A9");
    EXPECT_EQ(hooks.Count("lost"), 1);
}
