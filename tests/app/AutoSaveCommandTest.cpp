// Auto-save from the File menu: switching on and off, the files of a run, the flush at a stop
// and at shutdown, and the report when the files cannot be written.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/PanelBar.h"
#include "files/LogFile.h"
#include "support/MainWindowFixture.h"
#include "support/RunUntil.h"

namespace {

class AutoSaveCommandTest : public AppTest {
  protected:
    // Switches auto-save on with the dialog answered by name.
    void SwitchOn(const std::string& name) {
        prompts.files.push_back(name);
        Item("mn_File_AutoSave")->trigger();
    }
    // The block files of base in the data folder, in name order, read with LoadLog.
    [[nodiscard]] std::vector<std::string> BlockFiles(const std::string& stem) const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(DataFolder())) {
            const std::string n = e.path().filename().string();
            if (n.rfind(stem + "_", 0) == 0 && e.path().extension() == ".vxm") {
                names.push_back(n);
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    [[nodiscard]] std::string Reopened(const std::string& name) {
        std::vector<uint8_t> bytes;
        int32_t count = 0;
        Settings s;
        EXPECT_EQ(LoadLog(DataFolder() + "/" + name, bytes, count, s), 0) << name;
        return {bytes.begin(), bytes.begin() + count};
    }
    [[nodiscard]] std::string DataFolder() const { return ctx.core.settings.gstrSaveDir; }
    [[nodiscard]] std::string Stored() const {
        const Capture& c = ctx.core.capture;
        return {c.gbyteDat().begin(), c.gbyteDat().begin() + c.glngDatLen()};
    }
};

}  // namespace

TEST_F(AutoSaveCommandTest, SwitchingOnWarnsAboutStoppingTriggersAndAsksForTheName) {
    NoUnit();
    OpenWindow();
    ctx.triggers.gintTrigType[1] = 1;
    ctx.triggers.gintAction[1] = 2;  // save stop
    prompts.files.push_back(std::nullopt);
    Item("mn_File_AutoSave")->trigger();
    ASSERT_EQ(prompts.asked.size(), 1U);
    EXPECT_EQ(prompts.asked[0].text,
              "トリガ機能でモニタ停止もしくはファイル保存開始／停止が設定されています\n"
              "自動保存機能が途中で停止する可能性があります");
    EXPECT_EQ(prompts.asked[0].title, "トリガ設定情報");
    EXPECT_EQ(prompts.asked[0].icon, Prompts::Icon::Information);
    EXPECT_EQ(prompts.fileDialogs, std::vector<std::string>{"名前を付けて自動保存"});
    // Cancelled: nothing changes.
    EXPECT_FALSE(Item("mn_File_AutoSave")->isChecked());
    EXPECT_EQ(ctx.core.run.gintAutoSave, 0);

    ctx.triggers.gintTrigType[1] = 0;
    SwitchOn(DataFolder() + "/line1.vxm");
    EXPECT_EQ(prompts.asked.size(), 1U) << "no warning without such a trigger";
    EXPECT_TRUE(Item("mn_File_AutoSave")->isChecked());
    EXPECT_EQ(ctx.core.run.gintAutoSave, 1);
    EXPECT_EQ(ctx.autoSave.gstrAutoFile, DataFolder() + "/line1.vxm");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(DataFolder() + "/line1.vxm")));
}

TEST_F(AutoSaveCommandTest, SwitchingOffAsksAndKeepsTheBlock) {
    NoUnit();
    OpenWindow();
    SwitchOn(DataFolder() + "/line1.vxm");
    StorePairs(10);
    prompts.answers = {Prompts::Answer::Cancel, Prompts::Answer::Ok};
    Item("mn_File_AutoSave")->trigger();
    const ScriptedPrompts::Asked& q = prompts.asked.back();
    EXPECT_EQ(q.text, "自動保存モードを解除します\nよろしいですか？");
    EXPECT_EQ(q.title, "自動保存停止");
    EXPECT_EQ(q.icon, Prompts::Icon::Exclamation);
    EXPECT_EQ(q.buttons, Prompts::Buttons::OkCancel);
    EXPECT_TRUE(Item("mn_File_AutoSave")->isChecked());
    EXPECT_EQ(ctx.core.run.gintAutoSave, 1);

    Item("mn_File_AutoSave")->trigger();
    EXPECT_FALSE(Item("mn_File_AutoSave")->isChecked());
    EXPECT_EQ(ctx.core.run.gintAutoSave, 0);
    EXPECT_EQ(ctx.autoSave.gstrAutoFile, "");
    EXPECT_EQ(ctx.core.capture.glngAutoLen(), 20);
}

