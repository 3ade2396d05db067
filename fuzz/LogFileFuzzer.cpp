// A capture log file of any content, opened as the open command does: LoadLog, CopyDat of its
// data, and the history view drawing and moving through the display words.
// Beyond not crashing:
// - a file shorter than the header fails and changes no setting;
// - a file whose header holds values no setting can hold is refused and changes no setting;
// - any other file loads whole, with every setting it gives inside its range;
// - the display words are exactly those of the whole records of the data, as the record walk
//   that the exports use finds them (a record cut off by the end gives none), also when they
//   are made piece by piece into a word file, as for a file larger than the capture buffer;
// - the view never draws more cells than the grid has, nor a text that does not exist.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "app/CoreState.h"
#include "base/Status.h"
#include "files/LogFile.h"
#include "robust/Browse.h"
#include "robust/CaptureChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path path = FuzzFolder() / "capture.vxm";
    WriteFuzzFile(path, {reinterpret_cast<const char*>(data), size});

    CoreState state;
    const LogHeader before = headerOf(state.settings);
    std::vector<uint8_t> bytes;
    int32_t count = -1;
    const int16_t status = LoadLog(path.string(), bytes, count, state.settings);
    if (size < static_cast<size_t>(kLogHeaderLen)) {
        FUZZ_CHECK(status == status::kFailed);
        FUZZ_CHECK(headerOf(state.settings) == before);
        return 0;
    }
    const bool capture = headerFaults(decodeHeader(data)).empty();
    if (capture) {
        FUZZ_CHECK(status == status::kDone);
        FUZZ_CHECK(count == static_cast<int32_t>(size) - kLogHeaderLen);
        FUZZ_CHECK(bytes.size() >= static_cast<size_t>(count));
        FUZZ_CHECK(count == 0 || std::memcmp(bytes.data(), data + kLogHeaderLen, count) == 0);
        const LogHeader loaded = headerOf(state.settings);
        FUZZ_CHECK(loaded == clampHeader(decodeHeader(data)));
        FUZZ_CHECK(clampHeader(loaded) == loaded);
    } else {
        // No capture log: refused, nothing taken. Its data still goes through the conversion.
        FUZZ_CHECK(status == status::kFailed);
        FUZZ_CHECK(headerOf(state.settings) == before);
        bytes.assign(data + kLogHeaderLen, data + size);
        count = static_cast<int32_t>(size) - kLogHeaderLen;
    }

    // Half the capture logs are shown as a file larger than the capture buffer is: from a word
    // file made in pieces of odd sizes.
    Capture& cap = state.capture;
    if (capture && (data[2] & 1) != 0) {
        LogReader reader(8 + data[3] % 61);
        std::string error;
        WordFile words;
        FUZZ_CHECK(reader.open(path.string(), error));
        FUZZ_CHECK(logWordsToFile(reader, {FuzzFolder()}, words, error));
        cap.adoptWords(std::move(words));
    } else {
        cap.CopyDat(bytes.data(), count);
    }

    const std::vector<int16_t> expected = WordsOfRecords(bytes.data(), count);
    FUZZ_CHECK(cap.glngDispLen() == static_cast<int32_t>(expected.size()));
    FUZZ_CHECK(std::equal(expected.begin(), expected.end(), cap.gintDispDat().begin()));

    // The grid and where the live view stood, from header bytes the settings do not keep.
    const int32_t cols = 1 + data[22] % 80;
    const int32_t rows = 1 + data[23] % 40;
    state.grid.lintPos = data[20] % (cols * rows + 3);
    const bool background = (data[21] & 1) != 0;
    FUZZ_CHECK(BrowseAll(state, cols, rows, 1 + data[0] * 256 + data[1], 64, background).empty());
    return 0;
}
