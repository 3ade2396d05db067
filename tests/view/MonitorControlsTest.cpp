#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <cmath>

#include "ViewFakes.h"
#include "support/FakeClock.h"
#include "view/frmMonitor.h"

namespace {

// The monitor window at 20 columns x 10 lines browsing 500 stored words.
class MonitorControlsTest : public ::testing::Test {
  protected:
    MonitorControlsTest() : monitor(state.monitor(), clock, status, triggers) {
        monitor.resize(static_cast<int>(std::lround(8800 * monitor.logicalDpiX() / 1440.0)),
                       static_cast<int>(std::lround(7300 * monitor.logicalDpiY() / 1440.0)));
        monitor.show();
        QCoreApplication::processEvents();
        monitor.timResize_Timer();
        std::vector<int> words;
        for (int i = 0; i < 500; ++i) {
            words.push_back(0x20 + i % 90);
        }
        HoldWords(state, words);
        state.run.gintRireki = 1;
        monitor.dispRirekiAt(100);
    }
    int32_t Top() const { return state.capture.glngDispTop; }
    QTimer* timer(const char* name) {
        return monitor.findChild<QTimer*>(QString::fromLatin1(name));
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(&monitor, key, mods); }

    CoreState state;
    FakeClock clock;
    RecordingStatus status;
    RecordingObserver triggers;
    frmMonitor monitor;
};

TEST_F(MonitorControlsTest, KeysMoveTheHistoryView) {
    ASSERT_EQ(state.grid.lintCell, 200);
    Key(Qt::Key_Down);
    EXPECT_EQ(Top(), 120);
    Key(Qt::Key_Up);
    EXPECT_EQ(Top(), 100);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Top(), 300);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Top(), 100);
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(Top(), 400);
    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(Top(), 0);
    Key(Qt::Key_Up);
    EXPECT_EQ(Top(), 0);
}

TEST_F(MonitorControlsTest, LiveViewIgnoresKeysAndArrows) {
    state.run.gintRireki = 0;
    Key(Qt::Key_Down);
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    QTest::mouseClick(&monitor.surface(), Qt::LeftButton, {},
                      monitor.surface().gridGeometry().downArrow().center());
    EXPECT_EQ(Top(), 100);
}

