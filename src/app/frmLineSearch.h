#pragma once
#include <QWidget>
#include <optional>

#include "base/Settings.h"
#include "run/LineSearch.h"

class QLabel;
class QPushButton;
class QTableWidget;
class MDIMonitor;
class ScoreBars;

// The window of the line settings search: the settings tried with their scores (a table and a
// bar chart), the best with its score and lead over the next, what could not be told apart,
// and a button that applies the best to the communication parameters after the user's OK.
// Each trial is a run of the main window's own run control (settings sent, start, stop), so
// the characters received show in the monitor as in any run. Esc or closing the window ends
// the search at once; the unit is then stopped and gets back the settings it had, unless the
// user applies the result.
class frmLineSearch : public QWidget {
    Q_OBJECT
  public:
    frmLineSearch(MDIMonitor& window, QWidget* parent);
    ~frmLineSearch() override;

    // Searches, unless a run is under way or auto-save or triggers are set (which a trial
    // would set off): then a message says why. Returns when the search has ended.
    void cmdStart_Click();
    // Asks, then applies the best setting to the settings and sends them to the unit.
    void cmdApply_Click();
    // Ends the search under way (Esc and closing do too).
    void cancel();

    [[nodiscard]] bool searching() const { return searching_; }
    [[nodiscard]] const LineSearchResult& result() const { return result_; }
    // Seconds listened at each setting (the search's default unless set).
    void setListenSeconds(double seconds) { listenSeconds_ = seconds; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    class Listener;
    void showResult(const LineSearchResult& r, bool done);
    [[nodiscard]] QString summaryText(const LineSearchResult& r) const;

    MDIMonitor& window_;
    LineSearchResult result_;
    std::optional<LineSearch> search_;
    Listener* listener_ = nullptr;  // while searching
    double listenSeconds_ = LineSearch::Options{}.listenSeconds;
    int16_t stopBit_ = 0;
    bool searching_ = false;
    QTableWidget* tblCandidates;
    ScoreBars* picScores;
    QLabel* lblBest;
    QLabel* lblStatus;
    QPushButton* cmdStart;
    QPushButton* cmdApply;
    QPushButton* cmdClose;
};

// "回線設定の自動検出(&L)...": the search window, made on first use. Returns it.
frmLineSearch* mn_Tool_LineSearch_Click(MDIMonitor& window);
