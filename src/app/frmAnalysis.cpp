#include "app/frmAnalysis.h"

#include <QAbstractTableModel>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <QValueAxis>
#include <optional>

#include "analysis/FrameSummary.h"
#include "app/BusyPointer.h"
#include "app/CaptureRecords.h"
#include "app/ProtocolChoice.h"
#include "app/QString8.h"
#include "base/RunState.h"
#include "capture/Capture.h"
#include "capture/Records.h"
#include "files/PcapExport.h"
#include "files/ProgramFolder.h"
#include "view/frmMonitor.h"

namespace {

const QColor kLateColor(255, 205, 205);
const QColor kBadCheckColor(255, 230, 140);
const QColor kLateBarColor(220, 40, 40);

// The most bytes a row shows of its frame.
constexpr size_t kShownBytes = 256;

// The progress of an analysis as a modal progress dialog with a cancel button, shown when the
// work has taken half a second.
class AnalysisProgress : public Progress {
  public:
    explicit AnalysisProgress(QWidget* parent)
        : dialog_("応答時間を解析しています...", "キャンセル", 0, kSteps, parent) {
        dialog_.setObjectName("dlgAnalysisProgress");
        dialog_.setWindowTitle("応答時間解析");
        dialog_.setWindowModality(Qt::ApplicationModal);
        dialog_.setMinimumDuration(500);
        dialog_.setAutoReset(false);
        dialog_.setValue(0);
    }
    bool step(uint64_t done, uint64_t total) override {
        const auto value = static_cast<int>(total > 0 ? done * kSteps / total : 0);
        if (value != dialog_.value()) {
            dialog_.setValue(value);  // also lets the dialog show and take the cancel
        }
        return !dialog_.wasCanceled();
    }

  private:
    static constexpr int kSteps = 1000;
    QProgressDialog dialog_;
};

}  // namespace

// The frame table: one row per frame, the Modbus columns when the list has them.
class FrameTableModel : public QAbstractTableModel {
  public:
    enum Column { kIndex, kDir, kTime, kBytes, kReply, kData, kUnit, kFunction, kKind, kCrc };
    // The columns after the data under a protocol that is not Modbus RTU.
    static constexpr int kCheck = kData + 1;
    static constexpr int kProblem = kData + 2;

    FrameTableModel(const frmAnalysis& window, std::function<bool(const Frame&)> late,
                    QObject* parent)
        : QAbstractTableModel(parent),
          window_(window),
          list_(window.frames()),
          late_(std::move(late)) {}

    void reset() {
        beginResetModel();
        endResetModel();
    }
    void lateChanged() {
        if (rowCount() > 0) {
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                             {Qt::BackgroundRole});
        }
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(list_.frames.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        if (parent.isValid()) {
            return 0;
        }
        // Modbus RTU: its columns; another protocol with checks: check and problem.
        return list_.modbus ? kCrc + 1 : list_.checked ? kProblem + 1 : kData + 1;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const char* const kNames[] = {"番号",         "方向",   "時刻",     "バイト数",
                                             "応答時間(ms)", "データ", "ユニット", "ファンクション",
                                             "種別",         "CRC"};
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
            section > kCrc) {
            return {};
        }
        if (!list_.modbus && section == kCheck) {
            return QString("チェック");
        }
        if (!list_.modbus && section == kProblem) {
            return QString("問題");
        }
        return QString(kNames[section]);
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount()) {
            return {};
        }
        const Frame& f = list_.frames[static_cast<size_t>(index.row())];
        if (role == Qt::BackgroundRole) {
            if (f.check == proto::CheckState::Bad) {
                return QVariant(kBadCheckColor);
            }
            return late_(f) ? QVariant(kLateColor) : QVariant();
        }
        if (role == Qt::TextAlignmentRole) {
            const bool right = index.column() == kIndex || index.column() == kTime ||
                               index.column() == kBytes || index.column() == kReply;
            return QVariant::fromValue(Qt::AlignVCenter | (right ? Qt::AlignRight : Qt::AlignLeft));
        }
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
            return {};
        }
        switch (index.column()) {
            case kIndex:
                return index.row() + 1;
            case kDir:
                return QString(f.sd ? "SD" : "RD");
            case kTime:
                return frameTimeText(f);
            case kBytes:
                return frameSizeText(f);
            case kReply:
                return f.reply() ? qs(replyMsText(*f.reply(), list_.idleStepMicros)) : QString();
            case kData:
                return frameDataText(f, window_.bytesOf(f, kShownBytes));
            default:
                break;
        }
        if (!list_.modbus) {
            if (index.column() == kCheck) {
                return f.check == proto::CheckState::None
                           ? QString()
                           : QString(f.check == proto::CheckState::Ok ? "OK" : "NG");
            }
            return qs(proto::problemName(f.problem));
        }
        if (!f.modbus || (f.noise() && index.column() != kKind)) {
            return {};
        }
        switch (index.column()) {
            case kUnit:
                return f.modbus->unit;
            case kFunction:
                return qs(hexText({&f.modbus->function, 1}));
            case kKind:
                return modbusKindText(f.modbus->kind);
            default:
                return QString(f.modbus->crcOk ? "OK" : "NG");
        }
    }

  private:
    const frmAnalysis& window_;
    const FrameList& list_;
    std::function<bool(const Frame&)> late_;
};

