#pragma once
#include <QPointer>

#include "base/Prompts.h"
#include "base/RunState.h"
#include "capture/Capture.h"
#include "search/StringSearch.h"
#include "view/MonitorStatus.h"

class dlgSearch;
class dlgTimeSearch;
class frmMonitor;
class QWidget;

// The search menu of the history view: the current search string (shared by the search dialog
// and the repeat commands), the string and time search dialogs, and showing a hit in the
// monitor window. The objects passed in must outlive it.
class MonitorSearch {
  public:
    static constexpr const char* kTitle = "文字列検索";
    static constexpr const char* kNotFound = "検索文字列が見つかりません";

    MonitorSearch(const RunState& run, Capture& capture, frmMonitor& monitor, MonitorStatus& status,
                  Prompts& prompts, QWidget* dialogParent);
    ~MonitorSearch();
    MonitorSearch(const MonitorSearch&) = delete;
    MonitorSearch& operator=(const MonitorSearch&) = delete;

    // "文字列検索(&S)" and "時刻検索(&T)": show their dialog (modeless) and return it for placing.
    dlgSearch* mn_Search_Search_Click();
    dlgTimeSearch* mn_Search_Time_Click();
    // "下に検索(&D)" and "上に検索(&U)": the last search again, forward from the word after the
    // reference position or backward.
    void mn_Search_Down_Click();
    void mn_Search_Up_Click();

    // Searches the display words for the current string in a direction from glngCursol[0]
    // (FromTop first sets it to -1). A hit is highlighted and scrolled into view and true
    // returned; without a hit nothing else changes and the caller reports kNotFound.
    bool find(SearchHoukou houkou);

    // Whether the monitor window shows stored data, which is all a search works on (not during
    // a live run).
    [[nodiscard]] static bool historyShown(const RunState& run) {
        return run.gintRun == 0 || run.gintRireki == 1;
    }

    // Shows text in status bar panel 7.
    void showSearchText(const QString& text);

    [[nodiscard]] SearchString& current() { return search_; }
    [[nodiscard]] const RunState& run() const { return run_; }
    // The words searched, and the reference position and hit (glngCursol) the search sets.
    [[nodiscard]] Capture& words() { return capture_; }

  private:
    void repeat(SearchHoukou houkou);

    const RunState& run_;
    Capture& capture_;
    frmMonitor& monitor_;
    MonitorStatus& status_;
    Prompts& prompts_;
    QWidget* dialogParent_;
    SearchString search_;
    std::vector<int32_t> hit_;
    QPointer<dlgSearch> dlgSearch_;
    QPointer<dlgTimeSearch> dlgTimeSearch_;
};