TEST_F(AutoSaveCommandTest, AnAutoSavedRunLeavesFilesThatReopenWithExactlyTheCapture) {
    const std::string record = FilePath("record.bin");
    StartUnit({"--scenario", "modbus", "--rate-factor", "100", "--duration", "200", "--record",
               QString::fromStdString(record)});
    OpenWindow(
        "[Comm_Inf]\nSpeed=19200\nDataLength=1\n[Buffer_Inf]\nSize=1\nMaxFiles=0\nFileDate=0\n");
    SwitchOn(DataFolder() + "/line1.vxm");
    clock.time = {2007, 3, 9, 14, 5, 30};
    ASSERT_TRUE(Start());  // the question is answered OK: LTime.txt is written
    EXPECT_EQ(AskedTexts().front(), "自動保存が設定されています\n\nモニタを開始しますか？");
    // Longer than the buffer, which keeps at most 1999 bytes; the line goes quiet after 200
    // seconds of line time, and the stop comes once the last bytes are in.
    QElapsedTimer still;
    size_t saved = 0;
    ASSERT_TRUE(RunUntil(
        [&] {
            const size_t now = BlockFiles("line1").size() * 1000 + ctx.core.capture.glngAutoLen();
            if (now != saved || !still.isValid()) {
                saved = now;
                still.start();
            }
            return saved > 3000 && still.elapsed() > 500;
        },
        15000))
        << saved << " bytes saved";
    Item("mn_Run_Stop")->trigger();
    const CommLink& comm = window->link().comm();
    ASSERT_TRUE(
        RunUntil([&] { return comm.lstCommand.empty() && ctx.core.run.gintSending == 0; }, 3000));

    // The fake clock stands still: every block of the run is of one second.
    const std::vector<std::string> files = BlockFiles("line1");
    EXPECT_EQ(files[0], "line1_070309140530.vxm");
    EXPECT_EQ(files[1], "line1_070309140530_001.vxm");
    std::string all;
    for (const std::string& name : files) {
        all += Reopened(name);
    }
    std::ifstream in(record, std::ios::binary);
    const std::string sent{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_GT(sent.size(), 3000U);
    EXPECT_TRUE(all == sent) << all.size() << " bytes in the files, " << sent.size() << " sent";
    EXPECT_EQ(ctx.core.capture.glngAutoLen(), 0);
    EXPECT_EQ(ctx.core.run.gintAutoSave, 1) << "a stop leaves auto-save on";
    EXPECT_TRUE(PanelText(MDIMonitor::kAutoSavePanel).isEmpty());
}

TEST_F(AutoSaveCommandTest, ShutdownWritesThePartialBlock) {
    NoUnit();
    OpenWindow("[Buffer_Inf]\nFileDate=1\n");
    SwitchOn(DataFolder() + "/line1.vxm");
    clock.time = {2007, 3, 9, 14, 5, 30};
    StorePairs(25);
    prompts.answers = {Prompts::Answer::Yes};
    EXPECT_TRUE(window->close());
    ASSERT_EQ(BlockFiles("line1"), std::vector<std::string>{"line1_070309140530.vxm"});
    EXPECT_EQ(Reopened("line1_070309140530.vxm"), Stored());
}

TEST_F(AutoSaveCommandTest, FilesThatCannotBeWrittenAreReportedOnceAndWrittenLater) {
    NoUnit();
    OpenWindow("[Buffer_Inf]\nSize=1\nFileDate=1\n");
    const std::string later = DataFolder() + "/later";
    SwitchOn(later + "/line1.vxm");  // a folder that does not exist yet
    clock.time = {2007, 3, 9, 14, 5, 30};
    StorePairs(1500);  // three blocks
    EXPECT_EQ(PanelText(MDIMonitor::kAutoSavePanel), "自動保存失敗");
    RunUntil([&] { return prompts.asked.size() > 0; }, 1000);
    ASSERT_EQ(prompts.asked.size(), 1U) << "one message for the streak";
    EXPECT_EQ(prompts.asked[0].title, "自動保存の失敗");
    EXPECT_NE(prompts.asked[0].text.find(later + "/line1_070309140530.vxm"), std::string::npos);
    EXPECT_EQ(ctx.autoSave.keptBlocks(), 3U);

    std::filesystem::create_directory(later);
    window->AutoSaveFlush();  // as a stop does: the flush writes what was kept
    EXPECT_TRUE(PanelText(MDIMonitor::kAutoSavePanel).isEmpty());
    for (const auto& e : std::filesystem::directory_iterator(later)) {
        EXPECT_EQ(std::filesystem::file_size(e.path()), 24U + 1000U);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(later),
                            std::filesystem::directory_iterator()),
              3);
    EXPECT_EQ(prompts.asked.size(), 1U);
}

// Blocks that still cannot be written at exit are lost: a shutdown by a signal says so on
// standard error without waiting for anybody, a close by the user also in a message.
class AutoSaveLossTest : public AutoSaveCommandTest, public ::testing::WithParamInterface<bool> {};

TEST_P(AutoSaveLossTest, BlocksLeftUnwrittenAtExitAreReportedAsLost) {
    const bool bySignal = GetParam();
    NoUnit();
    OpenWindow("[Buffer_Inf]\nSize=1\nFileDate=1\n");
    SwitchOn(DataFolder() + "/missing/line1.vxm");
    clock.time = {2007, 3, 9, 14, 5, 30};
    StorePairs(1200);  // two full blocks and a partial one
    const size_t askedBefore = prompts.asked.size();
    prompts.answers = {Prompts::Answer::Yes};
    testing::internal::CaptureStderr();
    bySignal ? window->shutdownNow() : static_cast<void>(window->close());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(window->shutdownDone());
    EXPECT_NE(err.find("2400 bytes in 3 auto-save blocks not written, lost"), std::string::npos)
        << err;
    RunFor(50);  // the failure message queued during the run
    const std::vector<std::string> all = AskedTexts();
    const std::vector<std::string> asked(all.begin() + static_cast<std::ptrdiff_t>(askedBefore),
                                         all.end());
    if (bySignal) {
        EXPECT_TRUE(asked.empty()) << ::testing::PrintToString(asked);
    } else {
        ASSERT_EQ(asked.size(), 2U) << ::testing::PrintToString(asked);
        EXPECT_NE(asked[1].find("2400 バイト（3 ブロック）は失われます"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(SignalOrClose, AutoSaveLossTest, ::testing::Bool());
