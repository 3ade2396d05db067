// The search menu commands and the string and time search dialogs on a monitor window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cmath>

#include "ViewFakes.h"
#include "capture/Records.h"
#include "support/FakeClock.h"
#include "support/ScriptedPrompts.h"
#include "view/MonitorSearch.h"
#include "view/dlgSearch.h"
#include "view/dlgTimeSearch.h"
#include "view/frmMonitor.h"

namespace {

const char* const kNotFound = "検索文字列が見つかりません";

// The monitor window at 20 columns x 10 lines browsing stored words.
class SearchDialogTest : public ::testing::Test {
  protected:
    SearchDialogTest()
        : monitor(state.monitor(), clock, status, triggers),
          search(state.run, state.capture, monitor, status, prompts, nullptr) {
        monitor.resize(static_cast<int>(std::lround(8800 * monitor.logicalDpiX() / 1440.0)),
                       static_cast<int>(std::lround(7300 * monitor.logicalDpiY() / 1440.0)));
        monitor.show();
        QCoreApplication::processEvents();
        monitor.timResize_Timer();
        state.run.gintRireki = 1;
    }
    // The stored records that CopyDat turns into words (data words, and time stamps and idle
    // records as their two words).
    static std::vector<uint8_t> RecordsOf(const std::vector<int16_t>& words) {
        std::vector<uint8_t> out;
        for (size_t i = 0; i < words.size(); ++i) {
            const int w = words[i];
            if (word::isTwoWord(w) && i + 1 < words.size()) {
                const int next = words[++i];
                out.insert(
                    out.end(),
                    {static_cast<uint8_t>(word::kind(w) == word::kStamp ? rec::kStamp : rec::kIdle),
                     static_cast<uint8_t>(w & 0xFF), static_cast<uint8_t>(next / 100),
                     static_cast<uint8_t>(next % 100)});
                continue;
            }
            const int v = w & 0xFF;
            out.push_back(static_cast<uint8_t>(0x80 | ((w & word::kSd) != 0 ? 0x20 : 0) |
                                               ((w & word::kParity) != 0 ? 0x10 : 0) | (v >> 4)));
            out.push_back(
                static_cast<uint8_t>(0xC0 | ((w & word::kFraming) != 0 ? 0x10 : 0) | (v & 0x0F)));
        }
        return out;
    }
    // words: the given words, then filler (RD 0x30) up to 600 words.
    void Hold(std::vector<int16_t> words) {
        words.resize(600, 0x30);
        const std::vector<uint8_t> records = RecordsOf(words);
        state.capture.CopyDat(records.data(), static_cast<int32_t>(records.size()));
        monitor.dispRirekiAt(0);
    }
    int32_t Top() const { return state.capture.glngDispTop; }
    int32_t Cursol() const { return state.capture.glngCursol[0]; }
    bool Lit(CellRow row, int32_t k) const { return monitor.cells().at(row, k).hilite; }
    std::vector<std::string> Asked() {
        std::vector<std::string> texts;
        for (const auto& a : prompts.asked) {
            texts.push_back(a.text);
        }
        prompts.asked.clear();
        return texts;
    }
    // Opens the dialog and searches for text with the options given by index.
    dlgSearch* Search(const QString& text, int code = 0, int houkou = 2, int kubun = 0) {
        dlgSearch* d = search.mn_Search_Search_Click();
        d->findChild<QRadioButton*>(QStringLiteral("optCode%1").arg(code))->setChecked(true);
        d->findChild<QRadioButton*>(QStringLiteral("optHoukou%1").arg(houkou))->setChecked(true);
        d->findChild<QRadioButton*>(QStringLiteral("optKubun%1").arg(kubun))->setChecked(true);
        Combo(d)->setEditText(text);
        d->OKButton_Click();
        return d;
    }
    static QComboBox* Combo(dlgSearch* d) { return d->findChild<QComboBox*>("cmbSearch"); }

