// The print dialog, opened from the file menu.
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/dlgPrint.h"
#include "support/Control.h"
#include "support/MainWindowFixture.h"
#include "support/SampleCapture.h"

namespace {

// A printer that records what it was given.
class FakePrinter final : public PrinterOutput {
  public:
    explicit FakePrinter(bool present) : present_(present) {}
    [[nodiscard]] bool hasPrinter() const override { return present_; }
    void print(const PrintRequest& r, const PrintSource& src, int32_t t, Progress&) override {
        requests.push_back(r);
        words = src.words.size();
        top = t;
    }
    std::vector<PrintRequest> requests;
    size_t words = 0;
    int32_t top = -1;

  private:
    bool present_;
};

class DlgPrintTest : public AppTest {
  protected:
    // A window with a stopped capture of the sample exchange in its history.
    void OpenWithCapture(const std::string& extraIni = {}) {
        NoUnit();
        OpenWindow(extraIni);
        const SampleCapture records = SampleCapture::Exchange();
        for (const uint8_t b : records.bytes) {
            ctx.core.capture.StoreByte(b);
        }
        ctx.core.capture.CopyDat(ctx.core.capture.gbyteDat().data(), ctx.core.capture.glngDatLen());
        ctx.core.run.gintRireki = 1;
    }
    // Opens the dialog from its menu item, printing to printer.
    dlgPrint* open(FakePrinter& printer) {
        Item("mn_File_Print")->trigger();
        auto* dialog = window->findChild<dlgPrint*>("dlgPrint");
        EXPECT_NE(dialog, nullptr);
        if (dialog != nullptr) {
            EXPECT_TRUE(dialog->isVisible());
            dialog->setPrinterOutput(printer);
        }
        return dialog;
    }
    void print(dlgPrint* dialog, const char* pages) {
        Control<QLineEdit>(dialog, "txtPage")->setText(QString::fromUtf8(pages));
        Control<QPushButton>(dialog, "OKButton")->click();
    }
    static void Press(QWidget* w, Qt::Key key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &press);
    }
};

constexpr const char* kBadCount = "印刷指定ページ枚数が正しくありません";

}  // namespace

TEST_F(DlgPrintTest, OpensWithItsControlsAndTheStoredOrientation) {
    OpenWithCapture("[Print_Inf]\nOrientation=1\n");
    FakePrinter printer(true);
    dlgPrint* dialog = open(printer);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(prompts.asked.empty()) << "the item no longer says it is unavailable";
    EXPECT_TRUE(Control<QRadioButton>(dialog, "optOR0")->isChecked());
    EXPECT_EQ(Control<QLineEdit>(dialog, "txtPage")->text(), "1");

    // F8 cancels; the next opening starts again from the settings and one page.
    Control<QLineEdit>(dialog, "txtPage")->setText("7");
    Press(dialog, Qt::Key_F8);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(printer.requests.empty());
    ctx.core.settings.gintPrintOrient = 0;  // anything but portrait is landscape
    dialog = open(printer);
    EXPECT_TRUE(Control<QRadioButton>(dialog, "optOR1")->isChecked());
    EXPECT_EQ(Control<QLineEdit>(dialog, "txtPage")->text(), "1");
}