frmAnalysis::frmAnalysis(frmMonitor& monitor, QWidget* parent)
    : QWidget(parent, Qt::Window),
      monitor_(monitor),
      progressMaker_([](QWidget* owner) { return std::make_unique<AnalysisProgress>(owner); }) {
    setObjectName("frmAnalysis");
    setWindowTitle("応答時間解析");

    spnGap = new QSpinBox(this);
    spnGap->setObjectName("spnGap");
    spnGap->setRange(0, 86'400'000);
    spnGap->setSuffix(" ms");
    spnGap->setToolTip("この時間以上のアイドルでフレームを区切ります (0: すべてのアイドル)");
    cmbProtocol = new QComboBox(this);
    cmbProtocol->setObjectName("cmbProtocol");
    cmbProtocol->setToolTip("フレームの分け方: idle はアイドルと方向の変化で区切ります");
    setProtocols({});
    spnLate = new QSpinBox(this);
    spnLate->setObjectName("spnLate");
    spnLate->setRange(0, 86'400'000);
    spnLate->setSuffix(" ms");
    spnLate->setSpecialValueText("なし");
    cmbHistogram = new QComboBox(this);
    cmbHistogram->setObjectName("cmbHistogram");
    cmbHistogram->addItems({"RD (SDへの応答)", "SD (RDへの応答)", "両方"});
    lblSummary = new QLabel(this);
    lblSummary->setObjectName("lblSummary");
    lblSummary->setWordWrap(true);
    lblSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    model_ = new FrameTableModel(
        *this, [this](const Frame& f) { return late(f); }, this);
    tblFrames = new QTableView(this);
    tblFrames->setObjectName("tblFrames");
    tblFrames->setModel(model_);
    tblFrames->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblFrames->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblFrames->verticalHeader()->setVisible(false);
    tblFrames->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    tblFrames->horizontalHeader()->setStretchLastSection(true);

    chartReply = new QChartView(this);
    chartReply->setObjectName("chartReply");
    chartReply->setRenderHint(QPainter::Antialiasing);
    chartReply->setMinimumHeight(220);

    auto* choices = new QHBoxLayout;
    choices->addWidget(new QLabel("区切りアイドル時間:", this));
    choices->addWidget(spnGap);
    choices->addSpacing(12);
    choices->addWidget(new QLabel("プロトコル:", this));
    choices->addWidget(cmbProtocol);
    choices->addSpacing(12);
    choices->addWidget(new QLabel("遅延しきい値:", this));
    choices->addWidget(spnLate);
    choices->addSpacing(12);
    choices->addWidget(new QLabel("ヒストグラム:", this));
    choices->addWidget(cmbHistogram);
    choices->addStretch(1);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(tblFrames);
    split->addWidget(chartReply);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(lblSummary);
    layout->addWidget(split, 1);
    resize(1180, 720);

    connect(spnGap, &QSpinBox::valueChanged, this, [this] { reanalyse(); });
    connect(cmbProtocol, &QComboBox::currentIndexChanged, this, [this] { reanalyse(); });
    connect(spnLate, &QSpinBox::valueChanged, this, [this] { showLate(); });
    connect(cmbHistogram, &QComboBox::currentIndexChanged, this, [this] { showLate(); });
    connect(tblFrames, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { jumpTo(index.row()); });
}

