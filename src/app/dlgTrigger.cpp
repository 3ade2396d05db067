#include "app/dlgTrigger.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "app/QString8.h"
#include "base/Prompts.h"
#include "base/RunState.h"
#include "trigger/TrigIni.h"

namespace {

constexpr int kAsciiChars = 8;
constexpr int kHexChars = 16;
constexpr const char* kLineNames[Triggers::kLines] = {"RS", "CS", "ER", "DR", "CD", "CI"};

}  // namespace

dlgTrigger::dlgTrigger(Triggers& triggers, const RunState& run, Prompts& prompts,
                       std::string programFolder, std::function<bool()> autoSaveChecked,
                       QWidget* parent)
    : ViewDialog(parent),
      triggers_(triggers),
      run_(run),
      prompts_(prompts),
      programFolder_(std::move(programFolder)),
      autoSaveChecked_(std::move(autoSaveChecked)) {
    setObjectName("dlgTrigger");
    setWindowTitle("トリガ設定");
    auto* layout = new QVBoxLayout(this);

    auto* numbers = new QHBoxLayout;
    optTrigNo_ =
        optionGroup(this, "optTrigNo",
                    {"トリガ-１", "トリガ-２", "トリガ-３", "トリガ-４", "トリガ-５"}, numbers);
    for (QAbstractButton* b : optTrigNo_->buttons()) {
        b->setAutoFillBackground(true);
    }
    connect(optTrigNo_, &QButtonGroup::idClicked, this, &dlgTrigger::optTrigNo_Click);
    layout->addLayout(numbers);

    buildEventFrame();
    layout->addWidget(eventFrame_);
    buildActionFrame();
    layout->addWidget(actionFrame_);

    auto* bottom = new QHBoxLayout;
    lblCount_ = new QLabel(this);
    lblCount_->setObjectName("lblCount");
    auto* cmdClear = new QPushButton("ﾘｾｯﾄ", this);
    cmdClear->setObjectName("cmdClear");
    cmdClear->setAutoDefault(false);
    connect(cmdClear, &QPushButton::clicked, this, &dlgTrigger::cmdClear_Click);
    bottom->addWidget(lblCount_);
    bottom->addWidget(cmdClear);
    bottom->addStretch();
    bottom->addWidget(OKButton());
    bottom->addWidget(CancelButton());
    layout->addLayout(bottom);
    connect(OKButton(), &QPushButton::clicked, this, &dlgTrigger::OKButton_Click);
}

QButtonGroup* dlgTrigger::optionGroup(QWidget* parent, const QString& name,
                                      const QStringList& captions, QLayout* layout) {
    auto* group = new QButtonGroup(parent);
    group->setObjectName(name);
    for (int i = 0; i < captions.size(); ++i) {
        auto* b = new QRadioButton(captions[i], parent);
        b->setObjectName(name + QString::number(i));
        group->addButton(b, i);
        layout->addWidget(b);
    }
    return group;
}

