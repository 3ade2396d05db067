#include "view/frmMonitor.h"

#include <QResizeEvent>
#include <QTimer>
#include <cmath>

namespace {

QTimer* MakeTimer(QObject* parent, const char* name, int interval, bool singleShot) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(interval);
    timer->setSingleShot(singleShot);
    return timer;
}

}  // namespace

frmMonitor::frmMonitor(CoreState& state, const Clock& clock, MonitorStatus& status,
                       DataTriggers& triggers, QWidget* parent)
    : QWidget(parent),
      state_(state),
      clock_(clock),
      status_(status),
      live_(state, cells_, status, triggers),
      history_(state, cells_, status),
      surface_(new CellSurface(state.gstrChr, cells_, this)),
      timResize(MakeTimer(this, "timResize", 5, true)) {
    setObjectName(QStringLiteral("frmMonitor"));
    ShowNewCaption();
    setFocusPolicy(Qt::StrongFocus);
    cells_.SetListener(surface_);
    state_.capture.SetView(this);
    connect(timResize, &QTimer::timeout, this, &frmMonitor::timResize_Timer);

    state_.run.gintIdleReq = 0;
    state_.run.gintStampReq = 0;
    state_.grid.llngLine = 1;
    state_.capture.glngCursol.assign(1, -1);
    CalcResize();
    timResize->start();
}

frmMonitor::~frmMonitor() {
    cells_.SetListener(nullptr);
    state_.capture.SetView(nullptr);
}

void frmMonitor::ShowNewCaption() {
    setWindowTitle(QStringLiteral("New Monitor"));
}

void frmMonitor::ShowFileCaption(const QString& path) {
    const auto cut =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    setWindowTitle(path.mid(cut + 1));
}

void frmMonitor::DispMonitor(uint8_t first, uint8_t second) {
    live_.DispMonitor(first, second);
}

void frmMonitor::DispTimeStamp(const std::string& hhmmss) {
    live_.DispTimeStamp(hhmmss);
}

void frmMonitor::NextCell() {
    live_.NextCell();
}

void frmMonitor::ClearDisp() {
    live_.ClearDisp();
}

void frmMonitor::ShowLineNumber(int32_t line) {
    status_.ShowPanelText(MonitorStatus::kLinePanel, PanelText::Line(line));
}

int32_t frmMonitor::DispRireki(int32_t& lngTop) {
    return history_.DispRireki(lngTop);
}

int32_t frmMonitor::DispRirekiAt(int32_t lngTop) {
    return history_.DispRireki(lngTop);
}

bool frmMonitor::LiveRun() const {
    return state_.run.gintRun == 1 && state_.run.gintRireki != 1;
}

void frmMonitor::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    surface_->setGeometry(rect());
    // During a live run the grid keeps its size unless the settings allow resizing.
    if (!LiveRun() || state_.settings.gintResizeMode != 0) {
        CalcResize();
    }
}

void frmMonitor::CalcResize() {
    const int fontSize = state_.settings.gintFontSize;
    const auto widthTw = static_cast<int32_t>(std::lround(width() * 1440.0 / logicalDpiX()));
    const auto heightTw = static_cast<int32_t>(std::lround(height() * 1440.0 / logicalDpiY()));
    const GridGeometry::Count count = GridGeometry::CountFor(fontSize, widthTw, heightTw);
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
    g.llngLine = state_.capture.glngDatLen / (g.lintCol * 2) + 1;
}

void frmMonitor::timResize_Timer() {
    timResize->stop();
    const GridState& g = state_.grid;
    const Settings& set = state_.settings;
    surface_->SetGrid(
        GridGeometry(builtFontSize_, g.lintCol, g.lintRow, logicalDpiX(), logicalDpiY()));
    cells_.Resize(g.lintCell, set.glngColRD, set.glngColSD);
    if (LiveRun()) {
        state_.grid.lintPos = 0;
    } else {
        int32_t top = state_.capture.glngDispTop;
        history_.DispRireki(top);
    }
}
