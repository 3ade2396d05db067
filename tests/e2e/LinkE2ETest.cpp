// The link with the real QSerialPort adapter against vexlo-unit on a pseudo-terminal.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <ctime>
#include <memory>

#include "e2e/VirtualUnit.h"
#include "link/LinkHookLog.h"
#include "link/QtLink.h"
#include "support/FakeClock.h"
#include "support/RunUntil.h"
#include "support/ScriptedPrompts.h"

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
        link = std::make_unique<QtLink>(core, prompts, clock, folder.path(),
                                        LinkHooks{hooks, hooks, hooks, hooks, hooks, hooks});
        QObject::connect(link.get(), &QtLink::linkLost,
                         [this](const QString& port) { lost.append(port); });
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
    ScriptedPrompts prompts;
    FakeClock clock;
    LinkHookLog hooks;
    std::unique_ptr<QtLink> link;
    QStringList lost;
};

}  // namespace

TEST_F(LinkE2ETest, AutomaticSearchFromPortThreeFindsTheUnitOnPortFive) {
    auto unit = StartUnit({"--version", "4B2"});
    core.settings.gintPortAuto = 1;
    core.settings.gintPortNo = 3;
    QElapsedTimer elapsed;
    elapsed.start();
    ASSERT_EQ(link->comm().PortOpen(), 0);
    EXPECT_LT(elapsed.elapsed(), 700);  // ports 1..4 fail at once; no time-out
    EXPECT_EQ(core.settings.gintPortNo, 5);
    EXPECT_EQ(link->comm().gstrUnitVer, "4B2");
    EXPECT_TRUE(link->comm().IsOpen());
    EXPECT_EQ(link->portLocation(), PortPath(5));
    EXPECT_FALSE(link->waiting());
}

TEST_F(LinkE2ETest, MuteUnitOnAFixedPortFailsAfterOneTimeOut) {
    auto unit = StartUnit({"--mute"});
    core.settings.gintPortAuto = 0;
    core.settings.gintPortNo = 5;
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(link->comm().PortOpen(), -1);
    EXPECT_GE(elapsed.elapsed(), 790);
    EXPECT_LT(elapsed.elapsed(), 1500);
    EXPECT_FALSE(link->comm().IsOpen());
    EXPECT_EQ(core.settings.gintPortNo, 5);
    EXPECT_TRUE(link->permissionProblem().empty());

    // A program that closes ends the probe at once.
    QTimer::singleShot(100, link.get(), [this] { link->setClosing(); });
    elapsed.restart();
    EXPECT_EQ(link->comm().PortOpen(), -1);
    EXPECT_LT(elapsed.elapsed(), 500);
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
    EXPECT_EQ(hooks.statusTexts, std::vector<std::string>{"19200,E,7,1"});

    link->comm().ResetLineState();
    link->comm().QueueCommand("G01");
    // Two refusals are retried; the third start is accepted.
    ASSERT_TRUE(RunUntil([&] { return core.run.gintRun == 1; }, 3000));
    EXPECT_EQ(core.run.gintStartTry, 0);
    EXPECT_EQ(hooks.menuEnables, 1);
    EXPECT_TRUE(prompts.asked.empty());
    ASSERT_TRUE(RunUntil([&] { return hooks.pairsDrawn >= 20; }, 3000));
    EXPECT_GE(core.capture.glngDatLen(), 40);
    EXPECT_TRUE(lost.isEmpty());
}

TEST_F(LinkE2ETest, UnitLostMidStreamClosesThePortAndIsReportedOnce) {
    auto unit = StartUnit({"--scenario", "flood"});
    OpenFixedOnFive();
    link->comm().QueueCommand("G01");
    ASSERT_TRUE(RunUntil([&] { return core.capture.glngDatLen() > 1000; }, 3000));

    unit->kill();
    ASSERT_TRUE(RunUntil([&] { return !lost.isEmpty(); }, 2000));
    EXPECT_FALSE(link->comm().IsOpen());
    EXPECT_EQ(lost, QStringList{PortPath(5)});

    // No busy loop on the dead port: the program stays almost idle while events run.
    const std::clock_t cpuBefore = std::clock();
    QElapsedTimer wall;
    wall.start();
    RunUntil([] { return false; }, 300);
    const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    EXPECT_LT(cpuMs, 0.3 * static_cast<double>(wall.elapsed()));
    EXPECT_EQ(lost.size(), 1);

    // Commands queued to the lost unit go nowhere and do not stall a later open.
    link->comm().QueueCommand("G00");
    EXPECT_EQ(link->comm().PortOpen(), -1);
}
