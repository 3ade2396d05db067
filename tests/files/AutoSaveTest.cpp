#include "files/AutoSave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "files/LTime.h"
#include "files/QSort.h"
#include "files/TempFolder.h"
#include "support/FakeClock.h"

namespace {

// Fails every write while failWith is not 0, and counts what was asked.
class FailingFolder final : public BlockFolder {
  public:
    int write(const std::string& name, const LogHeader& header, const uint8_t* bytes,
              int32_t count) override {
        ++writes;
        return failWith != 0 ? failWith : BlockFolder::write(name, header, bytes, count);
    }
    int failWith = 0;
    int writes = 0;
};

class ReportLog final : public AutoSaveReport {
  public:
    void autoSaveFailed(const std::string& name, int error) override {
        failed.push_back(name);
        errors.push_back(error);
    }
    void autoSaveRecovered(int64_t droppedBytes) override { recovered.push_back(droppedBytes); }
    std::vector<std::string> failed;
    std::vector<int> errors;
    std::vector<int64_t> recovered;
};

class AutoSaveTest : public ::testing::Test {
  protected:
    AutoSaveTest() {
        settings.gstrSaveDir = data.path();
        capture.AllocBuffer(1);  // blocks of 1000 bytes
        capture.setAutoSaveSink(&autoSave);
        autoSave.setReport(&report);
        autoSave.setFolder(&folder);
        clock.time = DateTime{2007, 3, 9, 14, 5, 30, 0};
        autoSave.gstrAutoFile = data.File("line1.vxm");
        run.gintAutoSave = 1;
    }

