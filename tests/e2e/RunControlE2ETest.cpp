// Run control against the real unit where the fault is about the unit: a unit that answers
// late, and Start pressed soon after Stop.
#include <QTimer>

#include "support/MainWindowFixture.h"
#include "support/RunUntil.h"

namespace {

const char* const kFastLine = "[Comm_Inf]\nSpeed=115200\nDataLength=1\n";
// 115200 bit/s 8N1 carries 11520 characters a second each way, two bytes each.
constexpr double kFloodBytesPerSecond = 2.0 * 2 * 11520;

}  // namespace

// A unit that answers each command after a delay (inside the 800 ms each command may take, with
// room for a busy machine), and Start pressed this many milliseconds after Stop.
class StopStartTest : public UnitAppTest,
                      public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(StopStartTest, StartPressedSoonAfterStopRunsAgainAndStoresEveryByteOfTheNewRun) {
    const auto [delay, gap] = GetParam();
    StartUnit({"--scenario", "flood", "--duration", "1", "--trace", "--reply-delay",
               QString::number(delay)});
    OpenWindow(kFastLine);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(CaptureAtLeast(2000));  // the unit is streaming

    int32_t storedAtStop = -1;
    bool startReturned = false;
    QTimer::singleShot(0, window.get(), [&] {
        PressKey(window.get(), Qt::Key_F8);
        storedAtStop = ctx.core.capture.glngDatLen();
    });
    QTimer::singleShot(gap, window.get(), [&] {
        PressKey(window.get(), Qt::Key_F5);
        startReturned = true;
    });
    ASSERT_TRUE(RunUntil([&] { return startReturned && ctx.core.run.gintRun == 1; }, 15000))
        << "not running again; asked: " << ::testing::PrintToString(AskedTexts());
    RunThenQuiet(1000);  // the second run streams one second of line time
    Stop();

    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(unit->startsAndStops(), (QStringList{"G01 OK", "G00 OK", "G00 OK", "G00 OK", "G01 OK",
                                                   "G00 OK", "G00 OK", "G00 OK"}));
    // What the first run stored up to the stop, then the whole second run; what the unit sent
    // between the stop and its reply went nowhere.
    const std::string stored = Stored();
    const std::string sent = Record();
    const auto first = static_cast<size_t>(storedAtStop);
    ASSERT_GT(stored.size(), first);
    const size_t second = stored.size() - first;
    ASSERT_LE(second, sent.size());
    EXPECT_TRUE(stored.compare(0, first, sent, 0, first) == 0) << "the first run";
    EXPECT_TRUE(stored.compare(first, second, sent, sent.size() - second, second) == 0)
        << "the second run";
    EXPECT_NEAR(static_cast<double>(second), kFloodBytesPerSecond, 4.0);
}

INSTANTIATE_TEST_SUITE_P(ReplyDelayAndGap, StopStartTest,
                         ::testing::Combine(::testing::Values(0, 300, 500, 600),
                                            ::testing::Values(0, 100, 300)));
