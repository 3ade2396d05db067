// The reply-time window on an opened capture: rows, summary, late replies, the jump.
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QTableView>
#include <fstream>

#include "analysis/FrameExamples.h"
#include "app/FileCommands.h"
#include "app/frmAnalysis.h"
#include "support/Control.h"
#include "support/MainWindowFixture.h"
#include "support/SampleCapture.h"

namespace {

class AnalysisWindowTest : public AppTest {
  protected:
    void SetUp() override {
        NoUnit();
        OpenWindow();
        // The Modbus example: seven frames, the last two in one run of SD.
        OpenAnalysed("modbus.vxm", FrameExamples().back().records);
        analysis = window->findChild<frmAnalysis*>("frmAnalysis");
        ASSERT_NE(analysis, nullptr);
        table = analysis->findChild<QTableView*>("tblFrames");
        ASSERT_NE(table, nullptr);
    }
    // Opens a capture log file of the records (10000 bit/s, 10 ms idle steps) and the
    // reply-time window on it.
    void OpenAnalysed(const char* name, const std::vector<uint8_t>& records) {
        LogHeader h;
        h.glngSpeed = 10000;
        h.gintDataLen = 1;
        h.gintIdleMode = 100;
        std::ofstream(FilePath(name), std::ios::binary) << LogFileText(h, records);
        ASSERT_TRUE(window->files().openLog(FilePath(name)));
        Item("mn_Tool_Analysis")->trigger();
    }
    template <class T>
    T* Control(const char* name) {
        return ::Control<T>(analysis, QString::fromLatin1(name));
    }
    [[nodiscard]] QString Cell(int row, int column) const {
        return table->model()->index(row, column).data().toString();
    }
    // Shown in the late colour (a bad check has a colour of its own).
    [[nodiscard]] bool Marked(int row) const {
        return table->model()->index(row, 0).data(Qt::BackgroundRole) ==
               QVariant(QColor(255, 205, 205));
    }
    [[nodiscard]] QBarSet* Bars(int set) {
        auto* series = qobject_cast<QBarSeries*>(
            Control<QChartView>("chartReply")->chart()->series().value(0));
        return series != nullptr ? series->barSets().value(set) : nullptr;
    }

    frmAnalysis* analysis = nullptr;
    QTableView* table = nullptr;
};

}  // namespace

