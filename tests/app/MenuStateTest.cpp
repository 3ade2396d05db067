// Menus, check marks, status-bar panels and the held window size, in the run states.
#include <QMenu>

#include "app/MainMenus.h"
#include "app/PanelBar.h"
#include "app/Twips.h"
#include "support/MainWindowFixture.h"
#include "support/RunUntil.h"
#include "view/dlgJump.h"
#include "view/dlgSearch.h"

TEST_F(AppTest, BackgroundMonitoringOpensSearchAndJumpAndStopCopiesTheWholeCapture) {
    StartUnit();
    OpenWindow();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(CaptureAtLeast(200));
    QAction* back = Item("mn_Run_Back");
    const Capture& c = ctx.core.capture;

    back->trigger();
    EXPECT_TRUE(back->isChecked());
    EXPECT_EQ(ctx.core.run.gintRireki, 1);
    for (const char* name : kSearchAndJump) {
        EXPECT_TRUE(Item(name)->isEnabled()) << name;
    }
    for (const char* name : {"mn_File_Open", "mn_View_Font", "mn_Run_Start", "mn_Tool_Protocol"}) {
        EXPECT_FALSE(Item(name)->isEnabled()) << name;
    }

    back->trigger();
    EXPECT_FALSE(back->isChecked());
    EXPECT_EQ(ctx.core.run.gintRireki, 0);
    for (const char* name : kSearchAndJump) {
        EXPECT_FALSE(Item(name)->isEnabled()) << name;
    }

    // The view keeps the copy made when background monitoring went on; the stop copies
    // everything captured up to the stop.
    back->trigger();
    const int32_t copied = c.glngDispLen();
    EXPECT_EQ(copied, c.glngDatLen() / 2);  // the flood is all data pairs
    ASSERT_TRUE(CaptureAtLeast(c.glngDatLen() + 400));
    EXPECT_EQ(c.glngDispLen(), copied);
    Item("mn_Run_Stop")->trigger();
    EXPECT_FALSE(back->isChecked());
    EXPECT_EQ(c.glngDispLen(), c.glngDatLen() / 2);
    EXPECT_GT(c.glngDispLen(), copied);
    // Stopped from the background view, the history opens on the last line.
    const int32_t col = ctx.core.grid.lintCol;
    EXPECT_EQ(c.glngDispTop, c.glngDispLen() / col * col);
    EXPECT_EQ(PanelText(6), QString("%1行").arg(c.glngDispLen() / col + 1));
    ExpectMenus(false);
}

TEST_F(AppTest, ChoosingTheViewItemInForceKeepsItsCheckMark) {
    NoUnit();
    OpenWindow();
    const MainMenus& m = window->menus();
    Item("mn_View_Mode1")->trigger();
    EXPECT_EQ(ctx.core.settings.gintDispMode, 1);
    EXPECT_EQ(PanelText(3), "16進");
    Item("mn_View_Mode1")->trigger();
    EXPECT_TRUE(m.mn_View_Mode[1]->isChecked());
    EXPECT_FALSE(m.mn_View_Mode[0]->isChecked());

    Item("mn_View_Idle_Scale2")->trigger();
    EXPECT_EQ(ctx.core.settings.gintIdleMode, 10);
    EXPECT_EQ(PanelText(4), "ｱｲﾄﾞﾙ(100ms)");
    Item("mn_View_Idle_Scale2")->trigger();
    EXPECT_TRUE(m.mn_View_Idle_Scale[2]->isChecked());

    ASSERT_EQ(ctx.core.settings.gintFontSize, 1);
    Item("mn_View_Font_Size1")->trigger();
    EXPECT_TRUE(m.mn_View_Font_Size[1]->isChecked());
}

