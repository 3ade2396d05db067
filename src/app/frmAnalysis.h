#pragma once
#include <QWidget>

#include "analysis/FrameAnalysis.h"
#include "files/LogFile.h"

class QBarSet;
class QCheckBox;
class QComboBox;
class QChartView;
class QLabel;
class QSpinBox;
class QTableView;
class Capture;
class FrameTableModel;
class frmMonitor;
struct RunState;

// The reply-time window: the frames of the capture in view with their reply times, the gap
// and Modbus choices, a summary line and a histogram of the reply times (RD's answers to SD,
// SD's turnaround, or both). Replies above the
// late threshold are marked in the table and the histogram. A double click on a row shows the
// frame's first byte at the top of the history view and highlights the frame's bytes.
class frmAnalysis : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kMaxBins = 20;

    // capture holds the display words of the history view, which monitor shows.
    frmAnalysis(const RunState& run, const Capture& capture, frmMonitor& monitor, QWidget* parent);
    ~frmAnalysis() override;

    // Takes the capture to analyse (the view's words must come from the same records) and
    // shows its frames.
    void load(LogFile log);
    // Moves the history view to the frame of the row (nothing while a live run is shown).
    void jumpTo(int row);

    [[nodiscard]] const FrameList& frames() const { return list_; }

  private:
    void analyse();
    void showLate();
    void drawHistogram();
    [[nodiscard]] bool late(const Frame& f) const;
    [[nodiscard]] QString summaryText() const;

    const RunState& run_;
    const Capture& capture_;
    frmMonitor& monitor_;
    LogFile log_;
    FrameList list_;
    QSpinBox* spnGap;
    QCheckBox* chkModbus;
    QSpinBox* spnLate;
    QComboBox* cmbHistogram;
    QLabel* lblSummary;
    QTableView* tblFrames;
    QChartView* chartReply;
    FrameTableModel* model_;
};
