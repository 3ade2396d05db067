#include "app/dlgTextSave.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/BusyPointer.h"
#include "base/Settings.h"
#include "base/Status.h"
#include "base/Val.h"
#include "capture/Capture.h"
#include "files/TextExport.h"

namespace {

// The number at the start of a text field, rounded half to even; nothing when it does not fit
// 16 bits.
std::optional<int16_t> fieldNumber(const QLineEdit* field) {
    return roundHalfEven<int16_t>(Val(field->text().toStdString()));
}

}  // namespace

dlgTextSave::dlgTextSave(Settings& settings, const Capture& capture, const ChrTable& chr,
                         Prompts& prompts, QWidget* parent)
    : ViewDialog(parent),
      settings_(settings),
      capture_(capture),
      chr_(chr),
      prompts_(prompts),
      dialog_(prompts),
      framFont(new QGroupBox(QStringLiteral("ASCII文字保存形式"), this)) {
    setObjectName(QStringLiteral("dlgTextSave"));
    setWindowTitle(QStringLiteral("テキスト形式保存"));
    OKButton()->setText(QStringLiteral("  保存   [F1]"));
    connect(OKButton(), &QPushButton::clicked, this, &dlgTextSave::OKButton_Click);

    auto* lines = new QGridLayout;
    auto* types = new QButtonGroup(this);
    const char* typeCaptions[] = {"RD/SD切替り", "行文字数指定"};
    const char* labelCaptions[] = {"１行最大", "文字", "１行", "文字"};
    for (int i = 0; i < 2; ++i) {
        optType[i] = new QRadioButton(QString::fromUtf8(typeCaptions[i]), this);
        optType[i]->setObjectName(QStringLiteral("optType%1").arg(i));
        types->addButton(optType[i], i);
        txtCol[i] = new QLineEdit(this);
        txtCol[i]->setObjectName(QStringLiteral("txtCol%1").arg(i));
        txtCol[i]->setMaximumWidth(60);
        lines->addWidget(optType[i], i, 0);
        for (int j = 0; j < 2; ++j) {
            QLabel*& label = Label1[2 * i + j];
            label = new QLabel(QString::fromUtf8(labelCaptions[2 * i + j]), this);
            label->setObjectName(QStringLiteral("Label1_%1").arg(2 * i + j));
        }
        lines->addWidget(Label1[2 * i], i, 1);
        lines->addWidget(txtCol[i], i, 2);
        lines->addWidget(Label1[2 * i + 1], i, 3);
        connect(optType[i], &QRadioButton::clicked, this, [this, i] { optType_Click(i); });
    }

    framFont->setObjectName(QStringLiteral("framFont"));
    auto* fontLayout = new QVBoxLayout(framFont);
    const char* fontCaptions[] = {"全角（画面等価モード）", "半角（ASCII以外 ’・’）",
                                  "半角（ASCII以外 16進）"};
    for (int i = 0; i < 3; ++i) {
        optFont[i] = new QRadioButton(QString::fromUtf8(fontCaptions[i]), framFont);
        optFont[i]->setObjectName(QStringLiteral("optFont%1").arg(i));
        fontLayout->addWidget(optFont[i]);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton());
    buttons->addWidget(CancelButton());
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lines);
    layout->addWidget(framFont);
    layout->addLayout(buttons);
}

void dlgTextSave::showDialog() {
    const Settings& s = settings_;
    const int type = s.gintTextSaveMode == 1 ? 1 : 0;
    optType[type]->setChecked(true);
    optType_Click(type);
    txtCol[0]->setText(QString::number(s.gintTextSaveLen[0]));
    txtCol[1]->setText(QString::number(s.gintTextSaveLen[1]));
    const int font = s.gintASCIISaveMode >= 0 && s.gintASCIISaveMode <= 2 ? s.gintASCIISaveMode : 0;
    optFont[font]->setChecked(true);
    // In hexadecimal display every byte is written as hex: the form of ASCII does not apply.
    framFont->setEnabled(s.gintDispMode != 1);
    show();
    raise();
    activateWindow();
}

void dlgTextSave::optType_Click(int index) {
    for (int i = 0; i < 2; ++i) {
        const bool on = i == index;
        Label1[2 * i]->setEnabled(on);
        txtCol[i]->setEnabled(on);
        Label1[2 * i + 1]->setEnabled(on);
    }
}

void dlgTextSave::OKButton_Click() {
    const KeepOpen keepOpen(*this);
    const std::optional<std::string> name =
        dialog_.save("名前を付けてﾃｷｽﾄ形式保存", settings_.gstrSaveDir, kFilter);
    // A cancelled file dialog leaves the dialog open for another choice.
    if (name) {
        save(*name);
    }
}

void dlgTextSave::save(const std::string& name) {
    Settings& s = settings_;
    // What a cancelled save gives back.
    const int16_t asciiSaveMode = s.gintASCIISaveMode;
    const int16_t textSaveMode = s.gintTextSaveMode;
    const auto textSaveLen = s.gintTextSaveLen;
    std::optional<int16_t> st;  // nothing while the count is not valid
    {
        BusyPointer busy;
        const std::unique_ptr<Progress> dialog =
            prompts_.progress("テキスト形式で保存しています\n" + name, "テキスト形式保存");
        ProgressWatch progress(*dialog);
        for (int i = 0; i < 3; ++i) {
            if (optFont[i]->isChecked()) {
                s.gintASCIISaveMode = static_cast<int16_t>(i);
            }
        }
        const Capture& c = capture_;
        const TextSource src{c.gintDispDat().data(), c.glngDispLen(), s.gintDispMode,
                             s.gintASCIISaveMode, &chr_};
        const bool fixed = optType[1]->isChecked();
        const std::optional<int16_t> n = fieldNumber(txtCol[fixed ? 1 : 0]);
        if (n && !fixed) {
            s.gintTextSaveMode = 0;
            s.gintTextSaveLen[0] = *n;
            st = TextSaveSwitch(name, *n, src, progress);
        } else if (n && *n >= 1) {
            s.gintTextSaveMode = 1;
            s.gintTextSaveLen[1] = *n;
            st = TextSaveFixed(*n, name, src, progress);
        }
        if (progress.cancelled()) {
            // Nothing is written and the dialog stays open for another choice.
            s.gintASCIISaveMode = asciiSaveMode;
            s.gintTextSaveMode = textSaveMode;
            s.gintTextSaveLen = textSaveLen;
            return;
        }
    }
    if (!st) {
        // Fewer than one cell per line, or a count beyond 16 bits: nothing is written.
        prompts_.message("１行文字数が正しくありません", "１行文字数指定", Prompts::Icon::Critical,
                         Prompts::Buttons::Ok);
        return;
    }
    if (*st != status::kDone) {
        prompts_.message("テキストファイルの保存に失敗しました", "ファイル保存の失敗",
                         Prompts::Icon::Critical, Prompts::Buttons::Ok);
    }
    close();
}
