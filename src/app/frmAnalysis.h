#pragma once
#include <QWidget>
#include <functional>
#include <memory>

#include "analysis/FrameAnalysis.h"
#include "app/FileCommands.h"
#include "base/Progress.h"

class QBarSet;
class QComboBox;
class QChartView;
class QLabel;
class QSpinBox;
class QTableView;
class FrameTableModel;
class frmMonitor;

// The reply-time window: the frames of the capture in view with their reply times, the gap
// and protocol choices (frames whose check is bad are coloured), a summary line and a histogram
// of the reply times (RD's answers to SD, SD's turnaround, or both). Replies of the directions
// the histogram shows that are above the late threshold are marked and counted in the table,
// the summary and the histogram; replies shorter than the idle step read "<" and the step. A
// double click on a row shows the frame's first byte at the top of the history view and
// highlights the frame's bytes.
//
// The window keeps an index of the frames (where each begins in the records and its fields)
// and reads the bytes of the rows shown from the capture, so a capture of any size is
// analysed. An analysis that takes long shows its progress and can be cancelled, which leaves
// the window as it was.
class frmAnalysis : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kMaxBins = 20;

    // monitor shows the history view.
    frmAnalysis(frmMonitor& monitor, QWidget* parent);
    ~frmAnalysis() override;

    // Takes the capture to analyse (the view's words must come from the same records) and
    // shows its frames. False, with the window as it was, when the file cannot be read or the
    // analysis was cancelled (error then empty).
    bool load(CaptureInView capture, std::string& error);
    // The protocols of VXProto.ini offered besides the built-in ones (the choice is kept when
    // its name is still offered). Takes effect at the next analysis.
    void setProtocols(proto::ProtocolFile file);
    // Moves the history view to the frame of the row (nothing while a live run is shown).
    void jumpTo(int row);

    [[nodiscard]] const FrameList& frames() const { return list_; }
    // Up to most bytes of a frame of the list, read from the capture.
    [[nodiscard]] std::vector<uint8_t> bytesOf(const Frame& f, size_t most) const;

    // What shows the progress of an analysis: a progress dialog unless replaced (tests).
    using ProgressMaker = std::function<std::unique_ptr<Progress>(QWidget* parent)>;
    void setProgressMaker(ProgressMaker maker) { progressMaker_ = std::move(maker); }

  private:
    // Analyses the capture with the options shown into list_; false (list_ as it was) when
    // cancelled or the file cannot be read.
    bool analyse(const CaptureInView& capture, std::string& error);
    // The options changed: analyses again, or puts the options back when cancelled.
    void reanalyse();
    void showList();
    void showLate();
    void drawHistogram();
    [[nodiscard]] bool late(const Frame& f) const;
    [[nodiscard]] QString summaryText() const;

    frmMonitor& monitor_;
    CaptureInView capture_;  // what list_ indexes
    FrameList list_;
    FrameOptions shown_;  // the options list_ was made with
    proto::ProtocolFile protocols_;
    ProgressMaker progressMaker_;
    QSpinBox* spnGap;
    QComboBox* cmbProtocol;  // idle, modbus-rtu, modbus-ascii, lines, then VXProto.ini's
    QSpinBox* spnLate;
    QComboBox* cmbHistogram;
    QLabel* lblSummary;
    QTableView* tblFrames;
    QChartView* chartReply;
    FrameTableModel* model_;
};
