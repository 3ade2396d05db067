#include "app/dlgProtocol.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/Prompts.h"
#include "base/Settings.h"
#include "capture/Capture.h"
#include "link/CommParam.h"
#include "run/RunControlState.h"

namespace {

// The speed of entry i of the drop-down list: the dialog's speeds, fastest first.
int32_t speedAt(int i) {
    return kUnitSpeeds[static_cast<size_t>(kDialogSpeedCount - 1 - i)];
}

}  // namespace

dlgProtocol::dlgProtocol(Settings& settings, const Capture& capture, Prompts& prompts,
                         const RunControlState& runControl, std::function<void()> clearDat,
                         std::function<void()> applyToUnit, QWidget* parent)
    : ViewDialog(parent),
      settings_(settings),
      capture_(capture),
      prompts_(prompts),
      runControl_(runControl),
      clearDat_(std::move(clearDat)),
      applyToUnit_(std::move(applyToUnit)) {
    setObjectName("dlgProtocol");
    setWindowTitle("通信パラメータの設定");

    auto* frame = new QGroupBox("通信規格", this);
    frame->setObjectName("Frame1");
    auto* frameLayout = new QHBoxLayout(frame);
    const char* types[] = {"RS232C", "RS422/485"};
    for (int i = 0; i < 2; ++i) {
        optType_[i] = new QRadioButton(types[i], frame);
        optType_[i]->setObjectName(QString("optType%1").arg(i));
        frameLayout->addWidget(optType_[i]);
    }

    auto combo = [this](const QString& name, const QStringList& items) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        c->addItems(items);
        return c;
    };
    QStringList speeds;
    for (int i = 0; i < kDialogSpeedCount; ++i) {
        speeds << QString::number(speedAt(i));
    }
    cmbSpeed_ = combo("cmbSpeed", speeds);
    cmbParity_ = combo("cmbParity", {"NONE", "ODD", "EVEN"});
    cmbData_ = combo("cmbData", {"7", "8"});
    cmbStop_ = combo("cmbStop", {"1", "1.5", "2"});

    auto* grid = new QGridLayout;
    const char* captions[] = {"通信速度", "パリティ", "データ長", "ストップビット"};
    QComboBox* combos[] = {cmbSpeed_, cmbParity_, cmbData_, cmbStop_};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(captions[i], this);
        label->setObjectName(QString("Label1_%1").arg(i));
        grid->addWidget(label, i, 0);
        grid->addWidget(combos[i], i, 1);
    }

    QPushButton* ok = OKButton();
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &dlgProtocol::OKButton_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(CancelButton());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    loadSettings();
}

void dlgProtocol::loadSettings() {
    const Settings& s = settings_;
    optType_[s.gintLineType == 1 ? 1 : 0]->setChecked(true);
    cmbSpeed_->setCurrentIndex(-1);  // 76800, 115200 and unlisted speeds select nothing
    for (int i = 0; i < kDialogSpeedCount; ++i) {
        if (speedAt(i) == s.glngSpeed) {
            cmbSpeed_->setCurrentIndex(i);
        }
    }
    auto select = [](QComboBox* c, int index) {
        c->setCurrentIndex(index >= 0 && index < c->count() ? index : -1);
    };
    select(cmbData_, s.gintDataLen != 0 ? 1 : 0);
    select(cmbStop_, s.gintStopBit);
    select(cmbParity_, s.gintParity);
}

void dlgProtocol::OKButton_Click() {
    if (keptOpen() || runControl_.judge(RunControlState::Command::Settings) ==
                          RunControlState::Verdict::Refused) {
        return;
    }
    if (capture_.glngDatLen() > 0) {
        const KeepOpen keepOpen(*this);
        const Prompts::Answer a =
            prompts_.message("通信ﾊﾟﾗﾒｰﾀを変更すると蓄積データは消去されます\nよろしいですか？",
                             "データ消去確認", Prompts::Icon::Exclamation, Prompts::Buttons::YesNo);
        if (a != Prompts::Answer::Yes) {
            return;
        }
    }
    clearDat_();
    Settings& s = settings_;
    s.gintLineType = optType_[0]->isChecked() ? 0 : 1;
    if (cmbSpeed_->currentIndex() >= 0) {
        s.glngSpeed = speedAt(cmbSpeed_->currentIndex());
    } else if (!speedCode(s.glngSpeed)) {
        // No entry chosen: keep a speed the unit knows, otherwise fall back to 9600.
        s.glngSpeed = 9600;
    }
    s.gintDataLen = static_cast<int16_t>(std::max(cmbData_->currentIndex(), 0));
    s.gintStopBit = static_cast<int16_t>(std::max(cmbStop_->currentIndex(), 0));
    s.gintParity = static_cast<int16_t>(std::max(cmbParity_->currentIndex(), 0));
    {
        const KeepOpen keepOpen(*this);
        applyToUnit_();
    }
    close();
}
