// The protocol editor from the tools menu: faults beside their fields, new / copy / delete, the
// atomic save, and the preview on the capture in view.
#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "analysis/FrameExamples.h"
#include "analysis/Protocol.h"
#include "app/dlgProtoEdit.h"
#include "support/Control.h"
#include "support/MainWindowFixture.h"

namespace {

const char* const kFile =
    "; plant protocols\n"
    "[stx]\n"
    "Start=02\n"
    "End=03\n"
    "Check=xor8\n"
    "CheckAfterEnd=1\n"
    "\n"
    "[old]\n"
    "Fixed=4\n";

// Writes of more than limit bytes fail (EFBIG) while it lives, for root as for any user.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t limit) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit r = old_;
        r.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit old_{};
    void (*handler_)(int);
};

class ProtoEditTest : public AppTest {
  protected:
    void SetUp() override {
        NoUnit();
        OpenWindow();
    }
    // Writes VXProto.ini and opens the editor from the menu.
    void Open(const std::string& text) {
        std::ofstream(FilePath("VXProto.ini"), std::ios::binary) << text;
        Item("mn_Tool_ProtoEdit")->trigger();
        dialog = window->findChild<dlgProtoEdit*>("dlgProtoEdit");
        ASSERT_NE(dialog, nullptr);
    }
    template <class T>
    T* Control(const char* name) {
        return ::Control<T>(dialog, QString::fromLatin1(name));
    }
    void Type(const char* field, const char* text) { Control<QLineEdit>(field)->setText(text); }
    void Click(const char* button) { Control<QPushButton>(button)->click(); }
    [[nodiscard]] QString Fault(const char* key) {
        return Control<QLabel>((std::string("lblFault") + key).c_str())->text();
    }
    [[nodiscard]] bool CanSave() { return Control<QPushButton>("OKButton")->isEnabled(); }
    [[nodiscard]] QStringList Names() {
        QStringList names;
        auto* list = Control<QListWidget>("lstProto");
        for (int i = 0; i < list->count(); ++i) {
            names << list->item(i)->text();
        }
        return names;
    }
    [[nodiscard]] size_t FilesInFolder() const {
        return static_cast<size_t>(
            std::distance(std::filesystem::directory_iterator(folder.path().toStdString()), {}));
    }

    dlgProtoEdit* dialog = nullptr;
};

}  // namespace

TEST_F(ProtoEditTest, RefusesWhatTheEngineRefusesAndSavesAtomically) {
    Open(kFile);
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_EQ(Names(), QStringList({"stx", "old"}));
    EXPECT_EQ(Control<QLineEdit>("txtStart")->text(), "02");
    EXPECT_EQ(Control<QComboBox>("cmbCheck")->currentText(), "xor8");
    EXPECT_TRUE(Control<QCheckBox>("chkCheckAfterEnd")->isChecked());
    EXPECT_TRUE(CanSave());

    // The end typed from the keyboard, a wrong digit first.
    Control<QLineEdit>("txtEnd")->clear();
    QTest::keyClicks(Control<QLineEdit>("txtEnd"), "0G");
    EXPECT_EQ(Fault("End"), "End=0G: expected 1 to 16 bytes as pairs of hex digits");
    EXPECT_FALSE(CanSave());
    Control<QPushButton>("OKButton")->click();  // off: nothing is written
    EXPECT_EQ(ReadText("VXProto.ini"), kFile);
    Type("txtEnd", "03 04");
    EXPECT_EQ(Fault("End"), "");
    EXPECT_TRUE(CanSave());

    // A new definition has no way to end until it is given one; its name must be its own.
    Click("cmdNew");
    EXPECT_EQ(Names(), QStringList({"stx", "old", "protocol"}));
    EXPECT_EQ(Fault("End"), "a frame has no way to end: give End, Length or Fixed");
    EXPECT_FALSE(CanSave());
    Type("txtName", "STX");
    EXPECT_EQ(Fault("Name"), "同じ名前の定義がほかにあります");
    Type("txtName", "crlf");
    Type("txtEnd", "0D0A");
    Control<QComboBox>("cmbCheckOrder")->setCurrentIndex(2);
    EXPECT_EQ(Fault("Check"), "CheckOrder without a Check");
    Control<QComboBox>("cmbCheck")->setCurrentText("crc16-xmodem");
    EXPECT_EQ(Fault("Check"), "");
    Control<QCheckBox>("chkLength")->setChecked(true);
    EXPECT_EQ(Fault("Fixed"), "");
    Type("txtFixed", "9");
    EXPECT_EQ(Fault("Fixed"), "Length and Fixed together: a frame has one size");
    Type("txtFixed", "");
    Type("txtLengthAdjust", "5");
    EXPECT_TRUE(CanSave());

    // A copy takes a name of its own; deleting it and [old] leaves two.
    Click("cmdCopy");
    EXPECT_EQ(Names(), QStringList({"stx", "old", "crlf", "crlf-2"}));
    EXPECT_EQ(Control<QLineEdit>("txtEnd")->text(), "0D0A");
    Click("cmdDelete");
    Control<QListWidget>("lstProto")->setCurrentRow(1);
    Click("cmdDelete");
    EXPECT_EQ(Names(), QStringList({"stx", "crlf"}));
    EXPECT_EQ(Control<QLineEdit>("txtName")->text(), "crlf");

    // A write that fails leaves the file and the folder as they were, and the dialog open.
    const size_t files = FilesInFolder();
    {
        const FileSizeLimit limit(16);
        Click("OKButton");
    }
    ASSERT_FALSE(prompts.asked.empty());
    EXPECT_EQ(prompts.asked.back().text.rfind("VXProto.ini を保存できませんでした\n", 0), 0U)
        << prompts.asked.back().text;
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(ReadText("VXProto.ini"), kFile);
    EXPECT_EQ(FilesInFolder(), files);

    Click("OKButton");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(ReadText("VXProto.ini"),
              "; plant protocols\n"
              "[stx]\n"
              "Start=02\n"
              "End=03 04\n"
              "Check=xor8\n"
              "CheckAfterEnd=1\n"
              "\n"
              "[crlf]\n"
              "End=0D0A\n"
              "Length=0,1,BE,5\n"
              "Check=crc16-xmodem\n"
              "CheckOrder=LE\n");
    const proto::ProtocolFile saved = proto::loadProtocols(FilePath("VXProto.ini"), false);
    ASSERT_EQ(saved.error, "");
    ASSERT_EQ(saved.protocols.size(), 2U);
    EXPECT_EQ(saved.protocols[1].end, (std::vector<uint8_t>{0x0D, 0x0A}));
    EXPECT_EQ(saved.protocols[1].length->adjust, 5);
    EXPECT_FALSE(saved.protocols[1].checkBigEndian);
}

