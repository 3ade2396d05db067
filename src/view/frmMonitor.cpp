#include "view/frmMonitor.h"

#include <QKeyEvent>
#include <QResizeEvent>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

#include "base/Status.h"
#include "capture/Records.h"
#include "view/MonitorSearch.h"

namespace {

QTimer* makeTimer(QObject* parent, const char* name, int interval, bool singleShot) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(interval);
    timer->setSingleShot(singleShot);
    return timer;
}

}  // namespace

frmMonitor::frmMonitor(MonitorState state, const Clock& clock, MonitorStatus& status,
                       TriggerChecks& triggers, QWidget* parent)
    : QWidget(parent),
      state_(state),
      clock_(clock),
      status_(status),
      live_(state.settings, state.run, state.capture, state.grid, cells_, status, triggers),
      history_(state.settings, state.run, state.capture, state.grid, cells_, status),
      idle_(state.settings, state.run, state.grid, cells_, live_, clock),
      surface_(new CellSurface(state.gstrChr, cells_, this)),
      timResize(makeTimer(this, "timResize", 5, true)),
      gapTimers_(
          state.run,
          [this] {
              idle_.tick();
              emit idleTicked();
          },
          this) {
    setObjectName(QStringLiteral("frmMonitor"));
    showNewCaption();
    setFocusPolicy(Qt::StrongFocus);
    cells_.setListener(surface_);
    connect(timResize, &QTimer::timeout, this, &frmMonitor::timResize_Timer);
    connect(surface_, &CellSurface::frameDue, this, [this] {
        live_.showLine();
        if (live_.linePending()) {
            surface_->requestFrame();  // the number held back is shown a few frames later
        }
    });
    connect(surface_, &CellSurface::arrowClicked, this, &frmMonitor::arrowClicked);
    connect(surface_, &CellSurface::cellDoubleClicked, this, &frmMonitor::cellDoubleClicked);

    state_.run.gintIdleReq = status::kDone;
    state_.run.gintStampReq = status::kDone;
    state_.grid.llngLine = 1;
    state_.capture.glngCursol.assign(1, -1);
    CalcResize();
    timResize->start();
}

frmMonitor::~frmMonitor() {
    // The children that refer to members go first, while those members still exist.
    delete jump_;
    delete scroll_;
    cells_.setListener(nullptr);
    delete surface_;
}

void frmMonitor::showNewCaption() {
    caption_ = QStringLiteral("New Monitor");
    setWindowTitle(caption_);
}

void frmMonitor::showFileCaption(const QString& path) {
    const auto cut =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    caption_ = path.mid(cut + 1);
    setWindowTitle(caption_);
}

void frmMonitor::showStopNote(const QString& note) {
    setWindowTitle(note.isEmpty() ? caption_ : caption_ + QStringLiteral("  ") + note);
}

void frmMonitor::ClearDisp() {
    live_.restart();
    // A gap in progress keeps its idle record pending: its columns go on the new screen.
    if (state_.run.gintIdleReq == status::kPending) {
        idle_.tick();
    }
}

void frmMonitor::ClearDat() {
    state_.capture.ClearDat();
    ClearDisp();
}

void frmMonitor::placeHistory(bool backgroundChecked) {
    history_.placeTop(backgroundChecked);
}

int32_t frmMonitor::DispRireki(int32_t& lngTop) {
    return history_.DispRireki(lngTop);
}

int32_t frmMonitor::dispRirekiAt(int32_t lngTop) {
    return history_.DispRireki(lngTop);
}

bool frmMonitor::liveRun() const {
    return state_.run.gintRun == 1 && state_.run.gintRireki != 1;
}

void frmMonitor::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    surface_->setGeometry(rect());
    // During a live run the grid keeps its size unless the settings allow resizing.
    if (!liveRun() || state_.settings.gintResizeMode != 0) {
        CalcResize();
    }
}

