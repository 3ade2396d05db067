#include "app/dlgPrint.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <climits>
#include <cmath>

#include "app/PanelBar.h"
#include "base/Prompts.h"
#include "base/RunState.h"
#include "base/Settings.h"
#include "base/Val.h"
#include "capture/Capture.h"

namespace {

constexpr const char* kTitle = "印刷";

// The page count typed in: rounded, 0 for a text that is not a number; any count beyond the
// data prints until the data ends, so a very large one is kept as the largest.
int pageCount(const QString& text) {
    const double n = std::nearbyint(Val(text.toStdString()));
    if (!(n >= 1)) {
        return 0;
    }
    return n < INT_MAX ? static_cast<int>(n) : INT_MAX;
}

}  // namespace

dlgPrint::dlgPrint(Settings& settings, const RunState& run, const Capture& capture,
                   const ChrTable& chr, Prompts& prompts, const PanelBar& stBarMonitor,
                   QWidget* parent)
    : ViewDialog(parent),
      settings_(settings),
      run_(run),
      capture_(capture),
      chr_(chr),
      prompts_(prompts),
      stBarMonitor_(stBarMonitor),
      optOR{new QRadioButton(QStringLiteral("縦"), this),
            new QRadioButton(QStringLiteral("横"), this)},
      txtPage(new QLineEdit(QStringLiteral("1"), this)) {
    setObjectName(QStringLiteral("dlgPrint"));
    setWindowTitle(QStringLiteral("印刷設定"));
    auto* frame = new QGroupBox(QStringLiteral("用紙向き"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* frameLayout = new QHBoxLayout(frame);
    for (int i = 0; i < 2; ++i) {
        optOR[i]->setObjectName(QStringLiteral("optOR%1").arg(i));
        frameLayout->addWidget(optOR[i]);
    }
    txtPage->setObjectName(QStringLiteral("txtPage"));
    auto* label = new QLabel(QStringLiteral("印刷ページ数"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setBuddy(txtPage);
    OKButton()->setText(QStringLiteral(" 印刷   [F1]"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(frame, 0, 0, 1, 2);
    layout->addWidget(label, 1, 0);
    layout->addWidget(txtPage, 1, 1);
    layout->addWidget(OKButton(), 2, 0);
    layout->addWidget(CancelButton(), 2, 1);
    OKButton()->setDefault(true);  // Enter in txtPage
    CancelButton()->setAutoDefault(false);
    connect(OKButton(), &QPushButton::clicked, this, &dlgPrint::OKButton_Click);
}

void dlgPrint::showDialog() {
    optOR[settings_.gintPrintOrient == kPrintPortrait ? 0 : 1]->setChecked(true);
    txtPage->setText(QStringLiteral("1"));
    show();
    raise();
    activateWindow();
    txtPage->setFocus();
    txtPage->selectAll();
}

void dlgPrint::OKButton_Click() {
    Settings& s = settings_;
    if (run_.gintRun != 0) {
        close();  // a run started while the dialog was open: the history is not printed now
        return;
    }
    const KeepOpen keepOpen(*this);            // while the progress of the printing shows
    const int16_t orient = s.gintPrintOrient;  // what a cancel gives back
    s.gintPrintOrient =
        static_cast<int16_t>(optOR[0]->isChecked() ? kPrintPortrait : kPrintLandscape);
    const int pages = pageCount(txtPage->text());
    if (pages < 1) {
        tell(prompts_, "印刷指定ページ枚数が正しくありません", kTitle, Prompts::Icon::Exclamation);
        txtPage->setFocus();
        return;
    }
    const PrintRequest request{stBarMonitor_.panelText(2).toStdString(),
                               stBarMonitor_.panelText(4).toStdString(), s.gintPrintOrient, pages};
    PrintSource src = printSourceOf(capture_, s, chr_);
    src.frames = marks_ ? marks_() : nullptr;
    const int32_t top = capture_.glngDispTop;
    const bool done = printer_->hasPrinter() ? printOnPrinter(request, src, top)
                                             : printToPdfFile(request, src, top);
    if (!done) {
        s.gintPrintOrient = orient;  // cancelled: the dialog stays open for another choice
        return;
    }
    close();
}

bool dlgPrint::printOnPrinter(const PrintRequest& request, const PrintSource& src, int32_t top) {
    const std::unique_ptr<Progress> dialog = prompts_.progress("印刷しています", kTitle);
    ProgressWatch progress(*dialog);
    printer_->print(request, src, top, progress);
    return !progress.cancelled();
}

bool dlgPrint::printToPdfFile(const PrintRequest& request, const PrintSource& src, int32_t top) {
    if (prompts_.message("印刷できるプリンタがありません\nPDFファイルに保存しますか？", kTitle,
                         Prompts::Icon::Question,
                         Prompts::Buttons::YesNo) == Prompts::Answer::Yes) {
        const std::optional<std::string> path = prompts_.saveFileName(
            "PDFファイルに保存", settings_.gstrSaveDir, "PDFファイル (*.pdf)");
        if (!path) {
            return true;
        }
        const std::unique_ptr<Progress> dialog =
            prompts_.progress("PDFファイルに保存しています\n" + *path, kTitle);
        ProgressWatch progress(*dialog);
        if (!printToPdf(*path, request, src, top, progress)) {
            if (progress.cancelled()) {
                return false;
            }
            prompts_.message("PDFファイルを保存できませんでした\n" + *path, kTitle,
                             Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
        }
    }
    return true;
}