TEST_F(AppTest, StatusBarPanelsDuringALiveRunOnlySwitchTheDisplayMode) {
    StartUnit();
    OpenWindow();
    // Stopped, panel 5 switches time stamps.
    ClickPanel(5);
    EXPECT_EQ(ctx.core.settings.gintTimeStamp, 1);
    EXPECT_EQ(PanelText(5), "ﾀｲﾑｽﾀﾝﾌﾟ有");
    ASSERT_TRUE(Start());

    ClickPanel(2);
    auto* protocol = window->findChild<QWidget*>("dlgProtocol");
    EXPECT_TRUE(protocol == nullptr || !protocol->isVisible());
    ClickPanel(4);
    EXPECT_FALSE(window->menus().idleMenu()->isVisible());
    ClickPanel(5);
    EXPECT_EQ(ctx.core.settings.gintTimeStamp, 1);
    EXPECT_EQ(PanelText(5), "ﾀｲﾑｽﾀﾝﾌﾟ有");
    ClickPanel(6);
    auto* jump = window->findChild<dlgJump*>("dlgJump");
    EXPECT_TRUE(jump == nullptr || !jump->isVisible());
    ClickPanel(7);
    auto* search = window->findChild<dlgSearch*>("dlgSearch");
    EXPECT_TRUE(search == nullptr || !search->isVisible());

    ClickPanel(3);
    EXPECT_EQ(ctx.core.settings.gintDispMode, 1);
    EXPECT_EQ(PanelText(3), "16進");
    ClickPanel(3);
    EXPECT_EQ(ctx.core.settings.gintDispMode, 0);
    EXPECT_EQ(PanelText(3), "ASCII");

    // In the background view, panels 6 and 7 open the jump and the search.
    Item("mn_Run_Back")->trigger();
    ClickPanel(6);
    jump = window->findChild<dlgJump*>("dlgJump");
    ASSERT_NE(jump, nullptr);
    EXPECT_TRUE(jump->isVisible());
    jump->close();
    ClickPanel(7);
    search = window->findChild<dlgSearch*>("dlgSearch");
    ASSERT_NE(search, nullptr);
    EXPECT_TRUE(search->isVisible());
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(AppTest, ALiveRunHoldsTheWindowAtItsStoredSize) {
    StartUnit();
    OpenWindow();
    Settings& s = ctx.core.settings;
    const QSize held(twipsToPixelsX(window.get(), 15000), twipsToPixelsY(window.get(), 9000));
    ASSERT_TRUE(RunUntil([&] { return window->size() == held; }, 2000));

    // Stopped, a new size is recorded.
    window->resize(held - QSize(40, 30));
    ASSERT_TRUE(RunUntil([&] { return s.glngWinWidth != 15000; }, 2000));
    EXPECT_EQ(s.glngWinWidth, pixelsToTwipsX(window.get(), held.width() - 40));
    EXPECT_EQ(s.glngWinHeight, pixelsToTwipsY(window.get(), held.height() - 30));
    EXPECT_EQ(s.gintWinState, 0);
    const QSize recorded = window->size();

    ASSERT_TRUE(Start());
    window->showMaximized();
    EXPECT_TRUE(RunUntil(
        [&] {
            return !(window->windowState() & Qt::WindowMaximized) && window->size() == recorded;
        },
        2000));
    window->resize(recorded + QSize(100, 100));
    EXPECT_TRUE(RunUntil([&] { return window->size() == recorded; }, 2000));
    EXPECT_EQ(s.gintWinState, 0);
    EXPECT_EQ(s.glngWinWidth, pixelsToTwipsX(window.get(), recorded.width()));
}

TEST_F(AppTest, AStoredMaximisedWindowOpensMaximisedOverItsNormalSize) {
    NoUnit();
    OpenWindow({}, 2);
    EXPECT_TRUE(window->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(ctx.core.settings.gintWinState, 2);
    window->showNormal();
    const QSize stored(twipsToPixelsX(window.get(), 15000), twipsToPixelsY(window.get(), 9000));
    EXPECT_TRUE(RunUntil([&] { return window->size() == stored; }, 2000));
    EXPECT_EQ(ctx.core.settings.gintWinState, 0);
}

TEST_F(AppTest, ALiveRunKeepsAMaximisedWindowMaximisedButLetsItBeMinimised) {
    StartUnit();
    OpenWindow({}, 2);
    ASSERT_TRUE(Start());
    window->showNormal();
    EXPECT_TRUE(RunUntil([&] { return window->windowState() == Qt::WindowMaximized; }, 2000));

    window->showMinimized();
    RunFor(50);
    EXPECT_TRUE(window->windowState() & Qt::WindowMinimized);
    EXPECT_EQ(ctx.core.settings.gintWinState, 2);
}

TEST_F(AppTest, TheStoredWidthIsKeptThoughThePanelsNeedMore) {
    NoUnit();
    WriteSettings("[Window_Inf]\nState=0\nHeight=6000\nWidth=9500\n[Mode_Inf]\nLineState=1\n");
    ShowWindow();
    const int stored = twipsToPixelsX(window.get(), 9500);
    PanelBar& bar = window->StBarMonitor();
    const QWidget* last = bar.panel(8);
    ASSERT_GT(last->mapTo(&bar, QPoint(last->width(), 0)).x(), stored) << "the panels fit";
    EXPECT_TRUE(RunUntil([&] { return window->width() == stored; }, 2000)) << window->width();
    EXPECT_LE(window->minimumSizeHint().width(), stored);
    SettleGrid();
    EXPECT_EQ(ctx.core.settings.glngWinWidth, 9500);
    // The panels that fit still work.
    ClickPanel(3);
    EXPECT_EQ(ctx.core.settings.gintDispMode, 1);
    window->shutdownNow();
    EXPECT_NE(ReadText("VXParam.ini").find("Width=9500\n"), std::string::npos);
}
