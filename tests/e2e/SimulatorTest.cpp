// The simulator (EMUMAIN's control class and window) driving vexlo-unit while the real main
// window monitors it: what is typed appears in the capture and on the screen.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "SimulatorWindow.h"
#include "UnitControl.h"
#include "capture/Records.h"
#include "e2e/StoredRecords.h"
#include "support/MainWindowFixture.h"
#include "support/RunUntil.h"
#include "view/frmMonitor.h"

namespace {

class SimulatorTest : public LiveRunTest {
  protected:
    // A unit without traffic of its own on ports/COM5, the main window running against it,
    // and the simulator connected to the unit the settings name.
    void SetUp() override {
        WriteSettings("[Comm_Inf]\nSpeed=9600\nDataLength=1\n");
        StartUnit({"--scenario", "none"});
        ShowWindow();
        ASSERT_TRUE(Start());
        ASSERT_TRUE(control.connectTo(UnitControl::controlPath(folder.path())));
        ASSERT_TRUE(RunUntil([&] { return control.monitoring(); }, 2000));
    }

    // Waits until the capture holds at least n records.
    bool Records(size_t n) {
        return RunUntil([&] { return ParseStored(Stored()).records.size() >= n; }, 3000);
    }

    // The cell texts of one row that are not empty, in order.
    std::vector<CellText::Id> Shown(bool sd) const {
        const Screen s = ScreenTexts();
        std::vector<CellText::Id> shown;
        for (const CellText::Id id : sd ? s.sd : s.rd) {
            if (id != CellText::kEmpty) {
                shown.push_back(id);
            }
        }
        return shown;
    }

    static std::vector<CellText::Id> Texts(const std::string& bytes) {
        std::vector<CellText::Id> ids;
        for (const char c : bytes) {
            ids.push_back(CellText::byte(static_cast<uint8_t>(c), 0));
        }
        return ids;
    }

    UnitControl control;
};

}  // namespace

TEST_F(SimulatorTest, TextTypedInTheSimulatorAppearsInTheMonitor) {
    QString error;
    ASSERT_TRUE(control.sendText(true, "Hello ｱ\\x7F", true, false, false, error))
        << error.toStdString();
    // Ten bytes: the text, ｱ as one Shift-JIS byte, DEL, and CR LF.
    const std::string sd = "Hello \xB1\x7F\r\n";
    ASSERT_TRUE(Records(sd.size()));
    const StoredRecords stored = ParseStored(Stored());
    ASSERT_EQ(stored.fault, "");
    std::string values;
    for (const StoredRecord& r : stored.records) {
        ASSERT_EQ(r.kind, StoredRecord::Kind::Pair);
        EXPECT_TRUE(rec::isSd(r.bytes[0]));
        values += static_cast<char>(r.Value());
    }
    EXPECT_EQ(values, sd);
    EXPECT_EQ(Shown(true), Texts(sd));
    EXPECT_TRUE(Shown(false).empty());

    // Errors on RD, then a control line.
    ASSERT_TRUE(control.sendText(false, "!", false, true, false, error));
    ASSERT_TRUE(control.sendText(false, "?", false, false, true, error));
    control.setLine(0, true);             // RS
    ASSERT_TRUE(Records(sd.size() + 3));  // two error pairs and a line state
    const std::vector<CellText::Id> errors = {CellText::kPE, CellText::kFE};
    EXPECT_EQ(Shown(false), errors);
    const StoredRecord line = ParseStored(Stored()).records.back();
    EXPECT_EQ(line.kind, StoredRecord::Kind::Line);
    EXPECT_EQ(line.bytes[0] & 0x3F, 0x01);
    Stop();
    EXPECT_EQ(Stored(), StoredFormOf(Record())) << "stored as the unit sent it";
}

TEST_F(SimulatorTest, TheWindowsControlsDriveTheUnit) {
    SimulatorWindow simulator(control, folder.path(), {});
    simulator.show();
    simulator.findChild<QLineEdit*>("txtData")->setText("AB");
    simulator.findChild<QRadioButton*>("optDir1")->setChecked(true);  // RD
    simulator.findChild<QCheckBox*>("chkCrLf")->setChecked(false);
    simulator.findChild<QPushButton*>("cmdSend")->click();
    ASSERT_TRUE(Records(2));
    EXPECT_EQ(Shown(false), Texts("AB"));

    simulator.findChild<QPushButton*>("cmdLineCD")->click();
    ASSERT_TRUE(Records(3));
    EXPECT_EQ(ParseStored(Stored()).records.back().bytes[0] & 0x3F, 0x10);
    control.askStatus();
    ASSERT_TRUE(RunUntil([&] { return control.lines() == 0x10; }, 2000));
    EXPECT_TRUE(simulator.findChild<QPushButton*>("cmdLineCD")->isChecked());
}