TEST_F(ProtoEditTest, PreviewCountsTheFramesOfTheCaptureAndCancelKeepsTheFile) {
    for (const uint8_t b : StxCapture()) {
        ctx.core.capture.StoreByte(b);
    }
    Open(kFile);
    ASSERT_TRUE(RunUntil([this] { return dialog->previewDone(); }, 5000));
    EXPECT_EQ(Control<QLabel>("lblPreview")->text(),
              "表示中の記録全体（36 バイト）で フレーム 5: チェック良 2、チェック不良 1、ノイズ "
              "1、問題 1");
    auto* table = Control<QTableWidget>("tblPreview");
    ASSERT_EQ(table->rowCount(), 5);
    EXPECT_EQ(table->item(1, 4)->text(), "02 41 42 03 02");
    EXPECT_EQ(table->item(2, 5)->text(), "NG");
    EXPECT_EQ(table->item(4, 6)->text(), "truncated");

    // Typing waits for a pause before the frames are found again.
    Type("txtCheckFrom", "1");
    EXPECT_TRUE(Control<QTimer>("timPreview")->isActive());
    EXPECT_FALSE(dialog->previewDone());
    dialog->timPreview_Timer();  // the pause is over
    ASSERT_TRUE(RunUntil([this] { return dialog->previewDone(); }, 5000));
    EXPECT_TRUE(Control<QLabel>("lblPreview")
                    ->text()
                    .endsWith("チェック良 0、チェック不良 3、ノイズ 1、問題 1"));
    Type("txtStart", "2");
    dialog->timPreview_Timer();
    EXPECT_EQ(Control<QLabel>("lblPreview")->text(), "定義に誤りがあるため、プレビューできません");
    EXPECT_EQ(table->rowCount(), 0);

    // The editor stays open while the user looks at the grid; changes are let go only after
    // a yes, whichever way it is closed.
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(dialog, &deactivate);
    EXPECT_TRUE(dialog->isVisible());
    prompts.asked.clear();
    prompts.answers = {Prompts::Answer::No};
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible());
    Click("CancelButton");  // the unscripted answer is yes
    EXPECT_FALSE(dialog->isVisible());
    ASSERT_EQ(prompts.asked.size(), 2U);
    EXPECT_EQ(prompts.asked[1].text, "変更を保存せずに閉じますか？");
    EXPECT_EQ(ReadText("VXProto.ini"), kFile);
}

// A file the editor cannot read is not opened, so it is never written over.
TEST_F(ProtoEditTest, AMalformedFileIsToldAndNotOpened) {
    Open("[a]\nStart=02\nEnd=03\nColour=red\n");
    EXPECT_FALSE(dialog->isVisible());
    ASSERT_EQ(prompts.asked.size(), 1U);
    EXPECT_EQ(prompts.asked[0].text,
              "VXProto.ini: line 4: unknown key Colour\n"
              "このファイルは編集できません。テキストエディタで直してください");
}
