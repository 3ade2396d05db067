#include "app/frmFrames.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include "analysis/FrameSummary.h"
#include "app/BusyPointer.h"
#include "app/CaptureRecords.h"
#include "app/CoreState.h"
#include "app/ProtocolChoice.h"
#include "app/QString8.h"
#include "app/WinColor.h"
#include "base/Clock.h"
#include "files/LogFile.h"
#include "files/PcapExport.h"
#include "view/MonitorSearch.h"
#include "view/frmMonitor.h"

// The rows of the frame list: one per frame of the index, read from it when shown.
class FrameListModel : public QAbstractTableModel {
  public:
    enum Column {
        kNumber,
        kDir,
        kTime,
        kBytes,
        kGap,
        kReply,
        kData,
        kCheck,
        kProblem,
        kUnit,
        kFunction,
        kKind,
        kColumns
    };

    FrameListModel(const frmFrames& list, const Settings& settings, QObject* parent)
        : QAbstractTableModel(parent), list_(list), settings_(settings) {}

    // The index was made again.
    void reset() {
        beginResetModel();
        rows_ = list_.index().frames().size();
        endResetModel();
    }
    // Frames came in: rows from changed on are new or hold another frame.
    void grow(size_t changed) {
        const size_t now = list_.index().frames().size();
        if (now > rows_) {
            beginInsertRows({}, static_cast<int>(rows_), static_cast<int>(now - 1));
            const size_t was = rows_;
            rows_ = now;
            endInsertRows();
            changed = std::min(changed, was);
            if (changed < was) {
                emit dataChanged(index(static_cast<int>(changed), 0),
                                 index(static_cast<int>(was - 1), kColumns - 1));
            }
        }
    }
    void coloursChanged() {
        if (rows_ > 0) {
            emit dataChanged(index(0, 0), index(static_cast<int>(rows_ - 1), kColumns - 1),
                             {Qt::BackgroundRole});
        }
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_);
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : kColumns;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const char* const kNames[] = {
            "番号",   "方向",     "時刻", "バイト数", "間隔(ms)",       "応答時間(ms)",
            "データ", "チェック", "問題", "ユニット", "ファンクション", "種別"};
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
            section >= kColumns) {
            return {};
        }
        return QString(kNames[section]);
    }

    QVariant data(const QModelIndex& index, int role) const override {
        const auto& frames = list_.index().frames();
        if (!index.isValid() || static_cast<size_t>(index.row()) >= frames.size()) {
            return {};
        }
        const Frame& f = frames[static_cast<size_t>(index.row())];
        if (role == Qt::BackgroundRole) {
            if (f.check == proto::CheckState::Bad || f.problem != proto::Problem::None) {
                return toQColor(settings_.glngColErr);
            }
            return list_.late(f) ? QVariant(toQColor(settings_.glngColIdle)) : QVariant();
        }
        if (role == Qt::TextAlignmentRole) {
            const int c = index.column();
            const bool right =
                c == kNumber || c == kTime || c == kBytes || c == kGap || c == kReply;
            return QVariant::fromValue(Qt::AlignVCenter | (right ? Qt::AlignRight : Qt::AlignLeft));
        }
        if (role != Qt::DisplayRole) {
            return {};
        }
        return text(f, index.row(), index.column());
    }

  private:
    [[nodiscard]] QVariant text(const Frame& f, int row, int column) const {
        const FrameList& l = list_.index().list();
        switch (column) {
            case kNumber:
                return QVariant::fromValue(list_.index().droppedFrames() + row + 1);
            case kDir:
                return QString(f.sd ? "SD" : "RD");
            case kTime:
                return frameTimeText(f);
            case kBytes:
                return frameSizeText(f);
            case kGap:
                return f.gap() ? qs(msText(*f.gap())) : QString();
            case kReply:
                return f.reply() ? qs(replyMsText(*f.reply(), l.idleStepMicros)) : QString();
            case kData:
                return frameDataText(f, list_.bytesOf(f, frmFrames::kShownBytes));
            case kCheck:
                return qs(proto::checkStateName(f.check));
            case kProblem:
                return qs(proto::problemName(f.problem));
            default:
                break;
        }
        if (!f.modbus || f.noise()) {
            return column == kKind && f.modbus ? modbusKindText(f.modbus->kind) : QVariant();
        }
        switch (column) {
            case kUnit:
                return f.modbus->unit;
            case kFunction:
                return qs(hexText({&f.modbus->function, 1}));
            default:
                return modbusKindText(f.modbus->kind);
        }
    }

    const frmFrames& list_;
    const Settings& settings_;
    size_t rows_ = 0;  // the rows the view knows of
};