    CoreState state;
    FakeClock clock;
    RecordingStatus status;
    RecordingObserver triggers;
    ScriptedPrompts prompts;
    frmMonitor monitor;
    MonitorSearch search;
};

TEST_F(SearchDialogTest, RepeatCommandsNeedASearchString) {
    Hold({});
    search.mn_Search_Down_Click();
    search.mn_Search_Up_Click();
    ASSERT_EQ(prompts.asked.size(), 2U);
    EXPECT_EQ(prompts.asked[0].text, "検索文字列が設定されていません");
    EXPECT_EQ(prompts.asked[0].title, "文字列検索");
    EXPECT_EQ(prompts.asked[0].icon, Prompts::Icon::Exclamation);
}

TEST_F(SearchDialogTest, DialogAndRepeatCommandsWalkThroughTheHits) {
    // "AB" in SD at 10-11, in RD at 250-251 (off the first screen), in SD at 400 and 403.
    std::vector<int16_t> w(404, 0x30);
    w[10] = 0x141, w[11] = 0x142, w[250] = 0x41, w[251] = 0x42;
    w[400] = 0x141, w[401] = 0x3009, w[402] = 1530, w[403] = 0x142;
    Hold(w);
    dlgSearch* d = Search("AB");
    EXPECT_TRUE(Asked().empty());
    EXPECT_TRUE(d->isVisible());  // stays open
    EXPECT_EQ(status.panels[MonitorStatus::kSearchPanel], "検索 A/AB");
    EXPECT_EQ(Cursol(), 10);
    EXPECT_TRUE(Lit(CellRow::SD, 10));
    EXPECT_TRUE(Lit(CellRow::SD, 11));
    EXPECT_FALSE(Lit(CellRow::RD, 10));

    search.mn_Search_Down_Click();
    EXPECT_EQ(Cursol(), 250);
    EXPECT_EQ(Top(), 240);  // the line of the hit
    EXPECT_TRUE(Lit(CellRow::RD, 10));
    search.mn_Search_Down_Click();
    EXPECT_EQ(state.capture.glngCursol, (std::vector<int32_t>{400, 403, -1}));
    EXPECT_EQ(state.capture.gintCursolType, 0x100);
    search.mn_Search_Down_Click();  // the last hit: not found, highlight and view stay
    EXPECT_EQ(Asked(), std::vector<std::string>{kNotFound});
    EXPECT_EQ(Cursol(), 400);
    EXPECT_TRUE(Lit(CellRow::SD, 400 - Top()));

    search.mn_Search_Up_Click();
    EXPECT_EQ(Cursol(), 250);
    search.mn_Search_Up_Click();
    EXPECT_EQ(Cursol(), 10);
    search.mn_Search_Up_Click();
    EXPECT_EQ(Asked(), std::vector<std::string>{kNotFound});
    EXPECT_EQ(Cursol(), 10);
}

TEST_F(SearchDialogTest, DownFromTheDialogStartsBehindTheTopLeftCell) {
    std::vector<int16_t> w(100, 0x30);
    w[40] = 0x41, w[41] = 0x42;
    Hold(w);
    monitor.dispRirekiAt(40);
    Search("AB");  // down from 41
    EXPECT_EQ(Asked(), std::vector<std::string>{kNotFound});
    EXPECT_EQ(Cursol(), 40);  // the reference the dialog took
    EXPECT_FALSE(Lit(CellRow::RD, 0));
    Search("AB", 0, 0);  // from the top
    EXPECT_TRUE(Asked().empty());
    EXPECT_EQ(Cursol(), 40);
    EXPECT_TRUE(Lit(CellRow::RD, 0));
    Search("AB", 0, 1);  // up from 40 + 2 - 2: a hit must end there
    EXPECT_EQ(Asked(), std::vector<std::string>{kNotFound});
    EXPECT_EQ(Cursol(), 40);

    // Reopened elsewhere, the old hit is no reference any more and is not marked again.
    monitor.dispRirekiAt(200);
    search.mn_Search_Search_Click();
    EXPECT_EQ(state.capture.glngCursol, std::vector<int32_t>{200});
    monitor.dispRirekiAt(40);
    EXPECT_FALSE(Lit(CellRow::RD, 0));
    EXPECT_FALSE(Lit(CellRow::RD, 200 - 40));
}

TEST_F(SearchDialogTest, HexadecimalTextsAndTheirRefusals) {
    std::vector<int16_t> w(30, 0x30);
    w[20] = 0x10D, w[21] = 0x50A;  // SD CR, then LF with a framing error
    Hold(w);
    dlgSearch* d = Search("0d0a", 1);
    EXPECT_TRUE(Asked().empty());
    EXPECT_EQ(status.panels[MonitorStatus::kSearchPanel], "検索 H/0d･0a");
    EXPECT_EQ(Cursol(), 20);
    EXPECT_EQ(state.capture.gintCursolType, 0x100);

    Search("0D0", 1);  // refused before any search; the old codes stay
    ASSERT_EQ(prompts.asked.size(), 1U);
    EXPECT_EQ(prompts.asked[0].text, "入力文字数が不正です");
    EXPECT_EQ(prompts.asked[0].title, "入力不正");
    EXPECT_EQ(prompts.asked[0].icon, Prompts::Icon::Critical);
    prompts.asked.clear();
    EXPECT_EQ(search.current().gintSearchDat, (std::vector<int16_t>{0x0D, 0x0A}));
    EXPECT_TRUE(d->isVisible());

    Search("0DXA", 1);  // a bad pair leaves no search string
    EXPECT_EQ(Asked(), std::vector<std::string>{"入力データが不正です"});
    EXPECT_EQ(search.current().length(), 0);
    EXPECT_EQ(status.panels[MonitorStatus::kSearchPanel], "");
    search.mn_Search_Down_Click();
    EXPECT_EQ(Asked(), std::vector<std::string>{"検索文字列が設定されていません"});
}

TEST_F(SearchDialogTest, OpeningShowsTheCurrentStringAndTheHistory) {
    Hold({});
    dlgSearch* d = Search("0D0A", 1);
    Search("xy");
    Search("0D0A", 1);
    d->close();
    search.mn_Search_Search_Click();
    QComboBox* combo = Combo(d);
    EXPECT_EQ(combo->currentText(), "0D0A");
    EXPECT_TRUE(d->findChild<QRadioButton*>("optCode1")->isChecked());
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), "0D0A");
    EXPECT_EQ(combo->itemText(1), "xy");
    // Choosing a history entry selects its code type.
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    EXPECT_TRUE(d->findChild<QRadioButton*>("optCode0")->isChecked());

    Search("ｱ\"");
    d->close();
    search.mn_Search_Search_Click();
    EXPECT_EQ(combo->currentText(), "ｱ\"");
}

