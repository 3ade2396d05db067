// A capture read in pieces gives what the whole file gives: record counts, both text layouts,
// the display words and the pcap export, whatever the size of the pieces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>

#include "capture/Capture.h"
#include "capture/DispWords.h"
#include "files/AtomicFile.h"
#include "files/LogFile.h"
#include "files/LogInfo.h"
#include "files/PcapExport.h"
#include "files/ProgramFolder.h"
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
    const LineTiming line = lineTimingOf(header);
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
        {
            AtomicFileWriter out(dir.File("out.pcap"));
            EXPECT_TRUE(writePcapOfLog(reader, times, out, error)) << error;
        }
        EXPECT_TRUE(dir.read("out.pcap") == pcap);

        // The words go to an unnamed file in the first folder that takes one.
        WordFile file;
        ASSERT_TRUE(logWordsToFile(reader, {dir.File("gone"), dir.path()}, file, error)) << error;
        ASSERT_EQ(file.size(), static_cast<size_t>(capture.glngDispLen()));
        EXPECT_TRUE(std::ranges::equal(
            file.words(), capture.gintDispDat().first(static_cast<size_t>(capture.glngDispLen()))));
#ifdef _WIN32
        // Windows has no unnamed files: the word file has a name until it is closed.
        file = WordFile();
#endif
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2)
            << "in.vxm and out.pcap only";
    }
}

#ifndef _WIN32  // a full disk is made by mounting a small file system: POSIX only
TEST(LogReaderTest, WordsGoToTheNextFolderWhenTheFirstIsFull) {
    TempFolder dir;
    const std::string full = dir.File("full");
    std::filesystem::create_directory(full);
    if (std::system(("mount -t tmpfs -o size=16k tmpfs '" + full + "' 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "no small file system can be mounted here";
    }
    std::string records;
    for (int i = 0; i < 20000; ++i) {
        records += "\x84\xC1";  // 20000 words, 40000 bytes of them
    }
    dir.write("in.vxm", std::string(24, '\0') + records);
    LogReader reader;
    std::string error;
    ASSERT_TRUE(reader.open(dir.File("in.vxm"), error));
    WordFile file;
    const bool spilled = logWordsToFile(reader, {full, dir.path()}, file, error);
    const size_t spilledWords = file.size();
    const bool onlyFull = logWordsToFile(reader, {full}, file, error);
    const std::string fullError = error;
    EXPECT_EQ(std::system(("umount '" + full + "'").c_str()), 0);
    EXPECT_TRUE(spilled);
    EXPECT_EQ(spilledWords, 20000u);
    EXPECT_FALSE(onlyFull);
    EXPECT_EQ(fullError, "the display words cannot be written");
    EXPECT_TRUE(file.words().empty());
}
#endif

TEST(LogReaderTest, WordsFindNoFolderOrAnEmptyCapture) {
    TempFolder dir;
    dir.write("in.vxm", std::string(24, '\0') + "\x84\xC1\x30\x01\x02");
    LogReader reader;
    std::string error;
    ASSERT_TRUE(reader.open(dir.File("in.vxm"), error));
    WordFile file;
    EXPECT_FALSE(logWordsToFile(reader, {dir.File("gone")}, file, error));
    EXPECT_EQ(error, "no folder for the display words");
    EXPECT_TRUE(file.words().empty());

    // A capture of line states makes no words: an empty view, not a failure.
    dir.write("lines.vxm", std::string(24, '\0') + "\x41\x30\x43\x30");
    LogReader lines;
    ASSERT_TRUE(lines.open(dir.File("lines.vxm"), error));
    EXPECT_TRUE(logWordsToFile(lines, {dir.path()}, file, error)) << error;
    EXPECT_TRUE(file.words().empty());
}

TEST(LogReaderTest, AFileThatChangesLengthWhileReadIsRefused) {
    TempFolder dir;
    dir.write("in.vxm", std::string(24, '\0') + std::string(100, '\x84'));
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

// Data past 4 GiB, where offsets need 64 bits, is read in pieces to its end: a sparse file of
// zero bytes with records behind them.
TEST(LogReaderTest, DataPastFourGibibytesIsReadToItsEnd) {
    TempFolder dir;
    const std::string records = "\x84\xC1\x30\x01\x02";
    const uint64_t zeros = (uint64_t{1} << 32) + 7;
    dir.write("big.vxm", std::string(24, '\0'));
    std::filesystem::resize_file(nativePath(dir.File("big.vxm")), 24 + zeros);
    std::ofstream(nativePath(dir.File("big.vxm")), std::ios::binary | std::ios::app) << records;

    LogReader reader(size_t{64} << 20);
    std::string error;
    ASSERT_TRUE(reader.open(dir.File("big.vxm"), error)) << error;
    EXPECT_EQ(reader.DataLength(), zeros + records.size());
    uint64_t total = 0;
    size_t largest = 0;
    std::string end;
    ASSERT_TRUE(reader.read(
        [&](const uint8_t* bytes, size_t size) {
            total += size;
            largest = std::max(largest, size);
            const size_t last = std::min(size, records.size());
            end.append(reinterpret_cast<const char*>(bytes) + size - last, last);
            end.erase(0, end.size() - std::min(end.size(), records.size()));
            return size;
        },
        error))
        << error;
    EXPECT_EQ(total, zeros + records.size());
    EXPECT_EQ(end, records);
    EXPECT_LE(largest, reader.piece());
}
