// The File menu's open, save and text save commands, and capture files handed on by a later
// start.
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include <unistd.h>

#include "app/FileCommands.h"
#include "app/InstanceLink.h"
#include "app/dlgTextSave.h"
#include "files/LogFile.h"
#include "files/ParamIni.h"
#include "files/PcapExport.h"
#include "files/TextExportExamples.h"
#include "support/Control.h"
#include "support/MainWindowFixture.h"
#include "support/RunUntil.h"
#include "support/ScopedEnv.h"
#include "view/frmMonitor.h"

namespace {

class FileCommandsTest : public AppTest {
  protected:
    void SetUp() override { NoUnit(); }

    // Writes a log file with header h and the given records into the program folder.
    std::string WriteLog(const char* name, const LogHeader& h, const std::vector<uint8_t>& data) {
        uint8_t head[kLogHeaderLen];
        encodeHeader(h, head);
        std::ofstream(FilePath(name), std::ios::binary)
            << std::string(reinterpret_cast<const char*>(head), sizeof head)
            << std::string(data.begin(), data.end());
        return FilePath(name);
    }
    void Choose(const std::string& file) { prompts.files.push_back(file); }
    [[nodiscard]] std::string ReadFile(const char* name) const {
        std::ifstream in(FilePath(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    [[nodiscard]] std::string Caption() const {
        return window->monitor().windowTitle().toStdString();
    }
    [[nodiscard]] const ScriptedPrompts::Asked& LastAsked() const { return prompts.asked.back(); }
    // The monitor grid once its rebuild for the window's size has run.
    const CellGrid& BuiltGrid() {
        const CellGrid& cells = window->monitor().cells();
        EXPECT_TRUE(RunUntil(
            [&] { return cells.Size() > 4 && cells.Size() == ctx.core.grid.lintCell; }, 3000));
        SettleGrid();  // a rebuild still queued for the same size
        return cells;
    }

    dlgTextSave* OpenTextSave() {
        Item("mn_File_Text")->trigger();
        auto* dialog = window->findChild<dlgTextSave*>("dlgTextSave");
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }
};

LogHeader sampleHeader() {
    LogHeader h;
    h.gintLineType = 1;
    h.glngSpeed = 38400;
    h.gintDataLen = 1;
    h.gintStopBit = 2;
    h.gintParity = 1;
    h.gintDispMode = 1;
    h.gintTimeStamp = 1;
    h.gintIdleMode = 10;
    h.gintLineState = 1;
    h.gintFontSize = 2;
    h.gintScroll = 4;
    return h;
}

}  // namespace

TEST_F(FileCommandsTest, SaveWritesHeaderAndCaptureAndReopeningRestoresThem) {
    OpenWindow(
        "[Mode_Inf]\nDispMode=1\nFontSize=2\nScroll=4\nIdleMode=10\nTimeStamp=1\n"
        "LineState=1\n[Comm_Inf]\nType=1\nSpeed=38400\nDataLength=1\nStopBit=2\nParity=1\n");
    StorePairs(300);
    const std::vector<uint8_t> saved(ctx.core.capture.gbyteDat().begin(),
                                     ctx.core.capture.gbyteDat().begin() + 600);
    Choose(FilePath("Dat/line1.vxm"));
    Item("mn_File_Save")->trigger();
    EXPECT_TRUE(prompts.asked.empty());
    ASSERT_EQ(prompts.fileDialogs, std::vector<std::string>{"名前を付けて保存"});
    EXPECT_EQ(prompts.fileStarts.back(), ctx.core.settings.gstrSaveDir);
    EXPECT_EQ(std::filesystem::file_size(FilePath("Dat/line1.vxm")), 24u + 600u);
    EXPECT_EQ(Caption(), "line1.vxm");

    // Other settings now; the file brings its own back.
    Item("mn_View_Mode0")->trigger();
    Item("mn_View_Font_Size0")->trigger();
    ctx.core.settings.glngSpeed = 9600;
    ctx.core.capture.glngCursol = {5, 6};
    window->monitor().showNewCaption();
    Choose(FilePath("Dat/line1.vxm"));
    Item("mn_File_Open")->trigger();
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(prompts.fileDialogs.back(), "ﾌｧｲﾙを開く");
    // One file dialog: the name chosen in the save dialog is where the open dialog starts.
    EXPECT_EQ(prompts.fileStarts.back(), FilePath("Dat/line1.vxm"));
    EXPECT_EQ(headerOf(ctx.core.settings), sampleHeader());
    const Capture& c = ctx.core.capture;
    EXPECT_EQ(c.glngDispLen(), 300);
    EXPECT_EQ(c.gintDispDat()[0], 0x41);
    EXPECT_EQ(c.glngCursol, std::vector<int32_t>{-1});
    EXPECT_EQ(c.glngDispTop, 0);
    EXPECT_EQ(ctx.core.run.gintRireki, 1);
    // The capture buffer keeps what it held.
    EXPECT_TRUE(std::equal(saved.begin(), saved.end(), c.gbyteDat().begin()));
    EXPECT_TRUE(Item("mn_View_Mode1")->isChecked());
    EXPECT_TRUE(Item("mn_View_Font_Size2")->isChecked());
    EXPECT_TRUE(Item("mn_View_Idle_Scale2")->isChecked());
    EXPECT_EQ(PanelText(2), "38400,O,8,2");
    EXPECT_FALSE(Item("mn_Run_Start")->isEnabled());
    EXPECT_FALSE(Item("mn_File_Save")->isEnabled());
    EXPECT_TRUE(Item("mn_Run_Restart")->isEnabled());
    EXPECT_EQ(Caption(), "line1.vxm");
}

TEST_F(FileCommandsTest, PcapExportWritesTheCaptureOrTheOpenedFile) {
    OpenWindow("[Comm_Inf]\nSpeed=19200\n[Mode_Inf]\nIdleMode=100\n");
    StorePairs(300);
    ASSERT_TRUE(Item("mn_File_Pcap")->isEnabled());
    Choose(FilePath("Dat/live.pcap"));
    Item("mn_File_Pcap")->trigger();
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(prompts.fileDialogs.back(), "Wireshark形式で保存");
    const Capture& c = ctx.core.capture;
    const DateTime now = clock.now();
    EXPECT_EQ(ReadFile("Dat/live.pcap"),
              pcapFromCapture(c.gbyteDat().data(), c.glngDatLen(),
                              lineTimingOf(headerOf(ctx.core.settings)),
                              PcapTimes{localMidnight(now), localEpochMicros(now)}));

    // An opened file is what the view shows: its bytes, header and date make the export.
    const std::vector<uint8_t> records{0x30, 9, 0, 0, 0xA4, 0xC1, 0x84, 0xC2};
    const std::string log = WriteLog("Dat/old.vxm", sampleHeader(), records);
    Choose(log);
    Item("mn_File_Open")->trigger();
    Choose(FilePath("Dat/file.pcap"));
    Item("mn_File_Pcap")->trigger();
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(ReadFile("Dat/file.pcap"),
              pcapFromCapture(records.data(), static_cast<int32_t>(records.size()),
                              lineTimingOf(sampleHeader()), *fileTimes(log, std::nullopt)));

    // The open dialog still starts at the capture file, not at the pcap file.
    Item("mn_File_Open")->trigger();
    EXPECT_EQ(prompts.fileStarts.back(), log);

    Choose(FilePath("no/such/folder.pcap"));
    Item("mn_File_Pcap")->trigger();
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(LastAsked().text, "Wireshark形式の保存に失敗しました");
    EXPECT_FALSE(std::filesystem::exists(FilePath("no")));
}

TEST_F(FileCommandsTest, HeaderDisplayModeOneShowsTheFileInHex) {
    OpenWindow();
    LogHeader h = sampleHeader();
    h.gintFontSize = 1;
    const std::string file = WriteLog("hex.vxm", h, example::kABC);
    ASSERT_TRUE(window->files().openLog(file));
    EXPECT_EQ(ctx.core.settings.gintDispMode, 1);
    EXPECT_TRUE(Item("mn_View_Mode1")->isChecked());
    EXPECT_FALSE(Item("mn_View_Mode0")->isChecked());
    EXPECT_EQ(PanelText(3), "16進");
    const CellGrid& cells = BuiltGrid();
    ASSERT_GT(cells.Size(), 4);
    EXPECT_EQ(cells.at(CellRow::RD, 0).text, CellText::hex(0x41));
    EXPECT_EQ(cells.at(CellRow::SD, 2).text, CellText::hex(0x43));
    EXPECT_EQ(cells.at(CellRow::RD, 3).text, CellText::kTM);
}

TEST_F(FileCommandsTest, EmptyCaptureSavesTheHeaderAloneWhichOpensEmpty) {
    OpenWindow("[Mode_Inf]\nDispMode=1\n");
    Choose(FilePath("empty.vxm"));
    Item("mn_File_Save")->trigger();
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(std::filesystem::file_size(FilePath("empty.vxm")), 24u);
    EXPECT_EQ(Caption(), "empty.vxm");
    ctx.core.settings.gintDispMode = 0;
    ASSERT_TRUE(window->files().openLog(FilePath("empty.vxm")));
    EXPECT_EQ(ctx.core.settings.gintDispMode, 1);
    EXPECT_EQ(ctx.core.capture.glngDispLen(), 0);
    const CellGrid& cells = BuiltGrid();
    ASSERT_GT(cells.Size(), 4);
    EXPECT_EQ(cells.at(CellRow::RD, 0).text, CellText::kEmpty);
}

TEST_F(FileCommandsTest, ShortFileFailsWithTheMessageAndChangesNothing) {
    OpenWindow("[Mode_Inf]\nDispMode=1\n");
    StorePairs(10);
    std::ofstream(FilePath("short.vxm"), std::ios::binary) << std::string(23, '\x02');
    const Settings before = ctx.core.settings;
    Choose(FilePath("short.vxm"));
    Item("mn_File_Open")->trigger();
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(LastAsked().text, "通信ログファイルの読込みに失敗しました");
    EXPECT_EQ(LastAsked().title, "ファイル読込みの失敗");
    EXPECT_EQ(LastAsked().icon, Prompts::Icon::Critical);
    EXPECT_EQ(headerOf(ctx.core.settings), headerOf(before));
    EXPECT_EQ(ctx.core.run.gintRireki, 0);
    EXPECT_TRUE(Item("mn_Run_Start")->isEnabled());
    EXPECT_TRUE(Item("mn_File_Save")->isEnabled());
    EXPECT_EQ(Caption(), "New Monitor");
}

// Files that are not capture logs: the header holds values no setting can hold. Each is
// refused with its name and the values, and nothing changes: settings, capture, caption,
// menus, and VXParam.ini at exit.
TEST_F(FileCommandsTest, AFileThatIsNotACaptureIsRefusedAndChangesNothing) {
    const auto with = [](auto change) {
        LogHeader h = sampleHeader();
        change(h);
        uint8_t head[kLogHeaderLen];
        encodeHeader(h, head);
        return std::string(reinterpret_cast<const char*>(head), sizeof head) + "data";
    };
    std::string random(600, '\0');
    std::mt19937 generator(11);
    for (char& c : random) {
        c = static_cast<char>(generator());
    }
    const struct {
        const char* file;
        std::string bytes;
        const char* values;  // as the message lists them
    } cases[] = {
        {"paper.pdf", "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<< /Type /Catalog >>\nendobj\n",
         "回線種別 20517、通信速度 825050692、データ長 13358、ストップビット 9482、パリティ -7198"},
        {"noise.bin", random, ""},
        {"type.vxm", with([](LogHeader& h) { h.gintLineType = 2; }), "回線種別 2"},
        {"speed.vxm", with([](LogHeader& h) { h.glngSpeed = -9600; }), "通信速度 -9600"},
        {"data.vxm", with([](LogHeader& h) { h.gintDataLen = 8; }), "データ長 8"},
        {"stop.vxm", with([](LogHeader& h) { h.gintStopBit = 3; }), "ストップビット 3"},
        {"parity.vxm", with([](LogHeader& h) { h.gintParity = -1; }), "パリティ -1"},
        {"mode.vxm", with([](LogHeader& h) { h.gintDispMode = 3; }), "表示モード 3"},
        {"stamp.vxm", with([](LogHeader& h) { h.gintTimeStamp = 2; }), "タイムスタンプ 2"},
        {"idle.vxm", with([](LogHeader& h) { h.gintIdleMode = 50; }), "アイドル単位 50"},
        {"lines.vxm", with([](LogHeader& h) { h.gintLineState = 7; }), "ラインステート 7"},
        {"font.vxm", with([](LogHeader& h) { h.gintFontSize = 3; }), "文字サイズ 3"},
        {"scroll.vxm", with([](LogHeader& h) { h.gintScroll = -2; }), "スクロール行数 -2"},
    };
    OpenWindow("[Mode_Inf]\nDispMode=1\n[Comm_Inf]\nSpeed=19200\n");
    StorePairs(10);
    const Settings before = ctx.core.settings;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::ofstream(FilePath(c.file), std::ios::binary) << c.bytes;
        Choose(FilePath(c.file));
        prompts.asked.clear();
        Item("mn_File_Open")->trigger();
        ASSERT_EQ(prompts.asked.size(), 1u);
        const std::string text = LastAsked().text;
        EXPECT_TRUE(text.starts_with(FilePath(c.file) + "\nは通信ログファイルではありません\n（"))
            << text;
        if (*c.values != '\0') {
            EXPECT_NE(text.find(c.values), std::string::npos) << text;
        }
        EXPECT_EQ(LastAsked().title, "ファイル読込みの失敗");
        EXPECT_EQ(headerOf(ctx.core.settings), headerOf(before));
        EXPECT_EQ(ctx.core.capture.glngDatLen(), 20);
        EXPECT_EQ(ctx.core.run.gintRireki, 0);
        EXPECT_TRUE(Item("mn_Run_Start")->isEnabled());
        EXPECT_EQ(Caption(), "New Monitor");
    }
    ASSERT_TRUE(WriteParamIni(ctx.core.settings, ctx.programFolder));
    const std::string ini = ReadFile("VXParam.ini");
    EXPECT_NE(ini.find("Speed=19200"), std::string::npos) << ini;
    EXPECT_NE(ini.find("DispMode=1"), std::string::npos) << ini;
}

TEST_F(FileCommandsTest, FailedSaveReportsAndKeepsThePreviousFile) {
    OpenWindow();
    StorePairs(4);
    // A link into a folder that is a file: the write cannot start.
    std::ofstream(FilePath("keep.vxm"), std::ios::binary) << std::string(30, 'k');
    std::filesystem::create_symlink("keep.vxm/inside.vxm", FilePath("link.vxm"));
    Choose(FilePath("link.vxm"));
    Item("mn_File_Save")->trigger();
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(LastAsked().text, "通信ログファイルの保存に失敗しました");
    EXPECT_EQ(LastAsked().title, "ファイル保存の失敗");
    EXPECT_EQ(LastAsked().icon, Prompts::Icon::Critical);
    EXPECT_EQ(ReadText("keep.vxm"), std::string(30, 'k'));
    EXPECT_EQ(std::filesystem::read_symlink(FilePath("link.vxm")), "keep.vxm/inside.vxm");
    EXPECT_EQ(Caption(), "New Monitor");
}

TEST_F(FileCommandsTest, CancelledDialogsDoNothing) {
    OpenWindow();
    StorePairs(4);
    Item("mn_File_Save")->trigger();
    Item("mn_File_Open")->trigger();
    EXPECT_EQ(prompts.fileDialogs.size(), 2u);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(ctx.core.run.gintRireki, 0);
    EXPECT_EQ(Caption(), "New Monitor");
    EXPECT_TRUE(std::filesystem::is_empty(ctx.core.settings.gstrSaveDir));
}

TEST_F(FileCommandsTest, AFileHandedOnDuringARunIsRefused) {
    OpenWindow();
    ctx.core.run.gintRun = 1;
    window->MenuEnable();
    window->files().openForwarded(FilePath("x.vxm"));
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(LastAsked().text, "モニタ実行中は通信ログファイルを開けません\n" + FilePath("x.vxm"));
    EXPECT_EQ(ctx.core.run.gintRireki, 0);
    ctx.core.run.gintRun = 0;
    window->MenuEnable();
    const std::string file = WriteLog("y.vxm", sampleHeader(), example::kABC);
    window->files().openForwarded(file);
    EXPECT_EQ(Caption(), "y.vxm");
    EXPECT_EQ(ctx.core.capture.glngDispLen(), 5);
}

TEST(InstanceLink, ALaterStartHandsItsFileToTheRunningInstance) {
    QTemporaryDir folder;
    const QString name = instanceName(folder.path());
    EXPECT_NE(name, instanceName(folder.path() + "/other"));
    EXPECT_FALSE(forwardToRunning(name, "/nobody/listens.vxm", 150));

    std::vector<std::string> opened;
    // A leftover socket of an instance that crashed does not stop the next one from listening.
    std::ofstream(QDir(QDir::tempPath()).filePath(name).toStdString()) << "stale";
    InstanceServer server(
        name, [&](const std::string& f) { opened.push_back(f); }, nullptr);
    ASSERT_TRUE(server.listening());
    // The client blocks while it writes; the server answers from the event loop.
    std::thread client([&] { EXPECT_TRUE(forwardToRunning(name, "/data/ａ b.vxm", 3000)); });
    EXPECT_TRUE(RunUntil([&] { return !opened.empty(); }, 3000));
    client.join();
    EXPECT_EQ(opened, std::vector<std::string>{"/data/ａ b.vxm"});
}

// ---- text save ----

TEST_F(FileCommandsTest, TextSaveDialogLoadsTheSettingsAndEnablesItsFields) {
    OpenWindow("[Mode_Inf]\nTextSaveMode=1\nTextSaveLen1=7\nTextSaveLen2=33\nASCIISaveMode=2\n");
    dlgTextSave* d = OpenTextSave();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->isVisible());
    EXPECT_TRUE(Control<QRadioButton>(d, "optType1")->isChecked());
    EXPECT_EQ(Control<QLineEdit>(d, "txtCol0")->text(), "7");
    EXPECT_EQ(Control<QLineEdit>(d, "txtCol1")->text(), "33");
    EXPECT_TRUE(Control<QRadioButton>(d, "optFont2")->isChecked());
    EXPECT_TRUE(Control<QGroupBox>(d, "framFont")->isEnabled());
    auto enabled = [&](std::initializer_list<const char*> names) {
        std::string on;
        for (const char* n : names) {
            on += d->findChild<QWidget*>(n)->isEnabled() ? "1" : "0";
        }
        return on;
    };
    EXPECT_EQ(enabled({"Label1_0", "txtCol0", "Label1_1", "Label1_2", "txtCol1", "Label1_3"}),
              "000111");
    Control<QRadioButton>(d, "optType0")->click();
    EXPECT_EQ(enabled({"Label1_0", "txtCol0", "Label1_1", "Label1_2", "txtCol1", "Label1_3"}),
              "111000");
    Control<QPushButton>(d, "CancelButton")->click();
    EXPECT_FALSE(d->isVisible());