TEST_F(SearchDialogTest, ShiftJisTextsAndDirections) {
    // RD 82 A0 is "あ" in Shift-JIS; SD B1 is the half-width "ｱ".
    std::vector<int16_t> w(20, 0x30);
    w[3] = 0x82, w[4] = 0xA0, w[8] = 0x1B1, w[12] = 0xB1;
    Hold(w);
    Search("あ", 2);
    EXPECT_EQ(status.panels[MonitorStatus::kSearchPanel], "検索 S/あ");
    EXPECT_EQ(search.current().gintSearchDat, (std::vector<int16_t>{0x82, 0xA0}));
    EXPECT_EQ(state.capture.glngCursol, (std::vector<int32_t>{3, 4, -1}));
    EXPECT_EQ(state.capture.gintCursolType, 0);
    Search("あ", 0, 0);  // as ASCII a double-byte character is one code that never matches
    EXPECT_EQ(Asked(), std::vector<std::string>{kNotFound});
    Search("ｱ", 0, 0);
    EXPECT_EQ(Cursol(), 8);
    Search("ｱ", 0, 0, 2);  // RD only
    EXPECT_EQ(Cursol(), 12);
    search.mn_Search_Up_Click();  // the repeat keeps the choice: no RD hit before
    EXPECT_EQ(Asked(), std::vector<std::string>{kNotFound});
    Search("ｱ", 0, 0, 1);  // SD only
    EXPECT_EQ(Cursol(), 8);
    EXPECT_EQ(search.current().kubun, SearchKubun::Sd);
}

TEST_F(SearchDialogTest, TextIsHeldToItsLongestAndEnterSearches) {
    std::vector<int16_t> w(20, 0x30);
    for (int i = 0; i < 8; ++i) {
        w[static_cast<size_t>(5 + i)] = static_cast<int16_t>('a' + i);
    }
    Hold(w);
    dlgSearch* d = search.mn_Search_Search_Click();
    QComboBox* combo = Combo(d);  // it has the focus and passes the keys to its line edit
    QLineEdit* edit = combo->lineEdit();
    auto* timer = d->findChild<QTimer*>("timReset");
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 10);
    QTest::keyClicks(combo, "abcdefgh");
    EXPECT_FALSE(timer->isActive());
    QTest::keyClicks(combo, "i");
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(edit->text(), "abcdefghi");
    d->timReset_Timer();
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(edit->text(), "abcdefgh");
    EXPECT_EQ(edit->cursorPosition(), 8);
    QTest::keyClick(combo, Qt::Key_Backspace);  // never cut
    EXPECT_FALSE(timer->isActive());
    QTest::keyClicks(combo, "h");
    QTest::keyClick(combo, Qt::Key_Return);
    EXPECT_TRUE(Asked().empty());
    EXPECT_EQ(Cursol(), 5);
    // A text longer than the code type allows is cut when searching.
    Combo(d)->setEditText("abcdefghXYZ");
    QTest::keyClick(d, Qt::Key_F1);
    EXPECT_EQ(search.current().length(), 8);
    EXPECT_EQ(status.panels[MonitorStatus::kSearchPanel], "検索 A/abcdefgh");
    QTest::keyClick(d, Qt::Key_F8);
    EXPECT_FALSE(d->isVisible());
}

