#pragma once
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

#include "analysis/FrameIndex.h"
#include "app/FileCommands.h"
#include "base/DecoderObserver.h"

class QComboBox;
class QSpinBox;
class QTableView;
class Clock;
class FrameListModel;
class frmMonitor;
struct CoreState;

// The frame list below the grid: the frames of the capture, with a protocol choice and a late
// reply threshold at its top. While the monitor runs live, the frames are framed as the
// receive path stores the records (each batch is fed to the index where it lies in the
// buffer, and an idle tick ends the open frames), and new rows come in with the grid's frames
// (every kRowFrames frames); the list follows the newest row unless the user has scrolled up.
// Otherwise (after a stop, during background monitoring, after an open) it holds the frames of the
// whole capture in view, made again whenever those change.
//
// A click on a row shows the frame in the history; Ctrl+Down / Ctrl+Up in the grid go to the
// next / previous frame; a search hit selects the frame it falls in. While a protocol other
// than idle is chosen, the grid marks the frames (see FrameMarks).
//
// Nothing is framed while the list is hidden.
class frmFrames : public QWidget, public DecoderObserver {
    Q_OBJECT
  public:
    // The most bytes the data column shows of a frame.
    static constexpr size_t kShownBytes = 16;
    // Live, new rows go in every kRowFrames frames of the grid (about ten times a second):
    // each time the table lays out and paints its rows again, which at every frame of a busy
    // line would cost several times what the grid costs.
    static constexpr int kRowFrames = 5;

    // inView gives the capture that the history shows (see FileCommands::captureInView).
    frmFrames(CoreState& core, const Clock& clock, frmMonitor& monitor,
              std::function<CaptureInView()> inView, QWidget* parent);
    ~frmFrames() override;

    // The protocols of VXProto.ini offered besides the built-in ones.
    void setProtocols(const proto::ProtocolFile& file);
    // Shown or hidden with the list: framing starts from the whole capture, or stops.
    void setActive(bool active);

    // A batch of records is stored: the live index takes them.
    void batchDone() override;

    [[nodiscard]] const FrameIndex& index() const { return index_; }
    // The index whose frames the grid marks, null when it marks none: its words are those of
    // the history when that is shown.
    [[nodiscard]] const FrameIndex* marked() const;
    // Up to most bytes of a frame of the index.
    [[nodiscard]] std::vector<uint8_t> bytesOf(const Frame& f, size_t most) const;
    // Whether f answers the other end (a Modbus reply or exception; otherwise a frame of RD)
    // later than the threshold.
    [[nodiscard]] bool late(const Frame& f) const;
    // Moves the history to the frame of the row and selects it (nothing while live).
    void jumpTo(int row);

  private:
    enum class Source : uint8_t { None, Live, View };
    // Follows the monitor: frames again what it shows when that changed, else takes the new
    // records of a live run.
    void sync();
    void rebuild(Source source);
    void feedLive();
    // The frame tick: new rows in, the marks of the screen.
    void frame();
    void showRows();
    void quiet();
    void step(bool next);
    void cursorMoved();
    void selectRow(int row);

    CoreState& core_;
    const Clock& clock_;
    frmMonitor& monitor_;
    std::function<CaptureInView()> inView_;
    proto::ProtocolFile protocols_;
    FrameIndex index_;
    bool active_ = false;
    Source source_ = Source::None;
    uint32_t wordsChanges_ = 0;  // Capture::wordsChanges() when the index was made
    int64_t liveBase_ = 0;       // live: the words dropped before the index's first
    int64_t liveDropped_ = 0;    // live: the bytes dropped before the index's first
    CaptureInView view_;         // otherwise: the records the index was made of
    int64_t shownDropped_ = 0;   // FrameIndex::droppedFrames() when the rows were shown
    int framesSinceRows_ = 0;
    QComboBox* cmbProtocol;
    QSpinBox* spnLate;
    QTableView* tblFrames;
    FrameListModel* model_;
};
