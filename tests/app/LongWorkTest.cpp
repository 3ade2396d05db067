// Long commands show their progress, and a cancel leaves files, view and settings as they were;
// a capture too large to show is refused before any work.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>
#include <fstream>
#include <map>

#include "app/FileCommands.h"
#include "app/QtProgress.h"
#include "app/dlgPrint.h"
#include "app/dlgTextSave.h"
#include "files/LogFile.h"
#include "support/Control.h"
#include "support/MainWindowFixture.h"
#include "support/RunUntil.h"
#include "view/frmMonitor.h"

namespace {

namespace fs = std::filesystem;

// Asks the machine for no printer: the print dialog offers its PDF file.
class NoPrinter final : public PrinterOutput {
  public:
    [[nodiscard]] bool hasPrinter() const override { return false; }
    void print(const PrintRequest&, const PrintSource&, int32_t, Progress&) override {}
};

class LongWorkTest : public AppTest {
  protected:
    void SetUp() override {
        NoUnit();
        OpenWindow("[Buffer_Inf]\nSize=1\n");  // files of more than 2000 bytes go to word files
    }
    // A capture log file of pairs RD data pairs in the data folder.
    std::string WriteLog(const char* name, size_t pairs, int16_t dispMode) {
        LogHeader h;
        h.glngSpeed = 9600;
        h.gintDispMode = dispMode;
        uint8_t head[kLogHeaderLen];
        encodeHeader(h, head);
        std::string data(reinterpret_cast<const char*>(head), sizeof head);
        for (size_t i = 0; i < pairs; ++i) {
            data += {'\x84', static_cast<char>(0xC0 | (i & 15))};
        }
        std::ofstream(FilePath(name), std::ios::binary) << data;
        return FilePath(name);
    }
    // Every file of the data folder with its bytes.
    [[nodiscard]] std::map<std::string, std::string> DataFiles() const {
        std::map<std::string, std::string> files;
        for (const fs::directory_entry& e : fs::directory_iterator(FilePath("Dat"))) {
            std::ifstream in(e.path(), std::ios::binary);
            files[e.path().filename().string()] = {std::istreambuf_iterator<char>(in), {}};
        }
        return files;
    }
    // What the view and the settings show.
    struct Shown {
        std::vector<int16_t> words;
        LogHeader header;
        QString caption;
        int16_t orient, textMode, asciiMode;
        bool operator==(const Shown&) const = default;
    };
    [[nodiscard]] Shown Now() const {
        const Capture& c = ctx.core.capture;
        const auto words = c.gintDispDat().first(static_cast<size_t>(c.glngDispLen()));
        const Settings& s = ctx.core.settings;
        return {{words.begin(), words.end()},
                headerOf(s),
                window->monitor().windowTitle(),
                s.gintPrintOrient,
                s.gintTextSaveMode,
                s.gintASCIISaveMode};
    }
    NoPrinter noPrinter;
};

}  // namespace