frmAnalysis::~frmAnalysis() = default;

bool frmAnalysis::load(CaptureInView capture, std::string& error) {
    if (!analyse(capture, error)) {
        return false;
    }
    capture_ = std::move(capture);
    showList();
    return true;
}

bool frmAnalysis::analyse(const CaptureInView& capture, std::string& error) {
    error.clear();
    const FrameOptions options = frameOptionsNamed(cmbProtocol->currentText().toStdString(),
                                                   protocols_, spnGap->value() * 1000LL);
    FrameList fresh;
    fresh.modbus = options.modbus;
    fresh.checked = options.checked();
    fresh.protocol = options.protocolName();
    const std::unique_ptr<Progress> progress = progressMaker_(this);
    bool cancelled = false;
    uint64_t done = 0;
    // Each piece of records goes through the analyser; the frames go into the index.
    std::optional<FrameAnalyser> analyser;
    bool read = false;
    {
        BusyPointer busy;
        read = readCaptureRecords(
            capture,
            [&](const LogHeader& header) {
                analyser.emplace(lineTimingOf(header), options,
                                 [&fresh](const Frame& f, std::span<const uint8_t>) {
                                     fresh.frames.push_back(f);
                                 });
                fresh.idleStepMicros = analyser->idleStep();
            },
            [&](const uint8_t* bytes, size_t len, uint64_t total) {
                const size_t taken = analyser->add(bytes, len);
                cancelled = !progress->step(done += taken, total);
                return cancelled ? LogReader::kStop : taken;
            },
            error);
        if (analyser) {
            analyser->finish();
        }
    }
    if (!read || cancelled) {
        return false;
    }
    list_ = std::move(fresh);
    shown_ = options;
    return true;
}

void frmAnalysis::setProtocols(proto::ProtocolFile file) {
    protocols_ = std::move(file);
    fillProtocolChoice(*cmbProtocol, protocols_);
}

void frmAnalysis::reanalyse() {
    std::string error;
    if (analyse(capture_, error)) {
        showList();
        return;
    }
    // Cancelled, or the file went away: the options go back to those of the list shown.
    const QSignalBlocker gap(spnGap);
    const QSignalBlocker protocol(cmbProtocol);
    spnGap->setValue(static_cast<int>(shown_.gapMicros / 1000));
    cmbProtocol->setCurrentText(QString::fromStdString(shown_.protocolName()));
}

void frmAnalysis::showList() {
    model_->reset();
    const int widths[] = {7, 4, 12, 12, 12};
    const int digit = fontMetrics().horizontalAdvance('0');
    for (int c = 0; c < 5; ++c) {
        tblFrames->setColumnWidth(c, digit * widths[c] + 12);
    }
    tblFrames->setColumnWidth(FrameTableModel::kData, digit * 40);
    showLate();
}

std::vector<uint8_t> frmAnalysis::bytesOf(const Frame& f, size_t most) const {
    return frameBytes(capture_, f, most);
}

bool frmAnalysis::late(const Frame& f) const {
    // Only the replies the histogram shows: the other direction's are mostly the master's
    // poll period, not late answers.
    const int shown = cmbHistogram->currentIndex();  // 0 RD, 1 SD, 2 both
    const auto reply = f.reply();
    return spnLate->value() > 0 && reply && *reply > spnLate->value() * 1000LL &&
           (shown == 2 || f.sd == (shown == 1));
}