// The wheel over the grid, as the arrows: 20 words a line, 200 a page, from the top at 100.
TEST_F(MonitorControlsTest, WheelScrollsAsTheArrowsDo) {
    const int pitch = GridGeometry::sizeFor(state.settings.gintFontSize).pitch *
                      monitor.logicalDpiY() / 1440;  // pixels of a line
    const struct {
        const char* what;
        int16_t run, rireki;
        std::vector<QPoint> angles, pixels;  // the events' turns, one event each
        Qt::KeyboardModifiers mods;
        int32_t top;
    } cases[] = {
        {"a notch down", 0, 1, {{0, -120}}, {}, {}, 120},
        {"three notches up", 0, 1, {{0, 120}, {0, 120}, {0, 120}}, {}, {}, 40},
        {"a notch with Shift: a page", 0, 1, {{0, -120}}, {}, Qt::ShiftModifier, 300},
        {"Shift turned sideways", 0, 1, {{-120, 0}}, {}, Qt::ShiftModifier, 300},
        {"sideways alone", 0, 1, {{-120, 0}}, {}, {}, 100},
        {"fine steps add up", 0, 1, {{0, -30}, {0, -30}, {0, -30}, {0, -30}}, {}, {}, 120},
        {"fine steps short of a notch", 0, 1, {{0, -30}, {0, -30}, {0, -30}}, {}, {}, 100},
        {"touchpad pixels",
         0,
         1,
         {{0, -1}, {0, -1}, {0, -1}, {0, -1}},
         {{0, -pitch / 3}, {0, -pitch / 3}, {0, -pitch / 3}, {0, -pitch / 3}},
         {},
         120},
        {"background monitoring", 1, 1, {{0, -120}}, {}, {}, 120},
        {"live run", 1, 0, {{0, -120}, {0, -120}}, {}, {}, 100},
    };
    CellSurface& surface = monitor.surface();
    const QPointF at = surface.gridGeometry().downArrow().center() - QPoint(200, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        state.run.gintRun = c.run;
        state.run.gintRireki = 1;
        monitor.dispRirekiAt(100);
        state.run.gintRireki = c.rireki;
        for (size_t i = 0; i < c.angles.size(); ++i) {
            QWheelEvent wheel(at, surface.mapToGlobal(at),
                              i < c.pixels.size() ? c.pixels[i] : QPoint(), c.angles[i],
                              Qt::NoButton, c.mods, Qt::NoScrollPhase, false);
            // Only the system's own wheel events travel up from the grid to the window.
            QApplication::sendEvent(&monitor, &wheel);
        }
        EXPECT_EQ(Top(), c.top);
        // What is left of a turn does not carry over to the next case.
        QWheelEvent reset(at, surface.mapToGlobal(at), {}, {0, 0}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        state.run.gintRireki = 0;
        QApplication::sendEvent(&monitor, &reset);
    }
}

TEST_F(MonitorControlsTest, ArrowsScrollByOneLine) {
    CellSurface& surface = monitor.surface();
    QTest::mouseClick(&surface, Qt::LeftButton, {}, surface.gridGeometry().downArrow().center());
    EXPECT_EQ(Top(), 120);
    QTest::mouseClick(&surface, Qt::LeftButton, {}, surface.gridGeometry().upArrow().center());
    QTest::mouseDClick(&surface, Qt::LeftButton, {}, surface.gridGeometry().upArrow().center());
    EXPECT_EQ(Top(), 80);  // a quick second click counts too
}

TEST_F(MonitorControlsTest, DoubleClickedCellBecomesTheTopWhenStopped) {
    CellSurface& surface = monitor.surface();
    QTest::mouseDClick(&surface, Qt::LeftButton, {},
                       surface.gridGeometry().cellRect(CellRow::SD, 25).center());
    EXPECT_EQ(Top(), 125);
    state.run.gintRun = 1;  // background monitoring: no jump
    QTest::mouseDClick(&surface, Qt::LeftButton, {},
                       surface.gridGeometry().cellRect(CellRow::RD, 3).center());
    EXPECT_EQ(Top(), 125);
}

TEST_F(MonitorControlsTest, JumpMenusAndLineJumpDialog) {
    monitor.mn_View_EJump_Click();
    EXPECT_EQ(Top(), 450);
    monitor.mn_View_SJump_Click();
    EXPECT_EQ(Top(), 0);

    dlgJump* dialog = monitor.mn_View_Jump_Click();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->isModal());
    auto* text = dialog->findChild<QLineEdit*>("txtJump");
    ASSERT_NE(text, nullptr);

    QTest::keyClicks(text, "0");
    QTest::keyClick(text, Qt::Key_Return);  // not a line: stays open, view unchanged
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(Top(), 0);
    text->setText("3");
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_EQ(Top(), 40);
    EXPECT_FALSE(dialog->isVisible());

    monitor.mn_View_Jump_Click();
    EXPECT_TRUE(text->text().isEmpty());
    text->setText("2.5");  // rounds to 2
    QTest::keyClick(dialog, Qt::Key_F1);
    EXPECT_EQ(Top(), 20);

    monitor.mn_View_Jump_Click();
    text->setText("7");
    QTest::keyClick(dialog, Qt::Key_F8);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(Top(), 20);

    monitor.mn_View_Jump_Click();
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(dialog, &deactivate);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(MonitorControlsTest, ScrollStepDialog) {
    state.settings.gintScroll = 0;
    dlgScroll* dialog = monitor.mn_View_Scroll_Click();
    auto* screen = dialog->findChild<QRadioButton*>("optMode0");
    auto* lines = dialog->findChild<QRadioButton*>("optMode1");
    auto* rows = dialog->findChild<QLineEdit*>("txtRow");
    auto* unit = dialog->findChild<QLabel*>("lblUnit");
    ASSERT_TRUE(screen && lines && rows && unit);
    EXPECT_TRUE(screen->isChecked());
    EXPECT_FALSE(rows->isEnabled());
    EXPECT_FALSE(unit->isEnabled());

    QTest::mouseClick(lines, Qt::LeftButton);
    EXPECT_TRUE(rows->isEnabled());
    EXPECT_TRUE(unit->isEnabled());
    rows->setText("3");
    QTest::keyClick(dialog, Qt::Key_F1);
    EXPECT_EQ(state.settings.gintScroll, 3);
    EXPECT_FALSE(dialog->isVisible());

    monitor.mn_View_Scroll_Click();
    EXPECT_TRUE(lines->isChecked());
    EXPECT_EQ(rows->text(), "3");
    rows->setText("abc");  // no number: screen scroll
    QTest::keyClick(dialog, Qt::Key_F1);
    EXPECT_EQ(state.settings.gintScroll, 0);

    for (const auto& [text, step] : {std::pair{"99999", 32767}, {"-4", 0}, {"2.5", 2}}) {
        monitor.mn_View_Scroll_Click();
        lines->click();
        rows->setText(text);
        dialog->findChild<QPushButton*>("OKButton")->click();
        EXPECT_EQ(state.settings.gintScroll, step) << text;
    }

    monitor.mn_View_Scroll_Click();
    screen->click();
    QTest::keyClick(dialog, Qt::Key_F8);  // cancelled: the step stays
    EXPECT_EQ(state.settings.gintScroll, 2);
}

TEST_F(MonitorControlsTest, DisplayModeRedrawsTheSameLinesInTheNewCode) {
    EXPECT_FALSE(monitor.mn_View_Mode_Click(0));  // in force already
    EXPECT_TRUE(monitor.mn_View_Mode_Click(1));
    EXPECT_EQ(Top(), 100);
    EXPECT_EQ(monitor.cells().at(CellRow::RD, 0).text, CellText::hex(0x20 + 100 % 90));
    EXPECT_EQ(status.panels[MonitorStatus::kModePanel], "16進");

    state.run.gintRireki = 0;  // live: only new bytes take the new code
    EXPECT_TRUE(monitor.mn_View_Mode_Click(0));
    EXPECT_EQ(monitor.cells().at(CellRow::RD, 0).text, CellText::hex(0x20 + 100 % 90));
    EXPECT_EQ(status.panels[MonitorStatus::kModePanel], "ASCII");
}

TEST_F(MonitorControlsTest, IdleScaleSetsTheTimerAndThePanel) {
    QTimer* tim = timer("timIdle");
    EXPECT_EQ(tim->interval(), 25);  // before any scale
    EXPECT_FALSE(tim->isActive());
    EXPECT_FALSE(monitor.mn_View_Idle_Scale_Click(0));

    clock.SetTime(8, 0, 1);
    EXPECT_TRUE(monitor.mn_View_Idle_Scale_Click(1));
    EXPECT_EQ(tim->interval(), 1000);
    EXPECT_FLOAT_EQ(state.run.gsngIdleStart, 8 * 3600 + 1);
    clock.SetTime(8, 0, 5);
    EXPECT_TRUE(monitor.mn_View_Idle_Scale_Click(3));
    EXPECT_EQ(tim->interval(), 10);
    EXPECT_TRUE(tim->isActive());
    EXPECT_EQ(state.settings.gintIdleMode, 100);
    EXPECT_EQ(status.panels[MonitorStatus::kIdlePanel], "ｱｲﾄﾞﾙ(10ms)");
    EXPECT_FLOAT_EQ(state.run.gsngIdleStart, 8 * 3600 + 5);

    EXPECT_FALSE(monitor.mn_View_Idle_Scale_Click(3));
    EXPECT_TRUE(monitor.mn_View_Idle_Scale_Click(0));
    EXPECT_FALSE(tim->isActive());
    EXPECT_EQ(status.panels[MonitorStatus::kIdlePanel], "");
    EXPECT_EQ(state.settings.gintIdleMode, 0);
}

TEST_F(MonitorControlsTest, TimeStampSwitchAndItsTimer) {
    QTimer* tim = timer("timStamp");
    EXPECT_TRUE(monitor.mn_View_Time_Click());
    EXPECT_EQ(status.panels[MonitorStatus::kStampPanel], "ﾀｲﾑｽﾀﾝﾌﾟ有");
    EXPECT_TRUE(tim->isActive());
    EXPECT_EQ(tim->interval(), 1000);
    monitor.timStamp_Timer();
    EXPECT_EQ(state.run.gintStampReq, -1);
    EXPECT_FALSE(tim->isActive());  // one tick per pause
    EXPECT_FALSE(monitor.mn_View_Time_Click());
    EXPECT_EQ(status.panels[MonitorStatus::kStampPanel], "");
    EXPECT_FALSE(tim->isActive());
}

TEST_F(MonitorControlsTest, CellSizeInForceDoesNotRelayout) {
    QTimer* rebuild = timer("timResize");
    state.grid.lintPos = 9;
    EXPECT_FALSE(monitor.mn_View_Font_Size_Click(1));
    EXPECT_FALSE(rebuild->isActive());
    EXPECT_EQ(state.grid.lintPos, 9);

    EXPECT_TRUE(monitor.mn_View_Font_Size_Click(2));
    EXPECT_TRUE(rebuild->isActive());
    monitor.timResize_Timer();
    EXPECT_EQ(state.grid.lintCol, 26);
    EXPECT_EQ(monitor.surface().gridGeometry().Size().lintFont, 8);
    EXPECT_EQ(Top(), 100);  // the history is redrawn at its top
}

}  // namespace