TEST_F(LongWorkTest, ACancelledCommandLeavesFilesViewAndSettingsAsTheyWere) {
    // 3 MB of data: three pieces of reading, two of text.
    const std::string big = WriteLog("Dat/big.vxm", 1'500'000, 0);
    ASSERT_TRUE(window->files().openLog(WriteLog("Dat/shown.vxm", 3000, 1)));
    for (const char* old : {"Dat/old.pcap", "Dat/old.txt", "Dat/old.pdf"}) {
        std::ofstream(FilePath(old)) << "before";
    }
    const auto textSave = [&](int type, bool cancelled) {
        Item("mn_File_Text")->trigger();
        auto* dialog = window->findChild<dlgTextSave*>("dlgTextSave");
        Control<QRadioButton>(dialog, type == 0 ? "optType0" : "optType1")->click();
        Control<QRadioButton>(dialog, "optFont2")->click();
        prompts.files.push_back(FilePath("Dat/old.txt"));
        Control<QPushButton>(dialog, "OKButton")->click();
        EXPECT_EQ(dialog->isVisible(), cancelled) << "open for another choice";
        dialog->close();
    };
    const auto print = [&] {
        Item("mn_File_Print")->trigger();
        auto* dialog = window->findChild<dlgPrint*>("dlgPrint");
        dialog->setPrinterOutput(noPrinter);
        Control<QRadioButton>(dialog, "optOR0")->click();
        Control<QLineEdit>(dialog, "txtPage")->setText(QStringLiteral("4"));
        prompts.files.push_back(FilePath("Dat/old.pdf"));
        Control<QPushButton>(dialog, "OKButton")->click();
        EXPECT_TRUE(dialog->isVisible());
        dialog->close();
    };
    const auto pcap = [&] {
        prompts.files.push_back(FilePath("Dat/old.pcap"));
        Item("mn_File_Pcap")->trigger();
    };
    const auto open = [&] { EXPECT_FALSE(window->files().openLog(big)); };
    const struct {
        const char* what;
        std::function<void()> command;
        int cancelAt;
    } kOpens[] = {{"open, first piece", open, 1}, {"open, last piece", open, 3}},
      kSaves[] = {
          {"pcap, first reading", pcap, 2},
          {"pcap, second reading", pcap, 5},
          {"text, switch layout", [&] { textSave(0, true); }, 1},
          {"text, fixed layout", [&] { textSave(1, true); }, 2},
          {"PDF", print, 3},
      };
    const auto cancel = [&](const auto& k) {
        SCOPED_TRACE(k.what);
        const Shown before = Now();
        const auto files = DataFiles();
        const size_t asked = prompts.progresses.size() + 1;
        prompts.cancelAt = {k.cancelAt};
        k.command();
        ASSERT_EQ(prompts.progresses.size(), asked);
        EXPECT_EQ(prompts.progresses.back().steps.size(), static_cast<size_t>(k.cancelAt));
        // No failure is told (printing without a printer asks whether to write a PDF file).
        for (const ScriptedPrompts::Asked& a : prompts.asked) {
            EXPECT_EQ(a.icon, Prompts::Icon::Question) << a.text;
        }
        prompts.asked.clear();
        EXPECT_EQ(DataFiles(), files);
        EXPECT_EQ(Now(), before);
    };
    for (const auto& k : kOpens) {
        cancel(k);
    }
    ASSERT_TRUE(window->files().openLog(big));
    for (const auto& k : kSaves) {
        cancel(k);
    }
    // Without a cancel the steps go up to the whole.
    textSave(1, false);
    const auto& steps = prompts.progresses.back().steps;
    EXPECT_EQ(steps, (std::vector<std::pair<uint64_t, uint64_t>>{{1'048'576, 1'500'000},
                                                                 {1'500'000, 1'500'000}}));
}

TEST_F(LongWorkTest, ACaptureTooLargeToShowIsRefusedBeforeAnyWork) {
    const std::string shown = WriteLog("Dat/shown.vxm", 3000, 1);
    ASSERT_TRUE(window->files().openLog(shown));
    const Shown before = Now();
    const size_t progresses = prompts.progresses.size();
    const std::string huge = FilePath("Dat/huge.vxm");
    fs::copy_file(shown, huge);
    fs::resize_file(huge, kLogHeaderLen + kLogShownMax + 2);  // sparse: no disk space taken
    EXPECT_FALSE(window->files().openLog(huge));
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].text, "通信ログファイルが大きすぎるため開けません\n" + huge +
                                         "\nデータ 4,294,967,296 バイト（開けるのは "
                                         "4,294,967,294 バイトまで）");
    EXPECT_EQ(prompts.progresses.size(), progresses) << "no work begun";
    EXPECT_EQ(Now(), before);
}

TEST_F(LongWorkTest, TheProgressDialogIsModalAndItsCancelOrRejectionStopsTheWork) {
    const std::string file = WriteLog("Dat/later.vxm", 10, 1);
    for (const bool reject : {false, true}) {
        SCOPED_TRACE(reject);
        QtProgress progress(window.get(), QStringLiteral("読み込んでいます"),
                            QStringLiteral("ファイルを開く"), 0);
        EXPECT_TRUE(progress.step(1, 4));
        QProgressDialog* dialog = progress.dialog();
        ASSERT_TRUE(dialog != nullptr && dialog->isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), dialog);
        EXPECT_EQ(dialog->labelText(), "読み込んでいます");
        EXPECT_EQ(dialog->findChild<QPushButton*>()->text(), "キャンセル");
        if (!reject) {
            // A file handed on by a later start waits until the dialog has closed.
            window->files().openForwarded(file);
            EXPECT_FALSE(::RunUntil([&] { return window->files().fileInView(); },
                                    2 * FileCommands::kForwardRetryMs));
        }
        reject ? dialog->reject() : dialog->findChild<QPushButton*>()->click();
        EXPECT_FALSE(progress.step(2, 4));
    }
    EXPECT_TRUE(RunUntil([&] { return window->files().fileInView(); }, 3000));
}
