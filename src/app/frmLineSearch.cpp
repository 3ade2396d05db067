#include "app/frmLineSearch.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <filesystem>

#include "analysis/Protocol.h"
#include "app/MDIMonitor.h"
#include "app/QString8.h"
#include "base/Status.h"
#include "link/CommParam.h"
#include "link/frmComm.h"

namespace {

int percent(double share) {
    return static_cast<int>(std::lround(share * 100));
}

QString percentText(double share) {
    return QString::number(percent(share)) + "%";
}

}  // namespace

// A small bar chart of the scores, one bar per setting tried, the best in its own colour.
class ScoreBars final : public QWidget {
  public:
    explicit ScoreBars(QWidget* parent) : QWidget(parent) {
        setObjectName("picScores");
        setMinimumWidth(240);
    }
    void setScores(const LineSearchResult& r, int16_t stopBit) {
        bars_.clear();
        for (size_t i = 0; i < r.trials.size(); ++i) {
            bars_.push_back({qs(trialText(r.trials[i].trial, stopBit)), r.trials[i].score,
                             r.best && *r.best == i});
        }
        setMinimumHeight(static_cast<int>(bars_.size()) * kRow + 8);
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().base());
        const int label = fontMetrics().horizontalAdvance("115200,N,8,1.5") + 8;
        const int room = std::max(10, width() - label - 40);
        int y = 4;
        for (const Bar& b : bars_) {
            p.setPen(palette().text().color());
            p.drawText(QRect(4, y, label - 8, kRow), Qt::AlignRight | Qt::AlignVCenter, b.text);
            const int w = static_cast<int>(std::lround(b.score * room));
            p.fillRect(QRect(label, y + 2, std::max(1, w), kRow - 4),
                       b.best ? QColor(0, 128, 0) : QColor(120, 150, 200));
            p.drawText(QRect(label + w + 4, y, 40, kRow), Qt::AlignLeft | Qt::AlignVCenter,
                       percentText(b.score));
            y += kRow;
        }
    }

  private:
    static constexpr int kRow = 14;
    struct Bar {
        QString text;
        double score;
        bool best;
    };
    std::vector<Bar> bars_;
};

// Each trial is a run of the main window: its settings sent, the unit started and, after the
// time listened, stopped, as the run menu does. What the run stored meanwhile is the trial's.
class frmLineSearch::Listener final : public LineListener {
  public:
    explicit Listener(MDIMonitor& window) : window_(window) {}

    std::optional<Heard> listen(const LineTrial& trial, double seconds) override {
        AppContext& ctx = window_.context();
        Settings& s = ctx.core.settings;
        s.glngSpeed = trial.speed;
        s.gintDataLen = trial.dataLen;
        s.gintParity = trial.parity;
        if (window_.RunStart() != status::kDone) {
            return std::nullopt;  // the main window has said why
        }
        tried = true;
        CommLink& link = window_.link().comm();
        const RunState& run = ctx.core.run;
        QTimer wake;  // the waits look at the time at least this often
        wake.start(20);
        const double asked = now();
        link.waitWhile([&] {
            return !cancelled && run.gintRun == 0 &&
                   window_.runControl().phase() == RunControlState::Phase::Starting &&
                   now() - asked < kStartSeconds;
        });
        if (cancelled || run.gintRun != 1) {
            window_.RunStop();
            failure_ = cancelled ? "" : "Vexlo本体がモニタ開始できません";
            return std::nullopt;
        }
        const Capture& c = ctx.core.capture;
        const int32_t mark = c.glngDatLen();
        const double begun = now();
        link.waitWhile([&] { return !cancelled && run.gintRun == 1 && now() - begun < seconds; });
        Heard heard{{}, now() - begun};
        const int32_t from = c.glngDatLen() >= mark ? mark : 0;  // the buffer moved on: its rest
        heard.records.assign(reinterpret_cast<const char*>(c.gbyteDat().data()) + from,
                             static_cast<size_t>(c.glngDatLen() - from));
        const bool lost = run.gintRun == 0;
        window_.RunStop();
        if (cancelled) {
            return std::nullopt;
        }
        if (lost) {
            failure_ = "モニタが途中で停止しました";
            return std::nullopt;
        }
        return heard;
    }
    [[nodiscard]] std::string failure() const override { return failure_; }

    bool cancelled = false;
    bool tried = false;  // a setting went to the unit

  private:
    static constexpr double kStartSeconds = 3;
    // Seconds of the clock, across midnight too.
    [[nodiscard]] double now() const {
        const double t = window_.context().clock.timer();
        if (t < last_) {
            day_ += 86400;
        }
        last_ = t;
        return day_ + t;
    }

    MDIMonitor& window_;
    std::string failure_;
    mutable double last_ = 0;
    mutable double day_ = 0;
};