TEST_F(DlgPrintTest, PrintSendsTheHistoryFromTheTopWithTheStatusTexts) {
    OpenWithCapture("[Mode_Inf]\nIdleMode=1\n[Comm_Inf]\nSpeed=19200\nParity=2\nDataLength=1\n");
    ctx.core.capture.glngDispTop = 5;
    FakePrinter printer(true);
    dlgPrint* dialog = open(printer);
    ASSERT_NE(dialog, nullptr);
    Control<QRadioButton>(dialog, "optOR0")->setChecked(true);
    Control<QLineEdit>(dialog, "txtPage")->setText("2.5");  // halves go to the even neighbour
    Press(dialog, Qt::Key_F1);

    ASSERT_EQ(printer.requests.size(), 1U);
    const PrintRequest& r = printer.requests[0];
    EXPECT_EQ(r.commText, "19200,E,8,1");
    EXPECT_EQ(r.idleText, "ｱｲﾄﾞﾙ(1s)");
    EXPECT_EQ(r.orient, kPrintPortrait);
    EXPECT_EQ(r.pages, 2);
    EXPECT_EQ(printer.top, 5);
    EXPECT_EQ(printer.words, static_cast<size_t>(ctx.core.capture.glngDispLen()));
    EXPECT_EQ(ctx.core.settings.gintPrintOrient, kPrintPortrait);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(DlgPrintTest, AnInvalidPageCountIsReportedAndTheDialogStaysOpen) {
    OpenWithCapture();
    FakePrinter printer(true);
    dlgPrint* dialog = open(printer);
    ASSERT_NE(dialog, nullptr);
    for (const char* pages : {"", "0", "abc", "-3", "0.5"}) {
        prompts.asked.clear();
        print(dialog, pages);
        ASSERT_EQ(prompts.asked.size(), 1U) << pages;
        EXPECT_EQ(prompts.asked[0].text, kBadCount);
        EXPECT_EQ(prompts.asked[0].title, "印刷");
        EXPECT_EQ(prompts.asked[0].icon, Prompts::Icon::Exclamation);
        EXPECT_EQ(prompts.asked[0].buttons, Prompts::Buttons::Ok);
        EXPECT_TRUE(dialog->isVisible()) << pages;
    }
    EXPECT_TRUE(printer.requests.empty());
    // The orientation is kept even so; a count beyond any data is fine.
    EXPECT_EQ(ctx.core.settings.gintPrintOrient, kPrintLandscape);
    print(dialog, "1e30");
    ASSERT_EQ(printer.requests.size(), 1U);
    EXPECT_GT(printer.requests[0].pages, 1000000);
}

TEST_F(DlgPrintTest, WithoutAPrinterThePagesCanGoToAPdfFile) {
    OpenWithCapture();
    FakePrinter none(false);
    const std::string pdf = FilePath("capture.pdf");

    // No: nothing is written.
    prompts.answers = {Prompts::Answer::No};
    print(open(none), "1");
    EXPECT_EQ(AskedTexts(), std::vector<std::string>{
                                "印刷できるプリンタがありません\nPDFファイルに保存しますか？"});
    EXPECT_EQ(prompts.asked[0].icon, Prompts::Icon::Question);
    EXPECT_EQ(prompts.asked[0].buttons, Prompts::Buttons::YesNo);
    EXPECT_TRUE(prompts.fileDialogs.empty());

    // Yes and a file name: the PDF is written and the dialog closes.
    prompts.asked.clear();
    prompts.answers = {Prompts::Answer::Yes};
    prompts.files = {pdf};
    dlgPrint* dialog = open(none);
    print(dialog, "1");
    EXPECT_EQ(prompts.fileDialogs, std::vector<std::string>{"PDFファイルに保存"});
    QFile file(QString::fromStdString(pdf));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(none.requests.empty());

    // A file that cannot be written is reported.
    prompts.asked.clear();
    prompts.answers = {Prompts::Answer::Yes};
    prompts.files = {FilePath("no/such/folder/capture.pdf")};
    print(open(none), "1");
    ASSERT_EQ(prompts.asked.size(), 2U);
    EXPECT_EQ(prompts.asked[1].text,
              "PDFファイルを保存できませんでした\n" + FilePath("no/such/folder/capture.pdf"));
    EXPECT_EQ(prompts.asked[1].icon, Prompts::Icon::Exclamation);
}

TEST_F(DlgPrintTest, ARunStartedWhileTheDialogIsOpenPrintsNothing) {
    OpenWithCapture();
    FakePrinter printer(true);
    dlgPrint* dialog = open(printer);
    ASSERT_NE(dialog, nullptr);
    ctx.core.run.gintRun = 1;
    print(dialog, "1");
    EXPECT_TRUE(printer.requests.empty());
    EXPECT_FALSE(dialog->isVisible());
    ctx.core.run.gintRun = 0;
}