    Item("mn_View_Mode1")->trigger();
    OpenTextSave();
    EXPECT_FALSE(Control<QGroupBox>(d, "framFont")->isEnabled());
    EXPECT_FALSE(Control<QRadioButton>(d, "optFont0")->isEnabled());
}

TEST_F(FileCommandsTest, TextSaveWritesTheExamplesAndKeepsTheChoices) {
    OpenWindow();
    Capture& c = ctx.core.capture;
    for (const TextExportExample& e : TextExportExamples()) {
        SCOPED_TRACE(e.name);
        c.CopyDat(e.records.data(), static_cast<int32_t>(e.records.size()));
        ctx.core.settings.gintDispMode = e.dispMode;
        dlgTextSave* d = OpenTextSave();
        ASSERT_NE(d, nullptr);
        Control<QRadioButton>(d, QString("optType%1").arg(e.fixed ? 1 : 0))->click();
        Control<QLineEdit>(d, QString("txtCol%1").arg(e.fixed ? 1 : 0))
            ->setText(QString::number(e.number));
        Control<QRadioButton>(d, QString("optFont%1").arg(e.asciiSaveMode))->setChecked(true);
        const std::string out = FilePath("Dat/out.txt");
        Choose(out);
        Control<QPushButton>(d, "OKButton")->click();
        EXPECT_EQ(prompts.fileDialogs.back(), "名前を付けてﾃｷｽﾄ形式保存");
        EXPECT_TRUE(prompts.asked.empty());
        EXPECT_EQ(ReadText("Dat/out.txt"), e.expected);
        EXPECT_FALSE(d->isVisible());
        const Settings& s = ctx.core.settings;
        EXPECT_EQ(s.gintTextSaveMode, e.fixed ? 1 : 0);
        EXPECT_EQ(s.gintTextSaveLen[e.fixed ? 1 : 0], e.number);
        EXPECT_EQ(s.gintASCIISaveMode, e.asciiSaveMode);
        // The dialog remembers its own file name; the main window's dialog is another.
        EXPECT_EQ(prompts.fileStarts.back(),
                  &e == &TextExportExamples().front() ? s.gstrSaveDir : out);
    }
}

TEST_F(FileCommandsTest, TextSaveRefusesBadCountsAndReportsFailures) {
    OpenWindow();
    StorePairs(3);
    Capture& c = ctx.core.capture;
    c.CopyDat(c.gbyteDat().data(), c.glngDatLen());
    dlgTextSave* d = OpenTextSave();
    ASSERT_NE(d, nullptr);
    const std::string out = FilePath("t.txt");
    struct Case {
        int type;
        const char* count;
        const char* message;
    };
    const Case cases[] = {
        {1, "0", "１行文字数が正しくありません"},
        {1, "abc", "１行文字数が正しくありません"},
        {1, "40000", "１行文字数が正しくありません"},
        {0, "70000", "１行文字数が正しくありません"},
        {0, "-1", "テキストファイルの保存に失敗しました"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.count);
        OpenTextSave();
        Control<QRadioButton>(d, QString("optType%1").arg(k.type))->click();
        Control<QLineEdit>(d, QString("txtCol%1").arg(k.type))->setText(k.count);
        Choose(out);
        Control<QPushButton>(d, "OKButton")->click();
        ASSERT_FALSE(prompts.asked.empty());
        EXPECT_EQ(LastAsked().text, k.message);
        EXPECT_EQ(LastAsked().title,
                  k.type == 1 || k.count[0] != '-' ? "１行文字数指定" : "ファイル保存の失敗");
        EXPECT_FALSE(std::filesystem::exists(out));
        // A count that is not valid leaves the dialog open; a failed save closes it.
        EXPECT_EQ(d->isVisible(), k.count[0] != '-');
    }
    EXPECT_EQ(ctx.core.settings.gintTextSaveLen[0], -1);  // kept although the save failed
    // A cancelled file dialog leaves the dialog open and writes nothing.
    prompts.asked.clear();
    OpenTextSave();
    Control<QPushButton>(d, "OKButton")->click();
    EXPECT_TRUE(d->isVisible());
    EXPECT_TRUE(prompts.asked.empty());
}

namespace {

// The path of the file mapped at address p, from the process's map list; empty when p lies
// in memory of no file.
std::string mappedFileAt(const void* p) {
    std::ifstream maps("/proc/self/maps");
    const auto at = reinterpret_cast<uintptr_t>(p);
    for (std::string line; std::getline(maps, line);) {
        uintptr_t lo = 0;
        uintptr_t hi = 0;
        char dash = 0;
        std::istringstream in(line);
        in >> std::hex >> lo >> dash >> hi;
        if (at >= lo && at < hi) {
            const size_t slash = line.find('/');
            return slash == std::string::npos ? std::string() : line.substr(slash);
        }
    }
    return {};
}

// 9000 data pairs, a time stamp and a line state: 18006 bytes.
std::vector<uint8_t> bigRecords() {
    std::vector<uint8_t> records;
    for (int i = 0; i < 9000; ++i) {
        const auto v = static_cast<uint8_t>(i % 2 == 0 ? 'A' + i % 26 : i);
        records.insert(records.end(), {static_cast<uint8_t>(0x80 | (v >> 4)),
                                       static_cast<uint8_t>(0xC0 | (v & 15))});
    }
    records.insert(records.end(), {0x30, 1, 2, 3, 0x41, 0x30});
    return records;
}

}  // namespace

TEST_F(FileCommandsTest, AFileLargerThanTheBufferIsShownWholeFromAWordFileInTheUsersCache) {
    OpenWindow("[Buffer_Inf]\nSize=1\n");  // 2000 bytes with the spare
    const ScopedEnv cache("XDG_CACHE_HOME", FilePath("cache"));
    const std::vector<uint8_t> records = bigRecords();
    const std::string log = WriteLog("Dat/big.vxm", sampleHeader(), records);
    ASSERT_TRUE(window->files().openLog(log));
    EXPECT_TRUE(prompts.asked.empty());

    RunState run;
    Capture memory(run);
    memory.CopyDat(records.data(), static_cast<int32_t>(records.size()));
    const Capture& c = ctx.core.capture;
    ASSERT_EQ(c.glngDispLen(), 9002);
    EXPECT_TRUE(std::ranges::equal(c.gintDispDat().first(9002), memory.gintDispDat().first(9002)));
    EXPECT_EQ(mappedFileAt(c.gintDispDat().data()).rfind(FilePath("cache/"), 0), 0u)
        << mappedFileAt(c.gintDispDat().data());
    EXPECT_EQ(headerOf(ctx.core.settings), sampleHeader());
    EXPECT_EQ(BuiltGrid().at(CellRow::RD, 0).text, CellText::hex('A'));
    EXPECT_EQ(c.glngDatLen(), 0) << "the capture buffer is not used";

    // The export reads the file in pieces; the file itself is never its target.
    Choose(FilePath("Dat/big.pcap"));
    Item("mn_File_Pcap")->trigger();
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(ReadFile("Dat/big.pcap"),
              pcapFromCapture(records.data(), static_cast<int32_t>(records.size()),
                              lineTimingOf(sampleHeader()), *fileTimes(log, std::nullopt)));
    const std::string before = ReadFile("Dat/big.vxm");
    Choose(log);
    Item("mn_File_Pcap")->trigger();
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(LastAsked().text, "Wireshark形式の保存に失敗しました");
    EXPECT_EQ(ReadFile("Dat/big.vxm"), before);

    // A run shows the capture again, from memory.
    ctx.core.capture.CopyDat(records.data(), 6);
    EXPECT_EQ(c.glngDispLen(), 3);
    EXPECT_EQ(mappedFileAt(c.gintDispDat().data()), "");
}

// The disk of the word file goes away (here: the file is cut short) while the file is shown:
// the next read of its words brings the read-failure message and an empty view, no crash.
TEST_F(FileCommandsTest, AnOpenedFileWhoseWordsAreLostIsReportedAndTheViewEmpties) {
    OpenWindow("[Buffer_Inf]\nSize=1\n");
    const ScopedEnv cache("XDG_CACHE_HOME", FilePath("cache"));
    const std::string log = WriteLog("Dat/big.vxm", sampleHeader(), bigRecords());
    ASSERT_TRUE(window->files().openLog(log));
    const Capture& c = ctx.core.capture;
    const std::string words = mappedFileAt(c.gintDispDat().data());
    ASSERT_EQ(words.rfind(FilePath("cache/"), 0), 0u) << words;
    int fd = -1;
    for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (std::filesystem::read_symlink(e.path(), ec).string() == words) {
            fd = std::stoi(e.path().filename().string());
        }
    }
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 0), 0);

    window->monitor().dispRirekiAt(8000);  // reads the words at the end
    ASSERT_TRUE(RunUntil([&] { return !prompts.asked.empty(); }, 3000));
    EXPECT_EQ(AskedTexts(), std::vector<std::string>{"通信ログファイルの読込みに失敗しました"});
    EXPECT_EQ(LastAsked().title, "ファイル読込みの失敗");
    EXPECT_EQ(c.glngDispLen(), 0);
    EXPECT_EQ(mappedFileAt(c.gintDispDat().data()), "");
    BuiltGrid();  // the empty view is drawn
    EXPECT_EQ(prompts.asked.size(), 1u);
}