TEST_F(AnalysisWindowTest, ShowsTheFramesTheSummaryAndTheHistogram) {
    EXPECT_TRUE(analysis->isVisible());
    EXPECT_EQ(table->model()->rowCount(), 6);  // without Modbus the last run is one frame
    EXPECT_EQ(table->model()->columnCount(), 6);
    Control<QComboBox>("cmbProtocol")->setCurrentText("modbus-rtu");
    ASSERT_EQ(table->model()->rowCount(), 7);
    ASSERT_EQ(table->model()->columnCount(), 10);
    EXPECT_EQ(table->model()->headerData(4, Qt::Horizontal).toString(), "応答時間(ms)");
    const QStringList row2 = {"2", "RD", "0.018000", "7", "10", "01 03 02 00 2A 39 9B",
                              "1", "03", "応答",     "OK"};
    for (int c = 0; c < 10; ++c) {
        EXPECT_EQ(Cell(1, c), row2[c]) << c;
    }
    EXPECT_EQ(Cell(2, 9), "NG");
    EXPECT_EQ(Cell(3, 8), "例外");
    EXPECT_EQ(Cell(5, 4), "");  // after a frame of the same direction: no reply time
    const QString summary = Control<QLabel>("lblSummary")->text();
    EXPECT_TRUE(summary.contains("SD: 5フレーム 40バイト チェック不良 1 応答 2件"))
        << summary.toStdString();
    EXPECT_TRUE(summary.contains("CRC不良 1")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("アイドル単位 10 ms")) << summary.toStdString();

    // Four replies of 10 ms, two each way: the second of two 10 ms bins; RD's shown first,
    // then both.
    ASSERT_NE(Bars(0), nullptr);
    EXPECT_EQ(Bars(0)->objectName(), "barRd");
    EXPECT_EQ(Bars(0)->count(), 2);
    EXPECT_EQ(Bars(0)->at(1), 2.0);
    EXPECT_EQ(Bars(1), nullptr);
    Control<QComboBox>("cmbHistogram")->setCurrentIndex(2);
    ASSERT_NE(Bars(1), nullptr);
    EXPECT_EQ(Bars(1)->at(1), 2.0);

    // A late threshold below the replies marks their rows and bars; the gap merges frames.
    EXPECT_FALSE(Marked(1));
    Control<QSpinBox>("spnLate")->setValue(5);
    EXPECT_TRUE(Marked(1));
    EXPECT_FALSE(Marked(0));
    EXPECT_FALSE(Marked(5));
    EXPECT_TRUE(Bars(0)->isBarSelected(1));
    EXPECT_FALSE(Bars(0)->isBarSelected(0));
    EXPECT_TRUE(Control<QLabel>("lblSummary")->text().contains("遅延 4件"));
    // With RD's answers alone in the histogram, SD's turnarounds are not late.
    const auto sdReplyRow = [&] {
        for (int r = 0; r < table->model()->rowCount(); ++r) {
            const bool badCheck = table->model()->index(r, 0).data(Qt::BackgroundRole) ==
                                  QVariant(QColor(255, 230, 140));
            if (Cell(r, 1) == "SD" && !Cell(r, 4).isEmpty() && !badCheck) {
                return r;
            }
        }
        return -1;
    }();
    ASSERT_GE(sdReplyRow, 0);
    EXPECT_TRUE(Marked(sdReplyRow));
    Control<QComboBox>("cmbHistogram")->setCurrentIndex(0);
    EXPECT_TRUE(Control<QLabel>("lblSummary")->text().contains("遅延 2件"));
    EXPECT_FALSE(Marked(sdReplyRow));
    EXPECT_TRUE(Marked(1));
    Control<QComboBox>("cmbHistogram")->setCurrentIndex(1);
    EXPECT_TRUE(Control<QLabel>("lblSummary")->text().contains("遅延 2件"));
    EXPECT_TRUE(Marked(sdReplyRow));
    EXPECT_FALSE(Marked(1));
    Control<QSpinBox>("spnGap")->setValue(20);
    EXPECT_EQ(table->model()->rowCount(), 7) << "the 10 ms idle records no longer split, "
                                                "but the direction and Modbus still do";
}

TEST_F(AnalysisWindowTest, ADoubleClickShowsTheFrameInTheHistoryView) {
    Control<QComboBox>("cmbProtocol")->setCurrentText("modbus-rtu");
    const Frame& last = analysis->frames().frames.at(6);
    emit table->doubleClicked(table->model()->index(6, 3));
    const Capture& c = ctx.core.capture;
    EXPECT_EQ(c.glngDispTop, last.firstWord);
    std::vector<int32_t> expected;
    for (int32_t w = last.firstWord; w < last.firstWord + 8; ++w) {
        expected.push_back(w);
    }
    expected.push_back(-1);
    EXPECT_EQ(c.glngCursol, expected);
    EXPECT_EQ(c.gintCursolType, 1);
}

TEST_F(AnalysisWindowTest, ACancelledAnalysisLeavesTheWindowAsItWas) {
    // The progress of the analysis: each step is recorded, and the first one cancels.
    struct Cancel : Progress {
        std::vector<std::pair<uint64_t, uint64_t>>& steps;
        explicit Cancel(std::vector<std::pair<uint64_t, uint64_t>>& s) : steps(s) {}
        bool step(uint64_t done, uint64_t total) override {
            steps.emplace_back(done, total);
            return false;
        }
    };
    std::vector<std::pair<uint64_t, uint64_t>> steps;
    analysis->setProgressMaker([&steps](QWidget*) { return std::make_unique<Cancel>(steps); });
    const QString before = Control<QLabel>("lblSummary")->text();
    Control<QComboBox>("cmbProtocol")->setCurrentText("modbus-rtu");
    const uint64_t records = FrameExamples().back().records.size();
    EXPECT_EQ(steps, (std::vector<std::pair<uint64_t, uint64_t>>{{records, records}}));
    EXPECT_EQ(Control<QComboBox>("cmbProtocol")->currentText(), "idle");
    EXPECT_EQ(table->model()->rowCount(), 6);
    EXPECT_EQ(table->model()->columnCount(), 6);
    EXPECT_EQ(Control<QLabel>("lblSummary")->text(), before);
    Control<QSpinBox>("spnGap")->setValue(20);
    EXPECT_EQ(Control<QSpinBox>("spnGap")->value(), 0);
    EXPECT_EQ(Cell(1, 5), "01 03 02 00 2A 39 9B");  // still read from the opened file
}