void dlgTrigger::buildEventFrame() {
    eventFrame_ = new QGroupBox("トリガイベント", this);
    eventFrame_->setObjectName("fraEvent");
    auto* grid = new QGridLayout(eventFrame_);

    auto* events = new QHBoxLayout;
    optEvent_ = optionGroup(eventFrame_, "optEvent",
                            {"なし", "文字列", "時刻", "エラー", "ﾗｲﾝｽﾃｰﾄ"}, events);
    connect(optEvent_, &QButtonGroup::idClicked, this,
            [this](int i) { shown().trigType = static_cast<int16_t>(i); });
    grid->addLayout(events, 0, 0, 1, 2);

    auto* code = new QHBoxLayout;
    optCode_ = optionGroup(eventFrame_, "optCode", {"ASCII", "16進"}, code);
    txtChr_ = new QLineEdit(eventFrame_);
    txtChr_->setObjectName("txtChr");
    code->addWidget(txtChr_);
    connect(optCode_, &QButtonGroup::idClicked, this, [this](int i) {
        shown().chrType = static_cast<int16_t>(i);
        setChrLimit();
        shown().chrText = txtChr_->text().toStdU16String();  // ASCII cut it to 8
    });
    connect(txtChr_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!filling_) {
            shown().chrText = text.toStdU16String();
        }
    });
    grid->addLayout(code, 1, 0, 1, 2);

    txtTime_ = new QLineEdit(eventFrame_);
    txtTime_->setObjectName("txtTime");
    connect(txtTime_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!filling_) {
            shown().time = text.toStdString();
        }
    });
    auto* hint = new QLabel("HHMM(時分)で入力してください", eventFrame_);
    hint->setObjectName("lblTime");
    grid->addWidget(txtTime_, 2, 0);
    grid->addWidget(hint, 2, 1);

    auto* errors = new QHBoxLayout;
    const char* errCaptions[] = {"ﾊﾟﾘﾃｨｴﾗｰ", "ﾌﾚｰﾐﾝｸﾞｴﾗｰ"};
    for (int i = 0; i < 2; ++i) {
        chkErr_[i] = new QCheckBox(errCaptions[i], eventFrame_);
        chkErr_[i]->setObjectName(QString("chkErr%1").arg(i));
        errors->addWidget(chkErr_[i]);
        connect(chkErr_[i], &QCheckBox::clicked, this, [this] {
            shown().errType = static_cast<int16_t>((chkErr_[0]->isChecked() ? 1 : 0) +
                                                   (chkErr_[1]->isChecked() ? 2 : 0));
        });
    }
    grid->addLayout(errors, 3, 0, 1, 2);

    auto* lines = new QHBoxLayout;
    for (int line = 0; line < Triggers::kLines; ++line) {
        auto* frame = new QGroupBox(kLineNames[line], eventFrame_);
        frame->setObjectName(QString("fra%1").arg(kLineNames[line]));
        auto* edges = new QVBoxLayout(frame);
        optLine_[line] =
            optionGroup(frame, QString("opt%1").arg(kLineNames[line]), {"なし", "↑", "↓"}, edges);
        connect(optLine_[line], &QButtonGroup::idClicked, this,
                [this, line](int i) { shown().lineEdge[line] = static_cast<int16_t>(i); });
        lines->addWidget(frame);
    }
    grid->addLayout(lines, 4, 0, 1, 2);
}

QLineEdit* dlgTrigger::countField(const QString& name, const QString& caption,
                                  int32_t TriggerDraft::*field, QBoxLayout* layout) {
    auto* row = new QHBoxLayout;
    auto* edit = new QLineEdit(actionFrame_);
    edit->setObjectName(name);
    connect(edit, &QLineEdit::textChanged, this, [this, field](const QString& text) {
        if (!filling_) {
            shown().*field = countValue(text.toStdString());
        }
    });
    row->addWidget(edit);
    row->addWidget(new QLabel(caption, actionFrame_));
    layout->addLayout(row);
    return edit;
}

void dlgTrigger::buildActionFrame() {
    actionFrame_ = new QGroupBox("動作", this);
    actionFrame_->setObjectName("fraAction");
    auto* layout = new QVBoxLayout(actionFrame_);
    optAction_ = optionGroup(
        actionFrame_, "optAction",
        {"モニタストップ", "ファイル保存開始", "ファイル保存停止", "イベント発生回数カウント"},
        layout);
    connect(optAction_, &QButtonGroup::idClicked, this,
            [this](int i) { shown().action = static_cast<int16_t>(i); });
    txtStop_ = countField("txtStop", "バイト受信後にストップ", &TriggerDraft::monitorStop, layout);
    txtSaveStart_ =
        countField("txtSaveStart", "バイト前受信分から保存", &TriggerDraft::saveStart, layout);
    txtSaveStop_ =
        countField("txtSaveStop", "バイト受信後に保存停止", &TriggerDraft::saveStop, layout);
}