void frmMonitor::CalcResize() {
    const int fontSize = state_.settings.gintFontSize;
    const auto widthTw = static_cast<int32_t>(std::lround(width() * 1440.0 / logicalDpiX()));
    const auto heightTw = static_cast<int32_t>(std::lround(height() * 1440.0 / logicalDpiY()));
    const GridGeometry::Count count = GridGeometry::countFor(fontSize, widthTw, heightTw);
    GridState& g = state_.grid;
    // A new cell size with the same counts is rebuilt as well, or the grid would keep
    // the old cell size and font.
    if (count.cols == g.lintCol && count.rows == g.lintRow && fontSize == builtFontSize_) {
        return;
    }
    builtFontSize_ = fontSize;
    g.lintRow = count.rows;
    g.lintCell = count.cols * count.rows;
    g.lintCol = count.cols;
    timResize->start();
    g.lintPos = 0;
    g.llngLine = live_.topLine();
}

void frmMonitor::timResize_Timer() {
    timResize->stop();
    BuildColumns();
    BuildGrid();
    if (liveRun()) {
        ClearDisp();
    } else {
        int32_t top = state_.capture.glngDispTop;
        history_.DispRireki(top);
    }
}

void frmMonitor::BuildColumns() {
    // The surface takes the new cell size and fonts and numbers the ruler 1 .. lintCol.
    const GridState& g = state_.grid;
    surface_->setGrid(
        GridGeometry(builtFontSize_, g.lintCol, g.lintRow, logicalDpiX(), logicalDpiY()));
}

void frmMonitor::BuildGrid() {
    cells_.resize(state_.grid.lintCell, state_.settings.glngColRD, state_.settings.glngColSD);
}

void frmMonitor::SetCursol(int16_t intType, std::span<const int32_t> lngNo) {
    history_.SetCursol(intType, lngNo);
    emit cursorSet();
}

bool frmMonitor::showFrame(int64_t firstWord, int64_t lastWord, bool sd) {
    const Capture& words = state_.capture;
    if (!MonitorSearch::historyShown(state_.run) || firstWord < 0 ||
        firstWord >= words.glngDispLen()) {
        return false;
    }
    std::vector<int32_t> hits;
    for (int64_t w = firstWord; w <= lastWord && w < words.glngDispLen(); ++w) {
        const auto d = static_cast<uint16_t>(words.gintDispDat()[static_cast<size_t>(w)]);
        if (word::isData(d) && ((d & word::kSd) != 0) == sd) {
            hits.push_back(static_cast<int32_t>(w));
        }
    }
    dispRirekiAt(static_cast<int32_t>(firstWord));
    SetCursol(sd ? 1 : 0, hits);
    return true;
}

void frmMonitor::markFrames(const FrameIndex* index, int64_t liveBase) {
    const GridState& g = state_.grid;
    surface_->setBadMarkColour(state_.settings.glngColErr);
    if (MonitorSearch::historyShown(state_.run)) {
        const int32_t top = state_.capture.glngDispTop;
        marks_.apply(index, top, std::min<int64_t>(g.lintCell, state_.capture.glngDispLen() - top),
                     cells_);
    } else {
        marks_.apply(index, g.liveTop - liveBase, g.lintPos, cells_);
    }
}

void frmMonitor::SetRestartPos() {
    history_.SetRestartPos();
}

void frmMonitor::keyPressEvent(QKeyEvent* event) {
    if (state_.run.gintRireki != 1) {
        QWidget::keyPressEvent(event);
        return;
    }
    const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (ctrl) {
                emit frameStep(event->key() == Qt::Key_Down);
            } else {
                event->key() == Qt::Key_Down ? history_.lineDown() : history_.lineUp();
            }
            break;
        case Qt::Key_PageUp:
            ctrl ? history_.jumpTop() : history_.pageUp();
            break;
        case Qt::Key_PageDown:
            ctrl ? history_.jumpLastHalf() : history_.pageDown();
            break;
        default:
            QWidget::keyPressEvent(event);
            break;
    }
}