TEST_F(AnalysisWindowTest, NoiseAndLongFramesAreShownFromTheFile) {
    // The noise example, then a frame of 300 bytes: its row shows the first 256 of them (with
    // Modbus it is no frame but a bad CRC and noise).
    SampleCapture c;
    c.bytes = FrameExamples()[4].records;
    c.Idle(1);
    for (int i = 0; i < 300; ++i) {
        c.Pairs({static_cast<uint8_t>(i)}, true);
    }
    OpenAnalysed("noise.vxm", c.bytes);
    ASSERT_EQ(table->model()->rowCount(), 5);
    const QString longRow = Cell(4, 5);
    EXPECT_TRUE(longRow.startsWith("00 01 02")) << longRow.toStdString();
    EXPECT_TRUE(longRow.endsWith("FE FF …")) << longRow.toStdString();
    EXPECT_EQ(Cell(4, 3), "300");

    Control<QComboBox>("cmbProtocol")->setCurrentText("modbus-rtu");
    EXPECT_EQ(Cell(2, 5), "AA BB");
    EXPECT_EQ(Cell(2, 8), "ノイズ");
    EXPECT_EQ(Cell(2, 6), "");  // no unit
    EXPECT_EQ(Cell(2, 9), "");  // no CRC
    EXPECT_EQ(Cell(2, 4), "");  // no reply time
    EXPECT_EQ(Cell(3, 4), "12");
    EXPECT_TRUE(Control<QLabel>("lblSummary")->text().contains("ノイズ")) << "counted apart";
}

TEST_F(AnalysisWindowTest, OffersTheProtocolsOfVXProtoIniAndColoursBadChecks) {
    std::ofstream(FilePath("VXProto.ini"))
        << "[stx]\nStart=02\nEnd=03\nCheck=xor8\nCheckAfterEnd=1\n";
    SampleCapture c;
    c.Data(
         "\x02"
         "AB\x03\x02",
         true)
        .Data(
            "\x02"
            "AB\x03\x07",
            false)
        .Data("z", true);
    OpenAnalysed("stx.vxm", c.bytes);
    auto* protocol = Control<QComboBox>("cmbProtocol");
    ASSERT_EQ(protocol->count(), 5);
    EXPECT_EQ(protocol->itemText(4), "stx");
    protocol->setCurrentText("stx");
    ASSERT_EQ(table->model()->rowCount(), 3);
    ASSERT_EQ(table->model()->columnCount(), 8);
    EXPECT_EQ(table->model()->headerData(6, Qt::Horizontal).toString(), "チェック");
    const QStringList checks = {"OK", "NG", ""};
    const QStringList problems = {"", "", "noise"};
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(Cell(r, 6), checks[r]) << r;
        EXPECT_EQ(Cell(r, 7), problems[r]) << r;
    }
    EXPECT_FALSE(Marked(0));
    EXPECT_EQ(table->model()->index(1, 0).data(Qt::BackgroundRole).value<QColor>(),
              QColor(255, 230, 140));
    EXPECT_NE(Control<QLabel>("lblSummary")->text().indexOf("RD: 1フレーム 5バイト チェック不良 1"),
              -1)
        << Control<QLabel>("lblSummary")->text().toStdString();

    // A malformed file is named with its line and reason; the built-in protocols stay.
    std::ofstream(FilePath("VXProto.ini")) << "[stx]\nStart=02\n";
    prompts.asked.clear();
    Item("mn_Tool_Analysis")->trigger();
    ASSERT_EQ(prompts.asked.size(), 1U);
    EXPECT_EQ(prompts.asked[0].text,
              "VXProto.ini: line 1: [stx]: a frame has no way to end: give End, Length or Fixed");
    EXPECT_EQ(protocol->count(), 4);
    EXPECT_EQ(protocol->currentText(), "idle");
}