void dlgTrigger::showDialog() {
    for (int k = 0; k < Triggers::kCount; ++k) {
        work_[k] = draftOf(triggers_, k);
    }
    optTrigNo_->button(0)->setChecked(true);
    optTrigNo_Click(0);
    const bool editable = run_.gintRun != 1;
    OKButton()->setEnabled(editable);
    eventFrame_->setEnabled(editable);
    actionFrame_->setEnabled(editable);
    show();
    raise();
    activateWindow();
}

void dlgTrigger::optTrigNo_Click(int k) {
    for (int i = 0; i < Triggers::kCount; ++i) {
        const bool set = work_[i].trigType > 0;
        QRgb colour = set ? kSetColour : kUnsetColour;
        if (i == k) {
            colour = set ? kShownSetColour : kShownUnsetColour;
        }
        QAbstractButton* b = optTrigNo_->button(i);
        QPalette palette = b->palette();
        palette.setColor(b->backgroundRole(), QColor(colour));
        b->setPalette(palette);
    }
    shown_ = k;
    fillControls();
}

void dlgTrigger::fillControls() {
    const TriggerDraft& d = shown();
    filling_ = true;
    auto select = [](QButtonGroup* group, int id) {
        if (QAbstractButton* b = group->button(id)) {
            b->setChecked(true);
        } else if (QAbstractButton* checked = group->checkedButton()) {
            // A value no option stands for: none is shown chosen.
            group->setExclusive(false);
            checked->setChecked(false);
            group->setExclusive(true);
        }
    };
    select(optEvent_, d.trigType);
    select(optCode_, d.chrType);
    setChrLimit();
    txtChr_->setText(QString::fromStdU16String(d.chrText));
    txtTime_->setText(qs(d.time));
    chkErr_[0]->setChecked(d.errType == 1 || d.errType == 3);
    chkErr_[1]->setChecked(d.errType == 2 || d.errType == 3);
    for (int line = 0; line < Triggers::kLines; ++line) {
        select(optLine_[line], d.lineEdge[line]);
    }
    select(optAction_, d.action);
    txtStop_->setText(QString::number(d.monitorStop));
    txtSaveStart_->setText(QString::number(d.saveStart));
    txtSaveStop_->setText(QString::number(d.saveStop));
    lblCount_->setText(QString::number(triggers_.glngTrigCount[shown_]));
    filling_ = false;
}

void dlgTrigger::setChrLimit() {
    txtChr_->setMaxLength(shown().chrType == 1 ? kHexChars : kAsciiChars);
}

void dlgTrigger::cmdClear_Click() {
    triggers_.glngTrigCount[shown_] = 0;
    lblCount_->setText(QStringLiteral("0"));
}

void dlgTrigger::OKButton_Click() {
    if (run_.gintRun == 1) {
        return;  // the definitions are read-only while the monitor runs
    }
    const std::pair<int32_t TriggerDraft::*, QLineEdit*> counts[] = {
        {&TriggerDraft::monitorStop, txtStop_},
        {&TriggerDraft::saveStart, txtSaveStart_},
        {&TriggerDraft::saveStop, txtSaveStop_}};
    for (int k = 0; k < Triggers::kCount; ++k) {
        for (const auto& [field, edit] : counts) {
            if (countFits(work_[k].*field)) {
                continue;
            }
            optTrigNo_->button(k)->setChecked(true);
            optTrigNo_Click(k);
            tell(prompts_, "バイト数は0～16383の範囲で入力してください", "トリガ設定",
                 Prompts::Icon::Exclamation);
            edit->setFocus();
            edit->selectAll();
            return;
        }
    }
    const bool stopsSaving = std::any_of(work_.begin(), work_.end(), [](const TriggerDraft& d) {
        return d.trigType > 0 && (d.action == 0 || d.action == 2);
    });
    if (stopsSaving && autoSaveChecked_()) {
        tell(prompts_,
             "自動保存機能が設定されています\n自動保存機能が途中で停止する可能性があります",
             "自動保存設定情報", Prompts::Icon::Information);
    }
    for (int k = 0; k < Triggers::kCount; ++k) {
        applyDraft(work_[k], triggers_, k);
    }
    WriteTrigIni(triggers_, programFolder_);  // a failed write is not reported
    close();
}