void frmMonitor::wheelEvent(QWheelEvent* event) {
    constexpr int kNotch = 120;  // eighths of a degree
    if (state_.run.gintRireki != 1) {
        wheelRest_ = 0;
        event->ignore();
        return;
    }
    const bool page = (event->modifiers() & Qt::ShiftModifier) != 0;
    // Some platforms turn a wheel with Shift into a sideways one.
    const QPoint angle = event->angleDelta();
    const QPoint pixels = event->pixelDelta();
    const int pixelTurn = pixels.y() != 0 || !page ? pixels.y() : pixels.x();
    if (pixelTurn != 0) {
        // A touchpad: one line pitch of pixels makes a notch.
        const int pitch = std::max(
            1, GridGeometry::sizeFor(state_.settings.gintFontSize).pitch * logicalDpiY() / 1440);
        wheelRest_ += pixelTurn * kNotch / pitch;
    } else {
        wheelRest_ += angle.y() != 0 || !page ? angle.y() : angle.x();
    }
    for (; wheelRest_ >= kNotch; wheelRest_ -= kNotch) {
        page ? history_.pageUp() : history_.lineUp();
    }
    for (; wheelRest_ <= -kNotch; wheelRest_ += kNotch) {
        page ? history_.pageDown() : history_.lineDown();
    }
    event->accept();
}

void frmMonitor::arrowClicked(bool up) {
    if (state_.run.gintRireki != 1) {
        return;
    }
    up ? history_.lineUp() : history_.lineDown();
}

void frmMonitor::cellDoubleClicked(int32_t k) {
    if (state_.run.gintRun != 0) {
        return;
    }
    const int64_t top = int64_t{state_.capture.glngDispTop} + k;
    dispRirekiAt(static_cast<int32_t>(std::min<int64_t>(top, std::numeric_limits<int32_t>::max())));
}

void frmMonitor::mn_View_SJump_Click() {
    history_.jumpTop();
}

void frmMonitor::mn_View_EJump_Click() {
    history_.jumpEnd();
}

dlgJump* frmMonitor::mn_View_Jump_Click() {
    if (jump_ == nullptr) {
        jump_ = new dlgJump(history_, this);
    }
    jump_->showDialog();
    return jump_;
}

dlgScroll* frmMonitor::mn_View_Scroll_Click() {
    if (scroll_ == nullptr) {
        scroll_ = new dlgScroll(state_.settings, this);
    }
    scroll_->showDialog();
    return scroll_;
}

bool frmMonitor::mn_View_Mode_Click(int index) {
    Settings& s = state_.settings;
    if (index < 0 || index > 2 || index == s.gintDispMode) {
        return false;
    }
    s.gintDispMode = static_cast<int16_t>(index);
    status_.showPanelText(MonitorStatus::kModePanel, PanelText::mode(index));
    if (state_.run.gintRireki == 1) {
        dispRirekiAt(-1);
    }
    return true;
}

bool frmMonitor::mn_View_Idle_Scale_Click(int index) {
    static constexpr int16_t kModes[] = {0, 1, 10, 100};
    Settings& s = state_.settings;
    if (index < 0 || index > 3 || kModes[index] == s.gintIdleMode) {
        return false;
    }
    s.gintIdleMode = kModes[index];
    status_.showPanelText(MonitorStatus::kIdlePanel, PanelText::idleScale(s.gintIdleMode));
    setIdleScale(s.gintIdleMode);
    if (s.gintIdleMode > 0) {
        state_.run.gsngIdleStart = clock_.timer();
    }
    return true;
}

bool frmMonitor::mn_View_Time_Click() {
    Settings& s = state_.settings;
    s.gintTimeStamp = s.gintTimeStamp == 1 ? 0 : 1;
    status_.showPanelText(MonitorStatus::kStampPanel, PanelText::stamp(s.gintTimeStamp));
    setStampTimer(s.gintTimeStamp == 1);
    return s.gintTimeStamp == 1;
}

bool frmMonitor::mn_View_Font_Size_Click(int index) {
    Settings& s = state_.settings;
    if (index < 0 || index > 2 || index == s.gintFontSize) {
        return false;
    }
    s.gintFontSize = static_cast<int16_t>(index);
    CalcResize();
    return true;
}

void frmMonitor::setIdleScale(int idleMode) {
    gapTimers_.applyIdleScale(idleMode);
}

void frmMonitor::setIdleTimer(bool enabled) {
    gapTimers_.setIdleTimer(enabled);
}

void frmMonitor::setStampTimer(bool enabled) {
    gapTimers_.setStampTimer(enabled);
}

void frmMonitor::timIdle_Timer() {
    gapTimers_.idleTick();
}

void frmMonitor::timStamp_Timer() {
    gapTimers_.stampTick();
}