TEST_F(SearchDialogTest, NothingIsSearchedWhileTheViewIsLive) {
    std::vector<int16_t> w(20, 0x30);
    w[5] = 0x41;
    Hold(w);
    state.run.gintRun = 1;
    state.run.gintRireki = 0;
    Search("A", 0, 0);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(Cursol(), 0);  // the reference the dialog took, no hit
    EXPECT_FALSE(Lit(CellRow::RD, 5));
    dlgTimeSearch* time = search.mn_Search_Time_Click();
    time->findChild<QLineEdit*>("txtSearch")->setText("256000");
    time->OKButton_Click();
    EXPECT_TRUE(prompts.asked.empty());

    state.run.gintRireki = 1;  // background monitoring: the frozen view can be searched
    Search("A", 0, 0);
    EXPECT_EQ(Cursol(), 5);
}

TEST_F(SearchDialogTest, DialogClosesWhenItLosesActivation) {
    Hold({});
    dlgSearch* d = search.mn_Search_Search_Click();
    EXPECT_FALSE(d->isModal());
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(d, &deactivate);
    EXPECT_FALSE(d->isVisible());
}

class TimeSearchTest : public SearchDialogTest {
  protected:
    // Stamps 09:00:00, 09:10:00 and 09:20:00 at words 100, 300 and 500.
    TimeSearchTest() {
        std::vector<int16_t> w(600, 0x41);
        for (const auto& [at, minutes] : {std::pair{100, 0}, {300, 10}, {500, 20}}) {
            w[static_cast<size_t>(at)] = 0x3009;
            w[static_cast<size_t>(at) + 1] = static_cast<int16_t>(minutes * 100);
        }
        Hold(w);
        dialog = search.mn_Search_Time_Click();
        text = dialog->findChild<QLineEdit*>("txtSearch");
    }
    int32_t find(const char* time) {
        text->setText(QString::fromLatin1(time));
        QTest::keyClick(text, Qt::Key_Return);
        return Top();
    }
    dlgTimeSearch* dialog = nullptr;
    QLineEdit* text = nullptr;
};

TEST_F(TimeSearchTest, MovesTheViewToTheBestFittingStamp) {
    EXPECT_EQ(text->maxLength(), 6);
    EXPECT_EQ(find("091500"), 300);
    EXPECT_EQ(find("085959"), 100);
    EXPECT_EQ(find("093000"), 500);
    EXPECT_EQ(find("091000"), 300);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(TimeSearchTest, RefusesTimesThatAreNoTimeOfDay) {
    monitor.dispRirekiAt(20);
    for (const char* bad : {"256000", "126100", "9150", ""}) {
        EXPECT_EQ(find(bad), 20) << bad;
        ASSERT_EQ(prompts.asked.size(), 1U) << bad;
        EXPECT_EQ(prompts.asked[0].text, "入力データが不正です");
        EXPECT_EQ(prompts.asked[0].title, "入力不正");
        EXPECT_EQ(prompts.asked[0].icon, Prompts::Icon::Critical);
        prompts.asked.clear();
    }
}

TEST_F(TimeSearchTest, ReportsACaptureWithoutTimeStamps) {
    Hold({});
    monitor.dispRirekiAt(20);
    EXPECT_EQ(find("091500"), 20);
    ASSERT_EQ(prompts.asked.size(), 1U);
    EXPECT_EQ(prompts.asked[0].text, "タイムスタンプ記録が見つかりません");
    EXPECT_EQ(prompts.asked[0].title, "時刻検索");
    EXPECT_EQ(prompts.asked[0].icon, Prompts::Icon::Exclamation);
}

}  // namespace
