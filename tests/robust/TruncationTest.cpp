// A capture log file cut at every byte, as a crash, a full disk or an interrupted copy may
// leave it: it opens without fault and shows every record that was whole before the cut.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "CaptureMaker.h"
#include "base/Status.h"
#include "capture/Capture.h"
#include "capture/Records.h"
#include "e2e/StoredRecords.h"
#include "files/LogFile.h"
#include "files/TempFolder.h"

namespace {

// Data both ways, parity and framing errors, line changes, time stamps and idle records.
std::vector<uint8_t> EveryKindOfRecord() {
    return MakeCapture({{"lines", "errors", "modbus"}, 7, 250});
}

Settings FileSettings() {
    Settings s;
    s.gintLineType = 1;
    s.glngSpeed = 9600;
    s.gintParity = 2;
    s.gintDispMode = 1;
    s.gintTimeStamp = 1;
    s.gintIdleMode = 100;
    return s;
}

// What the open command shows of a file: the display words of LoadLog and CopyDat, and the
// settings it took over; nothing when the file could not be opened.
std::optional<std::vector<int16_t>> open(const std::string& path, Settings& settings) {
    std::vector<uint8_t> bytes;
    int32_t count = 0;
    if (LoadLog(path, bytes, count, settings) != status::kDone) {
        return std::nullopt;
    }
    RunState run;
    Capture capture(run);
    capture.CopyDat(bytes.data(), count);
    return std::vector<int16_t>(capture.gintDispDat().begin(),
                                capture.gintDispDat().begin() + capture.glngDispLen());
}

// Calls f(length) for every length of the file from its whole length down to 0, with the file
// at path cut to that length. (Cutting one file shorter and shorter spares the file system the
// flush that replacing a file's contents may cost.)
template <class F>
void ForEveryCut(const std::string& path, const std::string& file, F&& f) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << file;
    for (size_t length = file.size() + 1; length-- > 0;) {
        std::filesystem::resize_file(path, length);
        f(length);
    }
}

std::vector<int16_t> Prefix(const std::vector<int16_t>& words, size_t n) {
    return {words.begin(), words.begin() + static_cast<long>(n)};
}

}  // namespace

TEST(Truncation, ACutFileShowsEveryRecordThatWasWholeBeforeTheCut) {
    const std::vector<uint8_t> data = EveryKindOfRecord();
    const StoredRecords parsed =
        ParseStored({reinterpret_cast<const char*>(data.data()), data.size()});
    ASSERT_EQ(parsed.fault, "");
    size_t sd = 0, rd = 0, parity = 0, framing = 0;
    for (const StoredRecord& r : parsed.records) {
        if (r.kind == StoredRecord::Kind::Pair) {
            (rec::isSd(r.bytes[0]) ? sd : rd) += 1;
            parity += rec::hasParityError(r.bytes[0]) ? 1 : 0;
            framing += rec::hasFramingError(r.bytes[1]) ? 1 : 0;
        }
    }
    for (const size_t n :
         {sd, rd, parity, framing, parsed.Count(StoredRecord::Kind::Line),
          parsed.Count(StoredRecord::Kind::Stamp), parsed.Count(StoredRecord::Kind::Idle)}) {
        ASSERT_GT(n, 0u) << "the capture lacks a kind of record";
    }

    TempFolder dir;
    const Settings saved = FileSettings();
    ASSERT_EQ(SaveLog(dir.File("full.vxm"), data.data(), static_cast<int32_t>(data.size()), saved),
              status::kDone);
    const std::string file = dir.read("full.vxm");
    Settings opened;
    const std::optional<std::vector<int16_t>> all = open(dir.File("full.vxm"), opened);
    ASSERT_TRUE(all);

    // Words of the records that end at or before each data length.
    std::vector<size_t> wordsBefore(data.size() + 1, 0);
    for (const StoredRecord& r : parsed.records) {
        const size_t length = r.IsMarker() ? 4 : 2;
        const size_t words = r.IsMarker() ? 2 : (r.kind == StoredRecord::Kind::Pair ? 1 : 0);
        for (size_t c = r.offset + length; c <= data.size(); ++c) {
            wordsBefore[c] += words;
        }
    }
    ASSERT_EQ(wordsBefore.back(), all->size());

    const Settings untouched;
    ForEveryCut(dir.File("cut.vxm"), file, [&](size_t length) {
        SCOPED_TRACE("file cut after " + std::to_string(length) + " bytes");
        Settings s;
        const std::optional<std::vector<int16_t>> words = open(dir.File("cut.vxm"), s);
        if (length < static_cast<size_t>(kLogHeaderLen)) {
            ASSERT_FALSE(words);
            ASSERT_EQ(headerOf(s), headerOf(untouched));
            return;
        }
        ASSERT_TRUE(words);
        ASSERT_EQ(headerOf(s), headerOf(saved));
        ASSERT_EQ(*words, Prefix(*all, wordsBefore[length - kLogHeaderLen]));
    });
}

// Auto-save blocks and a buffer that has dropped its oldest bytes begin inside a record: the
// reader falls into step within the first records, and every cut still shows a beginning of
// what the whole file shows.
TEST(Truncation, AFileThatBeginsInsideARecordFallsIntoStepAndCutsShowItsBeginning) {
    const std::vector<uint8_t> data = EveryKindOfRecord();
    TempFolder dir;
    Settings opened;
    ASSERT_EQ(SaveLog(dir.File("full.vxm"), data.data(), static_cast<int32_t>(data.size()),
                      FileSettings()),
              status::kDone);
    const std::vector<int16_t> all = *open(dir.File("full.vxm"), opened);

    for (const size_t skip : {1, 2, 3, 5, 7}) {
        SCOPED_TRACE("first " + std::to_string(skip) + " data bytes missing");
        const std::vector<uint8_t> tail(data.begin() + static_cast<long>(skip), data.end());
        ASSERT_EQ(SaveLog(dir.File("tail.vxm"), tail.data(), static_cast<int32_t>(tail.size()),
                          FileSettings()),
                  status::kDone);
        const std::vector<int16_t> whole = *open(dir.File("tail.vxm"), opened);
        ASSERT_GE(whole.size() + 8, all.size());
        const size_t same = whole.size() - 8;
        EXPECT_TRUE(std::equal(whole.end() - static_cast<long>(same), whole.end(),
                               all.end() - static_cast<long>(same)));

        // Longer cuts show more, never something else.
        size_t longer = whole.size();
        ForEveryCut(dir.File("cut.vxm"), dir.read("tail.vxm"), [&](size_t length) {
            if (length < static_cast<size_t>(kLogHeaderLen)) {
                return;
            }
            const std::optional<std::vector<int16_t>> words = open(dir.File("cut.vxm"), opened);
            ASSERT_TRUE(words) << length;
            ASSERT_LE(words->size(), longer) << length;
            ASSERT_EQ(*words, Prefix(whole, words->size())) << length;
            longer = words->size();
        });
        EXPECT_EQ(longer, 0u);
    }
}