frmLineSearch::frmLineSearch(MDIMonitor& window, QWidget* parent)
    : QWidget(parent, Qt::Window), window_(window) {
    setObjectName("frmLineSearch");
    setWindowTitle("回線設定の自動検出");
    auto* top = new QVBoxLayout(this);
    lblStatus = new QLabel(
        "回線にデータが流れている状態で［検出開始］を押してください。\n"
        "速度、データビット、パリティを順に試して受信状態を採点します"
        "（受信したデータはモニタ画面にも記録されます）。",
        this);
    lblStatus->setObjectName("lblStatus");
    lblStatus->setWordWrap(true);
    top->addWidget(lblStatus);

    auto* middle = new QHBoxLayout;
    tblCandidates = new QTableWidget(0, 8, this);
    tblCandidates->setObjectName("tblCandidates");
    tblCandidates->setHorizontalHeaderLabels(
        {"設定", "文字数", "エラー", "ブレーク", "正常率", "速度比", "文字/ﾌﾚｰﾑ", "得点"});
    tblCandidates->verticalHeader()->setVisible(false);
    tblCandidates->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblCandidates->setSelectionMode(QAbstractItemView::NoSelection);
    tblCandidates->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tblCandidates->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    middle->addWidget(tblCandidates, 3);
    picScores = new ScoreBars(this);
    middle->addWidget(picScores, 2);
    top->addLayout(middle, 1);

    lblBest = new QLabel(this);
    lblBest->setObjectName("lblBest");
    lblBest->setWordWrap(true);
    lblBest->setMinimumHeight(fontMetrics().height() * 3);
    top->addWidget(lblBest);

    auto* buttons = new QHBoxLayout;
    cmdStart = new QPushButton("検出開始(&S)", this);
    cmdStart->setObjectName("cmdStart");
    cmdApply = new QPushButton("通信ﾊﾟﾗﾒｰﾀに適用(&A)", this);
    cmdApply->setObjectName("cmdApply");
    cmdApply->setEnabled(false);
    cmdClose = new QPushButton("閉じる(&C)", this);
    cmdClose->setObjectName("cmdClose");
    buttons->addWidget(cmdStart);
    buttons->addWidget(cmdApply);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    top->addLayout(buttons);
    connect(cmdStart, &QPushButton::clicked, this, [this] { cmdStart_Click(); });
    connect(cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { close(); });
    resize(820, 560);
}

frmLineSearch::~frmLineSearch() = default;

