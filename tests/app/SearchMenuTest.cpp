// The search menu of the main window on a stopped capture: the dialog, the repeat keys and
// status bar panel 7.
#include <QComboBox>
#include <QTest>

#include "support/MainWindowFixture.h"
#include "support/RunUntil.h"
#include "view/dlgSearch.h"
#include "view/dlgTimeSearch.h"
#include "view/frmMonitor.h"

TEST_F(AppTest, SearchByDialogThenByF3AndShiftF3) {
    OpenWindow();
    StorePairs(100);  // RD A..Z repeated: "XY" at words 23, 49, 75
    Capture& c = ctx.core.capture;
    c.CopyDat(c.gbyteDat().data(), c.glngDatLen());
    ctx.core.run.gintRireki = 1;
    window->monitor().dispRirekiAt(0);

    Item("mn_Search_Search")->trigger();
    auto* dialog = window->findChild<dlgSearch*>("dlgSearch");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    dialog->findChild<QComboBox*>("cmbSearch")->setEditText("XY");
    QTest::keyClick(dialog, Qt::Key_F1);
    EXPECT_EQ(c.glngCursol[0], 23);
    EXPECT_EQ(PanelText(7), "検索 A/XY");

    dialog->close();
    window->activateWindow();
    ASSERT_TRUE(RunUntil([&] { return QApplication::activeWindow() == window.get(); }, 2000));
    QTest::keyClick(window.get(), Qt::Key_F3);
    EXPECT_EQ(c.glngCursol[0], 49);
    QTest::keyClick(window.get(), Qt::Key_F3);
    QTest::keyClick(window.get(), Qt::Key_F3);  // past the last hit
    EXPECT_EQ(c.glngCursol[0], 75);
    EXPECT_EQ(AskedTexts(), std::vector<std::string>{"検索文字列が見つかりません"});
    QTest::keyClick(window.get(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(c.glngCursol[0], 49);

    Item("mn_Search_Time")->trigger();
    auto* time = window->findChild<dlgTimeSearch*>("dlgTimeSearch");
    ASSERT_NE(time, nullptr);
    EXPECT_TRUE(time->isVisible());
}
