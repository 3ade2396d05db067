// Whole runs of the real main window against vexlo-unit: what the unit sent is what the
// capture holds, the records the program adds sit where they belong, and the view and the
// line indicators follow the stream.
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QTimer>

#include "app/PanelBar.h"
#include "capture/Records.h"
#include "e2e/StoredRecords.h"
#include "link/frmComm.h"
#include "support/MainWindowFixture.h"
#include "view/frmMonitor.h"

namespace {

using Kind = StoredRecord::Kind;

// The offset of the first byte where a and b differ, for failure messages.
size_t FirstDifference(const std::string& a, const std::string& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) {
        ++i;
    }
    return i;
}

// The cell text a stored data pair shows in ASCII mode.
CellText::Id TextOf(const StoredRecord& pair) {
    if (rec::hasFramingError(pair.bytes[1])) {
        return CellText::kFE;
    }
    if (rec::hasParityError(pair.bytes[0])) {
        return CellText::kPE;
    }
    return CellText::byte(pair.Value(), 0);
}

int SecondsOfDay(const DateTime& t) {
    return (t.hour * 60 + t.minute) * 60 + t.second;
}

}  // namespace

TEST_F(LiveRunTest, FloodOfTenLineSecondsIsStoredWholeAndTheHistoryShowsTheLastScreen) {
    WriteSettings(
        "[Comm_Inf]\nSpeed=115200\nDataLength=1\nStopBit=0\nParity=0\n"
        "[Buffer_Inf]\nSize=1000\n");
    StartUnit({"--scenario", "flood", "--rate-factor", "5", "--duration", "10"});
    ShowWindow();
    ASSERT_TRUE(Start());
    RunThenQuiet(2000);
    const Screen live = ScreenTexts();
    const int32_t livePos = ctx.core.grid.lintPos;
    Stop();

    const std::string sent = Record();
    // 115200 bit/s 8N1 carries 11520 characters a second each way, two bytes each.
    EXPECT_NEAR(static_cast<double>(sent.size()), 2.0 * 2 * 11520 * 10, 4.0);
    const std::string stored = Stored();
    const Capture& c = ctx.core.capture;
    ASSERT_LT(c.glngDatLen(), c.glngBufKeep()) << "the run must fit without a shift";
    ASSERT_EQ(stored.size(), sent.size());
    EXPECT_TRUE(stored == sent) << "first difference at " << FirstDifference(stored, sent);
    const StoredRecords parsed = ParseStored(stored);
    EXPECT_EQ(parsed.fault, "");
    EXPECT_EQ(parsed.Count(Kind::Pair), stored.size() / 2);

    EXPECT_EQ(c.glngDispLen(), static_cast<int32_t>(parsed.records.size()));
    ExpectHistoryShowsTheLiveScreen(live, livePos);
    // The last pair the unit sent is the last cell drawn.
    const StoredRecords sentRecords = ParseStored(sent);
    ASSERT_FALSE(sentRecords.records.empty());
    const StoredRecord& last = sentRecords.records.back();
    const int32_t k = c.glngDispLen() - 1 - c.glngDispTop;
    ASSERT_GE(k, 0);
    const CellGrid& cells = window->monitor().cells();
    const CellRow row = rec::isSd(last.bytes[0]) ? CellRow::SD : CellRow::RD;
    EXPECT_EQ(cells.at(row, k).text, TextOf(last));
}

TEST_F(LiveRunTest, IdleAndTimeStampRecordsSitBeforeTheFirstDataAfterEachPause) {
    // Seed 3 at the line's speed: in 8 s four messages of a few milliseconds, every pause
    // before one 0.38 s or longer (the idle unit is 0.1 s, so the idle timer has ticked even on
    // a busy machine), two of them 2.6 s or longer (a time stamp needs 1 s without traffic).
    WriteSettings("[Comm_Inf]\nSpeed=9600\nDataLength=1\n[Mode_Inf]\nIdleMode=10\nTimeStamp=1\n");
    StartUnit({"--scenario", "chat", "--seed", "3", "--rate-factor", "1", "--duration", "8"});
    ShowWindow();
    const int from = SecondsOfDay(systemClock.now());
    ASSERT_TRUE(Start());
    RunThenQuiet(8000);
    Stop();
    const int to = SecondsOfDay(systemClock.now());

    const std::string stored = Stored();
    const StoredRecords parsed = ParseStored(stored);
    ASSERT_EQ(parsed.fault, "");
    EXPECT_EQ(WithoutMarkers(stored, parsed), Record()) << "data lost or changed";

    // Every message ends with LF and is followed by a pause; nothing else is.
    const std::vector<StoredRecord>& r = parsed.records;
    for (size_t i = 0; i < r.size(); ++i) {
        const bool afterPause = i == 0 || (r[i - 1].kind == Kind::Pair && r[i - 1].Value() == '\n');
        if (afterPause && i + 1 < r.size()) {
            // An idle record, perhaps a time stamp, then the data.
            ASSERT_EQ(r[i].kind, Kind::Idle) << "record " << i;
            EXPECT_GE(r[i].Number(), 1) << "a pause of at least one idle unit";
            const size_t data = r[i + 1].kind == Kind::Stamp ? i + 2 : i + 1;
            ASSERT_LT(data, r.size());
            EXPECT_EQ(r[data].kind, Kind::Pair) << "record " << data;
            i = data;
        } else {
            EXPECT_FALSE(r[i].IsMarker()) << "a mark inside a message, record " << i;
        }
    }
    EXPECT_EQ(parsed.Count(Kind::Idle), 4U);
    EXPECT_GE(parsed.Count(Kind::Stamp), 1U);
    for (const StoredRecord& s : r) {
        if (s.kind == Kind::Stamp) {
            EXPECT_GE(s.Number(), from);
            EXPECT_LE(s.Number(), to);
        }
    }
}

