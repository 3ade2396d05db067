// Damaged captures, as a failing disk or a bad copy leaves them: copies of captures made from
// every scenario of the virtual unit, with 2 % of their bytes (header included) changed, are
// opened, browsed, searched and exported. Nothing may crash or touch memory it does not own (CI
// runs this suite under AddressSanitizer and UndefinedBehaviorSanitizer), and every step must still
// give a sound result. The copies are fixed by their seeds, so a failure repeats.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "Browse.h"
#include "CaptureChecks.h"
#include "CaptureMaker.h"
#include "app/CoreState.h"
#include "base/Status.h"
#include "capture/Records.h"
#include "files/LogFile.h"
#include "files/PcapExport.h"
#include "files/TempFolder.h"
#include "files/TextExport.h"
#include "search/StringSearch.h"
#include "search/TimeSearch.h"

namespace {

constexpr int kCopies = 30;        // damaged copies of each capture
constexpr size_t kEvents = 1500;   // line events of each capture
constexpr int kDamagePercent = 2;  // bytes changed

// Changes kDamagePercent % of the bytes of file, each to a different value.
std::string Damage(std::string file, std::mt19937& rng) {
    const size_t changes = file.size() * kDamagePercent / 100;
    for (size_t i = 0; i < changes; ++i) {
        char& b = file[rng() % file.size()];
        b = static_cast<char>(b ^ static_cast<char>(1 + rng() % 255));
    }
    return file;
}

size_t DataWords(const std::vector<int16_t>& words) {
    size_t n = 0;
    for (size_t i = 0; i < words.size(); ++i) {
        if (word::isTwoWord(words[i])) {
            ++i;
        } else {
            ++n;
        }
    }
    return n;
}

// The exports of the words in state, through their files.
void ExportText(const CoreState& state, const TempFolder& dir) {
    const Capture& cap = state.capture;
    const TextSource src{cap.gintDispDat().data(), cap.glngDispLen(), state.settings.gintDispMode,
                         state.settings.gintASCIISaveMode, &state.gstrChr};
    ASSERT_EQ(TextSaveFixed(16, dir.File("fixed.txt"), src), status::kDone);
    EXPECT_EQ(FixedLayoutFault(dir.read("fixed.txt")), "");
    ASSERT_EQ(TextSaveSwitch(dir.File("switch.txt"), 40, src), status::kDone);
    EXPECT_EQ(SwitchLayoutFault(dir.read("switch.txt"), 40), "");
}

void ExportPcap(const Settings& s, const std::vector<uint8_t>& bytes) {
    const LineTiming line{s.glngSpeed, s.gintDataLen, s.gintStopBit, s.gintParity, s.gintIdleMode};
    const auto len = static_cast<int32_t>(bytes.size());
    const PcapSummary pcap =
        ReadPcap(pcapFromCapture(bytes.data(), len, line, PcapTimes{1'700'000'000, 0}));
    EXPECT_EQ(pcap.fault, "");
    const RecordCounts records = countRecords(bytes.data(), len);
    EXPECT_EQ(pcap.dataBytes, records.pairs);
    EXPECT_EQ(pcap.statusPackets, records.lineStates);
}

// Repeated searches down for the byte of the first data word, as F3 pressed until the end:
// every hit lies behind the last, the first is that word, and the time search finds a time
// stamp exactly when the words hold one.
void SearchThrough(const Capture& cap) {
    const std::span<const int16_t> words = dispWords(cap);
    size_t first = 0;
    while (first < words.size() && !word::isData(words[first])) {
        first += word::isTwoWord(words[first]) ? 2 : 1;
    }
    SearchString search;
    search.gintSearchDat = {static_cast<int16_t>(first < words.size() ? words[first] & 0xFF : 0)};
    int16_t type = -1;
    std::vector<int32_t> pos;
    int32_t from = -1;
    int hits = 0;
    while (searchMoji(words, search, SearchHoukou::Down, from, type, pos) == 1) {
        ASSERT_GT(pos[0], from);
        ASSERT_EQ(words[pos[0]] & 0xFF, search.gintSearchDat[0]);
        EXPECT_TRUE(hits > 0 || pos[0] == static_cast<int32_t>(first));
        from = pos[0];
        ++hits;
    }
    EXPECT_EQ(hits > 0, first < words.size());

    bool stamps = false;
    for (size_t i = 0; i < words.size(); i += word::isTwoWord(words[i]) ? 2 : 1) {
        stamps = stamps || (words[i] & word::kStamp) == word::kStamp;
    }
    int32_t at = -1;
    EXPECT_EQ(SearchTime(words, "120000", at), stamps ? 1 : 0);
}

class Mutation : public ::testing::TestWithParam<std::string_view> {};

}  // namespace

TEST_P(Mutation, DamagedCopiesOpenBrowseAndExport) {
    const std::vector<uint8_t> data = MakeCapture({{GetParam()}, 11, kEvents});
    TempFolder dir;
    Settings recorded;
    recorded.glngSpeed = 9600;
    recorded.gintParity = 2;
    recorded.gintTimeStamp = 1;
    recorded.gintIdleMode = 100;
    ASSERT_EQ(
        SaveLog(dir.File("capture.vxm"), data.data(), static_cast<int32_t>(data.size()), recorded),
        status::kDone);
    const std::string original = dir.read("capture.vxm");
    const size_t originalData =
        DataWords(WordsOfRecords(data.data(), static_cast<int32_t>(data.size())));

    std::mt19937 rng(static_cast<uint32_t>(std::hash<std::string_view>{}(GetParam())));
    size_t damagedData = 0;
    size_t opened = 0;
    for (int copy = 0; copy < kCopies; ++copy) {
        SCOPED_TRACE("copy " + std::to_string(copy));
        const std::string damaged = Damage(original, rng);
        std::ofstream(dir.File("damaged.vxm"), std::ios::binary | std::ios::trunc) << damaged;

        // A header damaged into values no setting holds is no capture log: refused, nothing
        // taken. Otherwise open: the whole data, every setting inside its range.
        CoreState state;
        std::vector<uint8_t> bytes;
        int32_t count = 0;
        const LogHeader header = decodeHeader(reinterpret_cast<const uint8_t*>(damaged.data()));
        if (!headerFaults(header).empty()) {
            const Settings before = state.settings;
            EXPECT_EQ(LoadLog(dir.File("damaged.vxm"), bytes, count, state.settings),
                      status::kFailed);
            EXPECT_EQ(headerOf(state.settings), headerOf(before));
            continue;
        }
        ASSERT_EQ(LoadLog(dir.File("damaged.vxm"), bytes, count, state.settings), status::kDone);
        ++opened;
        ASSERT_EQ(count, static_cast<int32_t>(damaged.size()) - kLogHeaderLen);
        bytes.resize(static_cast<size_t>(count));
        ASSERT_EQ(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                  std::string_view(damaged).substr(kLogHeaderLen));
        EXPECT_EQ(clampHeader(headerOf(state.settings)), headerOf(state.settings));

        // Convert: exactly the words of the whole records the damaged data still holds.
        Capture& cap = state.capture;
        cap.CopyDat(bytes.data(), count);
        const std::vector<int16_t> words = WordsOfRecords(bytes.data(), count);
        ASSERT_EQ(cap.glngDispLen(), static_cast<int32_t>(words.size()));
        ASSERT_TRUE(std::equal(words.begin(), words.end(), cap.gintDispDat().begin()));
        damagedData += DataWords(words);

        EXPECT_EQ(BrowseAll(state, 16, 8, 1 + copy * 5, 10'000), "");
        ExportText(state, dir);
        ExportPcap(state.settings, bytes);
        SearchThrough(cap);
    }
    // The reader falls back into step after each damaged byte: most of the data still shows.
    EXPECT_GT(opened, 0U);
    EXPECT_GE(damagedData, originalData * opened * 9 / 10);
}

INSTANTIATE_TEST_SUITE_P(EveryScenario, Mutation,
                         ::testing::Values("chat", "modbus", "errors", "lines", "flood", "garbage"),
                         [](const auto& param) { return std::string(param.param); });