void frmAnalysis::showLate() {
    lblSummary->setText(summaryText());
    model_->lateChanged();
    drawHistogram();
}

QString frmAnalysis::summaryText() const {
    const FrameSummary s = summarise(list_);
    const auto ms = [this](int64_t micros) {
        return qs(replyMsText(micros, list_.idleStepMicros));
    };
    const auto direction = [this, &ms](const char* name, const DirectionSummary& d) {
        QString text = QString("%1: %2フレーム %3バイト").arg(name).arg(d.frames).arg(d.bytes);
        if (list_.checked) {
            text += QString(" チェック不良 %1").arg(d.badChecks);
        }
        text += QString(" 応答 %1件").arg(d.reply.count);
        if (d.reply.count > 0) {
            text +=
                QString(" (最小 %1 / 中央値 %2 / 95% %3 / 最大 %4 ms)")
                    .arg(ms(*d.reply.min), ms(*d.reply.median), ms(*d.reply.p95), ms(*d.reply.max));
        }
        return text;
    };
    QString text = direction("SD", s.sd) + "　" + direction("RD", s.rd);
    if (s.crcBad && list_.modbus) {
        text += QString("　CRC不良 %1　ノイズ %2").arg(*s.crcBad).arg(*s.noise);
    } else if (s.noise) {
        text += QString("　ノイズ %1").arg(*s.noise);
    }
    int lateCount = 0;
    for (const Frame& f : list_.frames) {
        lateCount += late(f) ? 1 : 0;
    }
    if (spnLate->value() > 0) {
        text += QString("　遅延 %1件").arg(lateCount);
    }
    text += list_.idleStepMicros > 0
                ? QString("　アイドル単位 %1 ms").arg(qs(msText(list_.idleStepMicros)))
                : QString("　アイドル単位 不明");
    return text;
}

void frmAnalysis::drawHistogram() {
    const int shown = cmbHistogram->currentIndex();  // 0 RD, 1 SD, 2 both
    const ReplyHistogram h =
        histogramOf(list_, kMaxBins, shown == 2 ? std::nullopt : std::optional<bool>(shown == 1));
    auto* series = new QBarSeries;
    int64_t highest = 1;
    for (const bool sd : {false, true}) {
        if (shown != 2 && sd != (shown == 1)) {
            continue;
        }
        auto* set = new QBarSet(sd ? "SD (RDへの応答)" : "RD (SDへの応答)");
        set->setObjectName(sd ? "barSd" : "barRd");
        set->setSelectedColor(kLateBarColor);
        for (const int64_t count : sd ? h.sd : h.rd) {
            *set << static_cast<qreal>(count);
            highest = std::max(highest, count);
        }
        for (const Frame& f : list_.frames) {
            if (f.sd == sd && late(f)) {
                set->selectBar(static_cast<int>(f.replyMicros / h.binMicros));
            }
        }
        series->append(set);
    }
    QStringList labels;
    for (size_t i = 0; i < h.rd.size(); ++i) {
        labels << qs(msText(static_cast<int64_t>(i) * h.binMicros));
    }
    auto* chart = new QChart;
    chart->setTitle("応答時間の分布 (赤: 遅延)");
    chart->addSeries(series);
    auto* x = new QBarCategoryAxis;
    x->append(labels);
    x->setTitleText(QString("応答時間(ms)、%1 ms ごと").arg(qs(msText(h.binMicros))));
    auto* y = new QValueAxis;
    y->setRange(0, static_cast<qreal>(highest));
    y->setLabelFormat("%d");
    y->setTitleText("件数");
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    chart->legend()->setAlignment(Qt::AlignBottom);
    QChart* old = chartReply->chart();
    chartReply->setChart(chart);
    delete old;
}

void frmAnalysis::jumpTo(int row) {
    if (row < 0 || row >= static_cast<int>(list_.frames.size())) {
        return;
    }
    const Frame& f = list_.frames[static_cast<size_t>(row)];
    monitor_.showFrame(f.firstWord, f.lastWord, f.sd);
}