TEST_F(LiveRunTest, ParityAndFramingErrorsShowAsPeAndFeCells) {
    WriteSettings("[Comm_Inf]\nSpeed=9600\nDataLength=1\nParity=2\n");
    StartUnit({"--scenario", "errors", "--rate-factor", "10", "--duration", "20"});
    ShowWindow();
    ASSERT_TRUE(Start());
    RunThenQuiet(2000);
    const Screen live = ScreenTexts();
    const int32_t livePos = ctx.core.grid.lintPos;
    Stop();

    const std::string sent = Record();
    EXPECT_EQ(Stored(), sent);
    ExpectHistoryShowsTheLiveScreen(live, livePos);

    // Page through the whole history: each cell shows its pair from the unit's stream.
    const StoredRecords pairs = ParseStored(sent);
    ASSERT_EQ(pairs.fault, "");
    const CellGrid& cells = window->monitor().cells();
    const int32_t screen = ctx.core.grid.lintCell;
    int pe = 0;
    int fe = 0;
    for (int32_t top = 0; top < static_cast<int32_t>(pairs.records.size()); top += screen) {
        window->monitor().dispRirekiAt(top);
        for (int32_t k = 0; k < screen && top + k < static_cast<int32_t>(pairs.records.size());
             ++k) {
            const StoredRecord& p = pairs.records[static_cast<size_t>(top + k)];
            const CellRow row = rec::isSd(p.bytes[0]) ? CellRow::SD : CellRow::RD;
            const CellText::Id text = TextOf(p);
            ASSERT_EQ(cells.at(row, k).text, text) << "pair " << top + k;
            if (text == CellText::kPE || text == CellText::kFE) {
                EXPECT_EQ(cells.at(row, k).back, ctx.core.settings.glngColErr);
                (text == CellText::kPE ? pe : fe) += 1;
            }
        }
    }
    EXPECT_GE(pe, 3);
    EXPECT_GE(fe, 3);
}

TEST_F(LiveRunTest, LineIndicatorsAndStoredLineStatesFollowTheStream) {
    WriteSettings("[Comm_Inf]\nSpeed=9600\nDataLength=1\n[Mode_Inf]\nLineState=1\n");
    StartUnit({"--scenario", "lines", "--rate-factor", "10", "--duration", "20"});
    ShowWindow();
    const QString bin = QCoreApplication::applicationDirPath();
    const QImage green = QImage(bin + "/green.bmp").convertToFormat(QImage::Format_RGB32);
    const QImage gray = QImage(bin + "/gray.bmp").convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(green.isNull());
    ASSERT_NE(green, gray);
    // The six lamps as line bits; -1 when a lamp shows neither picture.
    auto lamps = [&] {
        int bits = 0;
        for (int k = 0; k < 6; ++k) {
            const auto* picture =
                window->StBarLineState().panel(k + 2)->findChildren<QLabel*>().front();
            const QImage shown = picture->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
            if (shown == green) {
                bits |= 1 << k;
            } else if (shown != gray) {
                return -1;
            }
        }
        return bits;
    };
    ASSERT_TRUE(Start());
    // Sampled while the run goes on, the lamps always show the last line state received.
    int samples = 0;
    int wrong = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        ++samples;
        wrong += lamps() == (window->link().comm().decoder().lbyteLine & 0x3F) ? 0 : 1;
    });
    sampler.start(10);
    RunThenQuiet(2000);
    sampler.stop();
    Stop();

    const std::string sent = Record();
    EXPECT_EQ(Stored(), StoredFormOf(sent));
    const StoredRecords parsed = ParseStored(Stored());
    EXPECT_EQ(parsed.fault, "");
    EXPECT_GE(parsed.Count(Kind::Line), 10U);
    EXPECT_GT(samples, 50);
    EXPECT_EQ(wrong, 0);
    // After the run the lamps show the last line state the unit sent.
    int last = -1;
    for (const StoredRecord& r : parsed.records) {
        last = r.kind == Kind::Line ? r.bytes[0] & 0x3F : last;
    }
    EXPECT_EQ(lamps(), last);
}