void frmLineSearch::cmdStart_Click() {
    if (searching_) {
        return;
    }
    AppContext& ctx = window_.context();
    Prompts& prompts = ctx.prompts;
    const RunControlState& control = window_.runControl();
    if (ctx.core.run.gintRun != 0 || control.phase() == RunControlState::Phase::Running ||
        control.judge(RunControlState::Command::Start) == RunControlState::Verdict::Refused) {
        prompts.message("モニタ実行中は回線設定を検出できません\nモニタを停止してください",
                        "回線設定の自動検出", Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
        return;
    }
    if (ctx.autoSave.chosen() || ctx.triggers.anySet()) {
        prompts.message(
            "自動保存またはトリガが設定されているため回線設定を検出できません\n"
            "解除してからやり直してください",
            "回線設定の自動検出", Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
        return;
    }
    Settings& s = ctx.core.settings;
    const Settings kept = s;
    stopBit_ = s.gintStopBit;
    LineSearch::Options options;
    options.listenSeconds = listenSeconds_;
    options.stopBit = stopBit_;
    options.protocols =
        proto::loadProtocols((std::filesystem::path(ctx.programFolder) / "VXProto.ini").string(),
                             true)
            .protocols;
    search_.emplace(std::move(options));
    Listener listener(window_);
    listener_ = &listener;
    searching_ = true;
    cmdStart->setEnabled(false);
    cmdApply->setEnabled(false);
    result_ = {};
    showResult(result_, false);
    lblStatus->setText("検出中です... （Esc で中止）");
    result_ = search_->run(listener, [this](const LineSearchResult& r) { showResult(r, false); });
    listener_ = nullptr;
    searching_ = false;
    // The unit stays stopped and gets back the settings it had.
    s.glngSpeed = kept.glngSpeed;
    s.gintDataLen = kept.gintDataLen;
    s.gintParity = kept.gintParity;
    if (listener.tried && result_.outcome != LineSearchResult::Outcome::Failed) {
        window_.SendSettings();
    } else {
        window_.showCommParam(commParamText(s));
    }
    showResult(result_, true);
    cmdStart->setEnabled(true);
}

void frmLineSearch::cancel() {
    if (search_) {
        search_->cancel();
    }
    if (listener_ != nullptr) {
        listener_->cancelled = true;
    }
}

void frmLineSearch::cmdApply_Click() {
    if (searching_ || !result_.best || result_.outcome != LineSearchResult::Outcome::Found) {
        return;
    }
    const LineTrial& best = result_.trials[*result_.best].trial;
    AppContext& ctx = window_.context();
    const std::string text = trialText(best, stopBit_);
    if (ctx.prompts.message("通信パラメータを " + text + " に変更しますか？", "回線設定の自動検出",
                            Prompts::Icon::Question,
                            Prompts::Buttons::OkCancel) != Prompts::Answer::Ok) {
        return;
    }
    Settings& s = ctx.core.settings;
    s.glngSpeed = best.speed;
    s.gintDataLen = best.dataLen;
    s.gintParity = best.parity;
    window_.SendSettings();
    lblStatus->setText(qs("通信パラメータを " + text + " にしました"));
}

void frmLineSearch::closeEvent(QCloseEvent* event) {
    cancel();
    QWidget::closeEvent(event);
}

void frmLineSearch::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmLineSearch::showResult(const LineSearchResult& r, bool done) {
    tblCandidates->setRowCount(static_cast<int>(r.trials.size()));
    for (size_t i = 0; i < r.trials.size(); ++i) {
        const TrialScore& t = r.trials[i];
        const QString cells[] = {qs(trialText(t.trial, stopBit_)),
                                 QString::number(t.chars),
                                 QString::number(t.errors),
                                 QString::number(t.breaks),
                                 percentText(t.clean),
                                 percentText(std::min(1.0, t.rate)),
                                 percentText(t.likeness),
                                 percentText(t.score)};
        const bool best = done && r.best && *r.best == i;
        for (int col = 0; col < 8; ++col) {
            auto* item = new QTableWidgetItem(cells[col]);
            item->setTextAlignment(col == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                            : Qt::AlignRight | Qt::AlignVCenter);
            if (best) {
                QFont f = item->font();
                f.setBold(true);
                item->setFont(f);
                item->setBackground(QColor(200, 240, 200));
            }
            tblCandidates->setItem(static_cast<int>(i), col, item);
        }
    }
    if (!r.trials.empty()) {
        tblCandidates->scrollToItem(tblCandidates->item(static_cast<int>(r.trials.size()) - 1, 0));
    }
    LineSearchResult shown = r;
    if (!done) {
        shown.best.reset();
    }
    picScores->setScores(shown, stopBit_);
    if (!done) {
        lblBest->setText(r.trials.empty()
                             ? QString()
                             : qs("試行中: " + trialText(r.trials.back().trial, stopBit_)));
        return;
    }
    lblBest->setText(summaryText(r));
    cmdApply->setEnabled(r.outcome == LineSearchResult::Outcome::Found);
    lblStatus->setText(r.outcome == LineSearchResult::Outcome::Found
                           ? "検出が終わりました。［通信ﾊﾟﾗﾒｰﾀに適用］で設定を変更できます。"
                           : "検出が終わりました。");
}

QString frmLineSearch::summaryText(const LineSearchResult& r) const {
    using Outcome = LineSearchResult::Outcome;
    using Basis = LineSearchResult::Basis;
    const auto text = [&](std::optional<size_t> i) {
        return i ? trialText(r.trials[*i].trial, stopBit_) : std::string();
    };
    switch (r.outcome) {
        case Outcome::Cancelled:
            return "検出を中止しました";
        case Outcome::Failed:
            return qs("検出できませんでした" +
                      (r.reason.empty() ? std::string() : "（" + r.reason + "）"));
        case Outcome::NoTraffic:
            return "どの速度でも受信がありません\n回線にデータが流れているか確認してください";
        case Outcome::Found:
        case Outcome::Unclear:
            break;
    }
    std::string s;
    if (r.basis == Basis::Poor) {
        s = "どの設定でも正しく受信できません（最高は " + text(r.best) + " の " +
            std::to_string(percent(r.trials[*r.best].score)) + "%）";
    } else if (r.outcome == Outcome::Unclear) {
        s = "決め手がありません: " + text(r.best) + " と " + text(r.next) +
            (r.basis == Basis::NearSpeeds ? " は速度が近く、どちらでも同じように受信できます"
                                          : " は同じように受信でき、区別する手掛かりがありません");
    } else {
        s = "最適な設定: " + text(r.best) + "（得点 " +
            std::to_string(percent(r.trials[*r.best].score)) + "%）";
        if (r.next) {
            s += "　次点 " + text(r.next) + " との差 " + std::to_string(percent(r.lead)) +
                 " ポイント";
        }
        if (r.basis == Basis::Likeness) {
            s += "\n同点のため、テキストまたはチェックの合うフレームの多い方を選びました";
        } else if (r.basis == Basis::ParityBit) {
            s += "\n8ビットで受信すると第8ビットが常に下位7ビットのパリティと一致します";
        } else if (r.basis == Basis::StopBit) {
            s += "\n8ビットで受信すると第8ビットが常に1（ストップビット）です";
        }
    }
    s += "\nストップビットは回線から判別できないため、現在の設定のままです";
    return qs(s);
}

frmLineSearch* mn_Tool_LineSearch_Click(MDIMonitor& window) {
    auto* search = window.findChild<frmLineSearch*>("frmLineSearch", Qt::FindDirectChildrenOnly);
    if (search == nullptr) {
        search = new frmLineSearch(window, &window);
    }
    search->show();
    search->raise();
    search->activateWindow();
    return search;
}
