// A capture read in pieces gives what the whole file gives: record counts, both text layouts
// and the pcap export, whatever the size of the pieces.
#include <gtest/gtest.h>

#include <random>

#include "capture/Capture.h"
#include "capture/DispWords.h"
#include "files/LogFile.h"
#include "files/LogInfo.h"
#include "files/PcapExport.h"
#include "files/TempFolder.h"
#include "files/TextExport.h"

namespace {

std::string collect(const std::function<void(TextOut&)>& write) {
    std::string text;
    TextOut out([&text](std::string_view s) {
        text += s;
        return true;
    });
    write(out);
    EXPECT_TRUE(out.flush());
    return text;
}

}  // namespace

TEST(LogReaderTest, PiecesOfOddSizesGiveWhatTheWholeFileGives) {
    // Bytes at random make every kind of record, bytes that start none and records cut off
    // by the ends of the pieces; the last record is cut off by the end of the file.
    std::mt19937 rng(27);
    std::vector<uint8_t> data(50'000);
    for (uint8_t& b : data) {
        b = static_cast<uint8_t>(rng());
    }
    data.insert(data.end(), {0x30, 12, 34});
    LogHeader header;
    header.glngSpeed = 9600;
    header.gintDataLen = 1;
    header.gintIdleMode = 10;
    uint8_t head[kLogHeaderLen];
    encodeHeader(header, head);
    TempFolder dir;
    dir.write("in.vxm", std::string(reinterpret_cast<const char*>(head), sizeof head) +
                            std::string(data.begin(), data.end()));
    const auto len = static_cast<int32_t>(data.size());

    RunState run;
    Capture capture(run);
    capture.CopyDat(data.data(), len);
    const ChrTable chr = MakeChrTable();
    const TextSource whole{capture.gintDispDat().data(), capture.glngDispLen(), 0, 2, &chr};
    const PcapLine line = pcapLineOf(header);
    const PcapTimes times{1'700'000'000, 1'700'000'000'000'000};
    const RecordCounts counts = countRecords(data.data(), data.size());
    const std::string fixed = collect([&](TextOut& out) { writeTextFixed(whole, 7, out); });
    const std::string switched = collect([&](TextOut& out) { writeTextSwitch(whole, 5, out); });
    const std::string pcap = pcapFromCapture(data.data(), len, line, times);
    ASSERT_GT(counts.timeStamps, 100);
    ASSERT_GT(counts.idle, 100);

    for (const size_t piece : {size_t{8}, size_t{9}, size_t{13}, size_t{4099}, data.size() + 1}) {
        SCOPED_TRACE(piece);
        LogReader reader(piece);
        std::string error;
        ASSERT_TRUE(reader.open(dir.File("in.vxm"), error)) << error;
        EXPECT_EQ(reader.header(), header);
        EXPECT_EQ(reader.DataLength(), data.size());

        RecordCounts n;
        EXPECT_TRUE(reader.read(
            [&n](const uint8_t* bytes, size_t size) { return countRecords(bytes, size, n); },
            error));
        EXPECT_EQ(n, counts);

        std::vector<int16_t> words(piece / 2 + 2);
        for (const bool isFixed : {true, false}) {
            const std::string text = collect([&](TextOut& out) {
                TextWriter writer(whole, isFixed, isFixed ? 7 : 5, out);
                EXPECT_TRUE(reader.read(
                    [&](const uint8_t* bytes, size_t size) {
                        int32_t count = 0;
                        const int32_t taken =
                            makeDispWords(bytes, static_cast<int32_t>(size), words.data(), count);
                        writer.add(words.data(), count);
                        return static_cast<size_t>(taken);
                    },
                    error));
                writer.finish();
            });
            EXPECT_TRUE(text == (isFixed ? fixed : switched)) << (isFixed ? "fixed" : "switch");
        }

        std::string streamed;
        PcapStream stream(line, times, [&streamed](std::string_view s) {
            streamed += s;
            return true;
        });
        EXPECT_TRUE(reader.read(
            [&](const uint8_t* bytes, size_t size) { return stream.measure(bytes, size); }, error));
        EXPECT_TRUE(reader.read(
            [&](const uint8_t* bytes, size_t size) { return stream.add(bytes, size); }, error));
        EXPECT_TRUE(stream.finish());
        EXPECT_TRUE(streamed == pcap);
    }
}

TEST(LogReaderTest, AFileThatChangesLengthWhileReadIsRefused) {
    TempFolder dir;
    dir.write("in.vxm", std::string(24 + 100, '\x84'));
    for (const int change : {-10, 10}) {
        LogReader reader(16);
        std::string error;
        ASSERT_TRUE(reader.open(dir.File("in.vxm"), error));
        std::filesystem::resize_file(dir.File("in.vxm"), 24 + 100 + change);
        EXPECT_FALSE(reader.read([](const uint8_t*, size_t size) { return size; }, error));
        EXPECT_EQ(error, change < 0 ? "became shorter while being read" : "grew while being read");
        std::filesystem::resize_file(dir.File("in.vxm"), 24 + 100);
    }
}
