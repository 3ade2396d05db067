// The line settings search window on the virtual link: the unit on a true line of its own,
// each trial a run of the main window, the result shown and applied only after the user's OK.
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "app/frmLineSearch.h"
#include "link/CommParam.h"
#include "support/MainWindowFixture.h"

namespace {

class LineSearchWindowTest : public AppTest {
  protected:
    // The unit's chat on a 19200,E,7,1 line; the program's settings 9600,N,8,1.
    void SetUp() override {
        StartUnit({"--scenario", "chat", "--line", "19200,7,E,1", "--rate-factor", "30"});
        OpenWindow("[Comm_Inf]\nSpeed=9600\nDataLength=1\nParity=0\nStopBit=0\n");
        Item("mn_Tool_LineSearch")->trigger();
        search = window->findChild<frmLineSearch*>("frmLineSearch");
        ASSERT_NE(search, nullptr);
    }
    [[nodiscard]] QString Best() const { return search->findChild<QLabel*>("lblBest")->text(); }
    // The last speed and format commands the unit took.
    [[nodiscard]] QStringList LastSettings() const {
        QStringList last;
        for (const QString& line : virtualLink.trace()) {
            if (line.startsWith("S01") || line.startsWith("S02")) {
                last.push_back(line);
            }
        }
        return last.mid(std::max<qsizetype>(0, last.size() - 2));
    }

    frmLineSearch* search = nullptr;
};

TEST_F(LineSearchWindowTest, FindsTheLineLeavesTheUnitAsItWasAndAppliesOnlyAfterOk) {
    search->cmdStart_Click();
    const LineSearchResult& r = search->result();
    ASSERT_EQ(r.outcome, LineSearchResult::Outcome::Found) << r.reason;
    EXPECT_EQ(trialText(r.trials[*r.best].trial, 0), "19200,E,7,1");
    EXPECT_EQ(search->findChild<QTableWidget*>("tblCandidates")->rowCount(),
              static_cast<int>(r.trials.size()));
    EXPECT_TRUE(Best().contains("最適な設定: 19200,E,7,1")) << Best().toStdString();
    EXPECT_TRUE(Best().contains("ストップビット")) << Best().toStdString();
    // Stopped, with the settings it had: in the program and in the unit.
    EXPECT_EQ(ctx.core.run.gintRun, 0);
    EXPECT_TRUE(virtualLink.startsAndStops().last().startsWith("G00"));
    EXPECT_EQ(commParamText(ctx.core.settings), "9600,N,8,1");
    EXPECT_EQ(LastSettings(), (QStringList{"S0106 OK", "S0210 OK"}));

    prompts.answers = {Prompts::Answer::Cancel};
    search->findChild<QPushButton*>("cmdApply")->click();
    EXPECT_EQ(commParamText(ctx.core.settings), "9600,N,8,1");
    prompts.answers = {Prompts::Answer::Ok};
    search->findChild<QPushButton*>("cmdApply")->click();
    EXPECT_EQ(Asked("通信パラメータを 19200,E,7,1 に変更しますか？"), 2);
    EXPECT_EQ(commParamText(ctx.core.settings), "19200,E,7,1");
    EXPECT_EQ(LastSettings(), (QStringList{"S0108 OK", "S0202 OK"}));
    EXPECT_EQ(PanelText(2), "19200,E,7,1");
}

TEST_F(LineSearchWindowTest, EscEndsTheSearchAtOnceWithTheUnitStopped) {
    int starts = 0;
    after(1500, [&] {
        starts = static_cast<int>(virtualLink.startsAndStops().filter("G01").size());
        PressKey(search, Qt::Key_Escape);
    });
    search->cmdStart_Click();
    EXPECT_EQ(search->result().outcome, LineSearchResult::Outcome::Cancelled);
    EXPECT_FALSE(search->isVisible());
    EXPECT_GT(starts, 0);
    // No setting was tried after the Esc.
    EXPECT_EQ(virtualLink.startsAndStops().filter("G01").size(), starts);
    EXPECT_LT(search->result().trials.size(), kUnitSpeeds.size());
    EXPECT_EQ(ctx.core.run.gintRun, 0);
    EXPECT_TRUE(virtualLink.startsAndStops().last().startsWith("G00"));
    EXPECT_EQ(commParamText(ctx.core.settings), "9600,N,8,1");
    EXPECT_FALSE(search->findChild<QPushButton*>("cmdApply")->isEnabled());
}

TEST_F(LineSearchWindowTest, DoesNotSearchWhileATrialWouldSetOffAutoSaveOrTriggers) {
    ctx.triggers.gintTrigType[0] = 1;
    search->cmdStart_Click();
    EXPECT_EQ(Asked("自動保存またはトリガが設定されているため回線設定を検出できません\n"
                    "解除してからやり直してください"),
              1);
    EXPECT_TRUE(search->result().trials.empty());
    EXPECT_TRUE(virtualLink.startsAndStops().isEmpty());
}

}  // namespace