frmFrames::frmFrames(CoreState& core, const Clock& clock, frmMonitor& monitor,
                     std::function<CaptureInView()> inView, QWidget* parent)
    : QWidget(parent), core_(core), clock_(clock), monitor_(monitor), inView_(std::move(inView)) {
    setObjectName("frmFrames");
    cmbProtocol = new QComboBox(this);
    cmbProtocol->setObjectName("cmbFrameProtocol");
    cmbProtocol->setToolTip("フレームの分け方: idle はアイドルと方向の変化で区切ります");
    fillProtocolChoice(*cmbProtocol, protocols_);
    spnLate = new QSpinBox(this);
    spnLate->setObjectName("spnFrameLate");
    spnLate->setRange(0, 86'400'000);
    spnLate->setSuffix(" ms");
    spnLate->setSpecialValueText("なし");
    spnLate->setToolTip("この時間より遅い応答をアイドル色で示します");

    model_ = new FrameListModel(*this, core_.settings, this);
    tblFrames = new QTableView(this);
    tblFrames->setObjectName("tblFrameList");
    tblFrames->setModel(model_);
    tblFrames->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblFrames->setSelectionMode(QAbstractItemView::SingleSelection);
    tblFrames->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblFrames->setWordWrap(false);
    tblFrames->verticalHeader()->setVisible(false);
    tblFrames->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    tblFrames->horizontalHeader()->setStretchLastSection(true);
    const int digit = fontMetrics().horizontalAdvance('0');
    const int widths[] = {7, 4, 11, 6, 8, 9, 3 * static_cast<int>(kShownBytes) + 2, 6, 9, 6, 13};
    for (int c = 0; c < FrameListModel::kKind; ++c) {
        tblFrames->setColumnWidth(c, digit * widths[c] + 12);
    }

    auto* choices = new QHBoxLayout;
    choices->setContentsMargins(0, 0, 0, 0);
    choices->addWidget(new QLabel("プロトコル:", this));
    choices->addWidget(cmbProtocol);
    choices->addSpacing(12);
    choices->addWidget(new QLabel("遅延しきい値:", this));
    choices->addWidget(spnLate);
    choices->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(choices);
    layout->addWidget(tblFrames, 1);

    connect(cmbProtocol, &QComboBox::currentIndexChanged, this, [this] {
        if (active_) {
            rebuild(source_);
        }
    });
    connect(spnLate, &QSpinBox::valueChanged, this, [this] { model_->coloursChanged(); });
    connect(tblFrames, &QTableView::clicked, this,
            [this](const QModelIndex& index) { jumpTo(index.row()); });
    connect(&monitor_.surface(), &CellSurface::frameDue, this, [this] { frame(); });
    connect(&monitor_, &frmMonitor::idleTicked, this, [this] { quiet(); });
    connect(&monitor_, &frmMonitor::frameStep, this, [this](bool next) { step(next); });
    connect(&monitor_, &frmMonitor::cursorSet, this, [this] { cursorMoved(); });
}

frmFrames::~frmFrames() = default;

void frmFrames::setProtocols(const proto::ProtocolFile& file) {
    protocols_ = file;
    const QString chosen = cmbProtocol->currentText();
    fillProtocolChoice(*cmbProtocol, protocols_);
    if (active_ && cmbProtocol->currentText() != chosen) {
        rebuild(source_);
    }
}

void frmFrames::setActive(bool active) {
    active_ = active;
    if (!active) {
        index_.reset({}, {});
        view_ = {};
        source_ = Source::None;
        model_->reset();
        monitor_.markFrames(nullptr, 0);
        return;
    }
    sync();
}

void frmFrames::batchDone() {
    sync();
}

void frmFrames::sync() {
    if (!active_) {
        return;
    }
    const Source want = MonitorSearch::historyShown(core_.run) ? Source::View : Source::Live;
    if (want != source_ || core_.capture.wordsChanges() != wordsChanges_) {
        rebuild(want);
    } else if (source_ == Source::Live) {
        feedLive();
    }
}

void frmFrames::rebuild(Source source) {
    const FrameOptions options =
        frameOptionsNamed(cmbProtocol->currentText().toStdString(), protocols_);
    const Capture& c = core_.capture;
    source_ = source;
    wordsChanges_ = c.wordsChanges();
    if (source == Source::Live) {
        view_ = {};
        index_.reset(lineTimingOf(headerOf(core_.settings)), options);
        liveBase_ = c.droppedWords();
        liveDropped_ = c.droppedBytes();
        feedLive();
    } else {
        BusyPointer busy;
        view_ = inView_();
        std::string error;
        const bool read = readCaptureRecords(
            view_, [&](const LogHeader& header) { index_.reset(lineTimingOf(header), options); },
            [&](const uint8_t* bytes, size_t len, uint64_t) { return index_.add(bytes, len); },
            error);
        index_.finish();
        if (!read) {
            index_.reset({}, {});  // a file gone meanwhile shows no frames
        }
    }
    (void)index_.takeChanged();
    shownDropped_ = index_.droppedFrames();
    model_->reset();
    tblFrames->scrollToBottom();
    monitor_.surface().requestFrame();
}