    // Stores n bytes of a running count, so that every byte of the run is known.
    void Store(int n) {
        for (int i = 0; i < n; ++i) {
            capture.StoreByte(static_cast<uint8_t>(next_++ % 251));
        }
    }
    // What Store has produced from byte `from` on, n bytes.
    static std::string Expected(int from, int n) {
        std::string s;
        for (int i = from; i < from + n; ++i) {
            s += static_cast<char>(i % 251);
        }
        return s;
    }
    // The .vxm names in the data folder, sorted.
    [[nodiscard]] std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(data.path())) {
            if (e.path().extension() == ".vxm") {
                names.push_back(e.path().filename().string());
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // The data of a file without its header.
    [[nodiscard]] std::string Data(const std::string& name) const {
        return data.read(name).substr(kLogHeaderLen);
    }
    // The data of every file, in name order.
    [[nodiscard]] std::string AllData() const {
        std::string all;
        for (const std::string& name : Files()) {
            all += Data(name);
        }
        return all;
    }

    TempFolder home, data;
    Settings settings;
    RunState run;
    Capture capture{run};
    FakeClock clock;
    AutoSave autoSave{settings, run, capture, clock, home.path()};
    FailingFolder folder;
    ReportLog report;
    int next_ = 0;
};

}  // namespace

TEST(QSortTest, SortsRangesByByteValueBothWays) {
    struct Case {
        std::vector<std::string> in;
        int lef, rig;
        std::vector<std::string> up;
    };
    const std::vector<Case> cases = {
        {{}, 0, -1, {}},
        {{"b"}, 0, 0, {"b"}},
        {{"c", "a", "b", "a"}, 0, 3, {"a", "a", "b", "c"}},
        // Only the range moves.
        {{"z", "c", "b", "a", "y"}, 1, 3, {"z", "a", "b", "c", "y"}},
        // "." sorts before "_", digits before both letters; bytes above 0x7F come last.
        {{"l_070309140531.vxm", "l_070309140530_001.vxm", "l.vxm", "l_070309140530.vxm",
          "l_\xe3\x81\x82.vxm", "l_070309140530_002.vxm"},
         0,
         5,
         {"l.vxm", "l_070309140530.vxm", "l_070309140530_001.vxm", "l_070309140530_002.vxm",
          "l_070309140531.vxm", "l_\xe3\x81\x82.vxm"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> up = c.in;
        QSort::upQuickSort(up, c.lef, c.rig);
        EXPECT_EQ(up, c.up);
        std::vector<std::string> down = c.in;
        QSort::downQuickSort(down, c.lef, c.rig);
        std::vector<std::string> expected = c.up;
        if (c.lef < c.rig) {
            std::reverse(expected.begin() + c.lef, expected.begin() + c.rig + 1);
        }
        EXPECT_EQ(down, expected);
    }
}

TEST(QSortTest, SortedAndReversedListingsOfManyNames) {
    // A pivot taken from the first element makes these the worst case: quadratic time, and
    // without care one level of recursion per name.
    std::vector<std::string> sorted;
    for (int i = 0; i < 9999; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%08d", i);
        sorted.emplace_back(name);
    }
    std::vector<std::string> list = sorted;
    QSort::upQuickSort(list, 0, static_cast<int>(list.size()) - 1);
    EXPECT_EQ(list, sorted);
    std::reverse(list.begin(), list.end());
    QSort::upQuickSort(list, 0, static_cast<int>(list.size()) - 1);
    EXPECT_EQ(list, sorted);
}

TEST_F(AutoSaveTest, BaseNameRules) {
    struct Case {
        std::string autoFile;
        std::string base;
    };
    const std::vector<Case> cases = {
        {"/d/line1.vxm", "/d/line1"},
        {"/d/line1", "/d/l"},  // four characters go whatever they are
        {"/d/\xe5\x9b\x9e\xe7\xb7\x9a\x41\x42\x43", "/d/\xe5\x9b\x9e"},  // characters, not bytes
        {"ab", ""},
        {"", data.File("Trig")},
    };
    for (const Case& c : cases) {
        autoSave.gstrAutoFile = c.autoFile;
        EXPECT_EQ(autoSave.base(), c.base) << c.autoFile;
    }
}

TEST_F(AutoSaveTest, SmallBlocksWithThreeFilesLeaveTheThreeNewest) {
    settings.gintMaxFiles = 3;
    settings.gintFileDate = 1;
    for (int block = 0; block < 10; ++block) {
        Store(1000);
        clock.Advance(1000);
    }
    EXPECT_EQ(Files(), (std::vector<std::string>{"line1_070309140537.vxm", "line1_070309140538.vxm",
                                                 "line1_070309140539.vxm"}));
    EXPECT_EQ(AllData(), Expected(7000, 3000));
    for (const std::string& name : Files()) {
        EXPECT_EQ(data.read(name).size(), 24U + 1000U);
    }
    EXPECT_EQ(capture.glngAutoLen(), 0);
    EXPECT_TRUE(report.failed.empty());
}

TEST_F(AutoSaveTest, BlocksOfOneSecondAreAllKeptInOrderAndCountInTheRotation) {
    settings.gintFileDate = 1;
    struct Case {
        int16_t maxFiles;
        std::vector<std::string> files;
    };
    const std::vector<Case> cases = {
        {0,
         {"line1_070309140530.vxm", "line1_070309140530_001.vxm", "line1_070309140530_002.vxm",
          "line1_070309140530_003.vxm", "line1_070309140531.vxm", "line1_070309140531_001.vxm"}},
        {-2,
         {"line1_070309140530.vxm", "line1_070309140530_001.vxm", "line1_070309140530_002.vxm",
          "line1_070309140530_003.vxm", "line1_070309140531.vxm", "line1_070309140531_001.vxm"}},
        {3, {"line1_070309140530_003.vxm", "line1_070309140531.vxm", "line1_070309140531_001.vxm"}},
        // The newest file survives, so the next block of its second still sorts after it.
        {1, {"line1_070309140531_001.vxm"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maxFiles);
        for (const std::string& name : Files()) {
            std::filesystem::remove(data.File(name));
        }
        settings.gintMaxFiles = c.maxFiles;
        clock.SetTime(14, 5, 30);
        const int from = next_;
        Store(4000);
        clock.SetTime(14, 5, 31);
        Store(2000);
        EXPECT_EQ(Files(), c.files);
        const auto kept = static_cast<int>(c.files.size());
        EXPECT_EQ(AllData(), Expected(from + 6000 - 1000 * kept, 1000 * kept));
    }
}

TEST_F(AutoSaveTest, FileDateZeroNamesEachFileAfterTheStartOfItsBlock) {
    settings.gintFileDate = 0;
    clock.SetTime(9, 0, 0);
    ASSERT_EQ(autoSave.WriteLTime(), 0);  // the confirmed start
    clock.SetTime(9, 0, 7);
    Store(1000);  // written at 9:00:07, started at 9:00:00
    clock.SetTime(9, 0, 12);
    Store(1000);
    clock.SetTime(9, 1, 0);
    Store(500);
    autoSave.AutoSaveFlush();  // the stop: named after the last block's end, LTime kept
    EXPECT_EQ(Files(), (std::vector<std::string>{"line1_070309090000.vxm", "line1_070309090007.vxm",
                                                 "line1_070309090012.vxm"}));
    EXPECT_EQ(data.read("line1_070309090012.vxm").size(), 24U + 500U);
    EXPECT_EQ(ReadLTime(home.path(), clock), "070309090012");
}

TEST_F(AutoSaveTest, FlushWritesAShortFileOnlyWhenTheBlockHoldsBytes) {
    settings.gintFileDate = 1;
    autoSave.AutoSaveFlush();
    EXPECT_TRUE(Files().empty()) << "an empty block writes nothing";

    Store(10);
    run.gintAutoSave = 0;
    autoSave.AutoSaveFlush();
    EXPECT_TRUE(Files().empty()) << "auto-save off writes nothing";

    run.gintAutoSave = 1;
    Store(330);
    autoSave.AutoSaveFlush();
    ASSERT_EQ(Files(), std::vector<std::string>{"line1_070309140530.vxm"});
    EXPECT_EQ(Data("line1_070309140530.vxm"), Expected(0, 340));
    EXPECT_EQ(capture.glngAutoLen(), 0);
    autoSave.AutoSaveFlush();
    EXPECT_EQ(Files().size(), 1U);
}

TEST_F(AutoSaveTest, OffAndOnWithoutClearingContinuesTheBlock) {
    settings.gintFileDate = 1;
    Store(600);
    run.gintAutoSave = 0;  // switched off: the block stays
    Store(300);            // not auto-saved
    run.gintAutoSave = 1;
    Store(400);
    EXPECT_EQ(Files(), std::vector<std::string>{"line1_070309140530.vxm"});
    EXPECT_EQ(Data("line1_070309140530.vxm"), Expected(0, 600) + Expected(900, 400));
}

TEST_F(AutoSaveTest, RotationDeletesOnlyItsOwnBlockFiles) {
    // A capture the user saved as line1.vxm, a second series line11, and a file of another kind.
    settings.gintFileDate = 1;
    settings.gintMaxFiles = 2;
    data.write("line1.vxm", "saved by the user");
    data.write("line11_070309140529.vxm", "second series");
    data.write("line1_notes.vxm", "not a block file");
    for (int i = 0; i < 3; ++i) {
        Store(1000);
        clock.Advance(1000);
    }
    const std::vector<std::string> others = {"line1.vxm", "line11_070309140529.vxm",
                                             "line1_notes.vxm"};
    std::vector<std::string> expected = others;
    expected.insert(expected.end(), {"line1_070309140531.vxm", "line1_070309140532.vxm"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Files(), expected);
    EXPECT_EQ(data.read("line1.vxm"), "saved by the user");

    // The second series rotates its own files and leaves the first one's alone.
    autoSave.gstrAutoFile = data.File("line11.vxm");
    for (int i = 0; i < 2; ++i) {
        Store(1000);
        clock.Advance(1000);
    }
    expected = {"line1.vxm",
                "line11_070309140533.vxm",
                "line11_070309140534.vxm",
                "line1_070309140531.vxm",
                "line1_070309140532.vxm",
                "line1_notes.vxm"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Files(), expected);
}

TEST_F(AutoSaveTest, TriggerSavesGoToTrigInTheDataFolder) {
    settings.gintFileDate = 1;
    autoSave.gstrAutoFile.clear();
    Store(1000);
    EXPECT_EQ(Files(), std::vector<std::string>{"Trig_070309140530.vxm"});
}

TEST_F(AutoSaveTest, AFolderThatRefusesWritesLosesNothingAndReportsOncePerStreak) {
    settings.gintFileDate = 1;
    settings.gintMaxFiles = 3;
    Store(2000);
    const std::vector<std::string> before = Files();
    ASSERT_EQ(before.size(), 2U);

    folder.failWith = EACCES;
    for (int i = 0; i < 3; ++i) {
        clock.Advance(1000);
        Store(1000);
    }
    EXPECT_EQ(Files(), before) << "no earlier file is lost";
    EXPECT_EQ(report.failed, std::vector<std::string>{data.File("line1_070309140531.vxm")});
    EXPECT_EQ(report.errors, std::vector<int>{EACCES});
    EXPECT_EQ(autoSave.keptBlocks(), 3U);
    EXPECT_TRUE(autoSave.failing());
    EXPECT_EQ(capture.glngAutoLen(), 0);
    Store(10);  // capturing goes on
    EXPECT_EQ(capture.glngAutoLen(), 10);

    folder.failWith = 0;
    clock.Advance(1000);
    Store(990);  // the next block: the kept ones go first, in order
    EXPECT_EQ(report.recovered, std::vector<int64_t>{0});
    EXPECT_FALSE(autoSave.failing());
    EXPECT_EQ(autoSave.keptBlocks(), 0U);
    EXPECT_EQ(Files(), (std::vector<std::string>{"line1_070309140532.vxm", "line1_070309140533.vxm",
                                                 "line1_070309140534.vxm"}));
    EXPECT_EQ(AllData(), Expected(3000, 3000));

    // A new streak is reported again, and a stop retries what is kept.
    folder.failWith = EIO;
    Store(1000);
    Store(5);
    autoSave.AutoSaveFlush();
    EXPECT_EQ(report.failed.size(), 2U);
    folder.failWith = 0;
    autoSave.AutoSaveFlush();
    EXPECT_EQ(report.recovered.size(), 2U);
    EXPECT_EQ(Files(),
              (std::vector<std::string>{"line1_070309140534.vxm", "line1_070309140534_001.vxm",
                                        "line1_070309140534_002.vxm"}));
    EXPECT_EQ(AllData(), Expected(5000, 2005));
}

TEST_F(AutoSaveTest, AFullDiskMakesRoomWithTheFilesTheLimitRemovesAnyway) {
    settings.gintFileDate = 1;
    settings.gintMaxFiles = 2;
    Store(2000);
    folder.failWith = ENOSPC;
    // The first write fails; the rotation's file goes and the second write fails as well.
    clock.Advance(1000);
    Store(1000);
    EXPECT_EQ(folder.writes, 4);
    EXPECT_EQ(Files(), std::vector<std::string>{"line1_070309140530_001.vxm"});
    EXPECT_EQ(autoSave.keptBlocks(), 1U);
    folder.failWith = 0;
    autoSave.AutoSaveFlush();
    EXPECT_EQ(Files(),
              (std::vector<std::string>{"line1_070309140530_001.vxm", "line1_070309140531.vxm"}));
}

TEST_F(AutoSaveTest, ANameTakenByAnotherFileIsNeverOverwritten) {
    settings.gintFileDate = 1;
    data.write("line1_070309140530.vxm", "somebody else's");
    std::filesystem::create_directory(data.File("line1_070309140530_001.vxm"));
    Store(1000);
    EXPECT_EQ(data.read("line1_070309140530.vxm"), "somebody else's");
    EXPECT_EQ(Data("line1_070309140530_002.vxm"), Expected(0, 1000));
}
