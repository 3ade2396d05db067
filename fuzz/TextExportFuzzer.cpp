// The text export of any display words, in both layouts and every mode: the words of any
// record bytes as CopyDat makes them, or any 16-bit words at all.
// Beyond not crashing:
// - the text is valid UTF-8 with CR LF line ends (a line is never cut inside a character);
// - the fixed layout is pairs of "RD:" and "SD:" lines with an empty line between pairs;
// - the switch layout has no line longer than its limit.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "capture/Capture.h"
#include "files/TextExport.h"
#include "robust/CaptureChecks.h"

namespace {

// The export into memory. One writer for every run, so that its large buffer is made once.
std::string Export(const TextSource& src, bool fixed, int32_t number) {
    static std::string text;
    static TextOut out([](std::string_view piece) {
        text += piece;
        return true;
    });
    text.clear();
    if (fixed) {
        writeTextFixed(src, number, out);
    } else {
        writeTextSwitch(src, number, out);
    }
    FUZZ_CHECK(out.flush());
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ChrTable chr = MakeChrTable();
    FuzzedDataProvider fdp(data, size);
    const bool rawWords = fdp.ConsumeBool();
    const int dispMode = fdp.ConsumeIntegralInRange(-1, 3);
    const int asciiSaveMode = fdp.ConsumeIntegralInRange(-1, 3);
    const int32_t cells = fdp.ConsumeIntegralInRange<int32_t>(1, 32767);
    const int32_t limit = fdp.ConsumeIntegralInRange<int32_t>(0, 32767);
    const std::vector<uint8_t> bytes = fdp.ConsumeRemainingBytes<uint8_t>();

    RunState run;
    Capture capture(run);
    std::vector<int16_t> words;
    TextSource src{nullptr, 0, dispMode, asciiSaveMode, &chr};
    if (rawWords) {
        words.resize(bytes.size() / 2);
        for (size_t i = 0; i < words.size(); ++i) {
            words[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
        }
        src.words = words.data();
        src.len = static_cast<int32_t>(words.size());
    } else {
        capture.CopyDat(bytes.data(), static_cast<int32_t>(bytes.size()));
        src.words = capture.gintDispDat().data();
        src.len = capture.glngDispLen();
    }

    FUZZ_CHECK(FixedLayoutFault(Export(src, true, cells)).empty());
    FUZZ_CHECK(SwitchLayoutFault(Export(src, false, limit), limit).empty());
    return 0;
}