void frmFrames::feedLive() {
    const Capture& c = core_.capture;
    index_.feed({c.gbyteDat().data(), static_cast<size_t>(c.glngDatLen())},
                c.droppedBytes() - liveDropped_);
}

void frmFrames::quiet() {
    if (active_ && source_ == Source::Live && core_.run.gintRun == 1) {
        // The time since the last data, as the idle count has it.
        const double quiet = std::max(0.0, double{clock_.timer()} - core_.run.gsngIdleStart);
        index_.quiet(static_cast<int64_t>(quiet * 1e6));
    }
}

void frmFrames::frame() {
    if (!active_) {
        return;
    }
    sync();
    if (source_ != Source::Live || ++framesSinceRows_ >= kRowFrames) {
        framesSinceRows_ = 0;
        showRows();
    } else if (index_.frames().size() != static_cast<size_t>(model_->rowCount())) {
        // The rows held back come a few frames later, however quiet the grid: a frame asked
        // for once this one has been painted.
        QMetaObject::invokeMethod(
            &monitor_.surface(), [this] { monitor_.surface().requestFrame(); },
            Qt::QueuedConnection);
    }
    monitor_.markFrames(marked(), source_ == Source::Live ? liveBase_ : 0);
}

const FrameIndex* frmFrames::marked() const {
    // The first choice is the idle split, which marks nothing.
    return active_ && source_ != Source::None && cmbProtocol->currentIndex() > 0 ? &index_
                                                                                 : nullptr;
}

void frmFrames::showRows() {
    const size_t changed = index_.takeChanged();
    if (index_.droppedFrames() != shownDropped_) {
        // The buffer dropped its oldest frames: the rows are numbered anew.
        shownDropped_ = index_.droppedFrames();
        model_->reset();
        tblFrames->scrollToBottom();
        return;
    }
    const QScrollBar* bar = tblFrames->verticalScrollBar();
    // A list at its end follows the newest row, as a terminal does; one scrolled up stays.
    const bool following = bar->value() >= bar->maximum();
    model_->grow(changed);
    if (following) {
        tblFrames->scrollToBottom();
    }
}

std::vector<uint8_t> frmFrames::bytesOf(const Frame& f, size_t most) const {
    if (source_ != Source::Live) {
        return frameBytes(view_, f, most);
    }
    std::vector<uint8_t> out;
    const Capture& c = core_.capture;
    const int64_t at = f.offset - (c.droppedBytes() - liveDropped_);
    if (at >= 0 && at < c.glngDatLen()) {
        appendDataBytes(c.gbyteDat().data() + at, static_cast<size_t>(c.glngDatLen() - at),
                        std::min(static_cast<size_t>(f.bytes), most), out);
    }
    return out;
}

bool frmFrames::late(const Frame& f) const {
    // Only answers: a Modbus reply or exception, otherwise a frame of RD (the other end's
    // answer to SD); a request's time since the last reply is the master's poll period.
    const bool answer = f.modbus ? f.modbus->kind == modbus::Kind::Reply ||
                                       f.modbus->kind == modbus::Kind::Exception
                                 : !f.sd;
    const auto reply = f.reply();
    return answer && spnLate->value() > 0 && reply && *reply > spnLate->value() * 1000LL;
}

void frmFrames::jumpTo(int row) {
    const auto& frames = index_.frames();
    if (source_ != Source::View || row < 0 || static_cast<size_t>(row) >= frames.size()) {
        return;
    }
    const Frame& f = frames[static_cast<size_t>(row)];
    if (monitor_.showFrame(f.firstWord, f.lastWord, f.sd)) {
        selectRow(row);
    }
}

void frmFrames::selectRow(int row) {
    tblFrames->selectRow(row);
    tblFrames->scrollTo(model_->index(row, 0));
}

void frmFrames::step(bool next) {
    if (!active_ || source_ != Source::View || index_.frames().empty()) {
        return;
    }
    const auto& frames = index_.frames();
    const QModelIndexList selected = tblFrames->selectionModel()->selectedRows();
    int row = 0;
    if (!selected.isEmpty()) {
        row = selected.front().row() + (next ? 1 : -1);
    } else {
        // From the top of the history: the first frame that begins there or after it, or the
        // last one before it.
        const int64_t top = core_.capture.glngDispTop;
        const size_t at = index_.firstEndingFrom(top);
        size_t first = at;
        while (first < frames.size() && frames[first].firstWord < top) {
            ++first;
        }
        row = next ? static_cast<int>(first) : static_cast<int>(first) - 1;
    }
    if (row >= 0 && static_cast<size_t>(row) < frames.size()) {
        jumpTo(row);
    }
}

void frmFrames::cursorMoved() {
    const Capture& c = core_.capture;
    if (!active_ || source_ != Source::View || c.glngCursol.empty() || c.glngCursol[0] < 0) {
        return;
    }
    if (const auto at = index_.frameAt(c.glngCursol[0], c.gintCursolType != 0)) {
        selectRow(static_cast<int>(*at));
    }
}
