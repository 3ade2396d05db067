#include "CaptureMaker.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "Scenario.h"
#include "link/Decoder.h"
#include "support/FakeClock.h"
#include "support/RecordingObserver.h"

namespace {

constexpr uint64_t kIdleStepMs = 10;
constexpr uint64_t kStampAfterMs = 1000;
constexpr long kMaxIdleCount = 999'999;

}  // namespace

std::vector<uint8_t> MakeCapture(const CaptureRecipe& recipe) {
    RunState run;
    run.gintRun = 1;
    Capture capture(run);
    // Room for every record without a shift: at most two bytes per event and two 4-byte
    // records per pause.
    const size_t most = recipe.scenarios.size() * recipe.eventsEach * 10;
    capture.AllocBuffer(static_cast<int32_t>(most / 1000 + 1));
    Settings settings;
    settings.gintTimeStamp = 1;
    settings.gintIdleMode = 100;
    FakeClock clock;
    clock.SetTime(9, 30, 0);
    RecordingObserver around(run, capture);
    Decoder decoder(run, capture, settings, DecoderObservers{&around}, around, clock);

    LineSettings line;
    line.parity = LineSettings::Parity::Even;
    std::mt19937 batchSizes(static_cast<uint32_t>(recipe.seed));
    std::vector<uint8_t> batch;
    size_t batchLimit = 1;
    auto flush = [&] {
        if (!batch.empty()) {
            decoder.onReceive(batch.data(), batch.size());
            batch.clear();
        }
        batchLimit = 1 + batchSizes() % 64;
    };

    for (const std::string_view name : recipe.scenarios) {
        const auto scenario = Scenario::create(name, line, recipe.seed);
        uint64_t lastTick = 0;
        for (size_t i = 0; i < recipe.eventsEach; ++i) {
            const StreamEvent e = scenario->next();
            const uint64_t gapMs = (e.tick - lastTick) * 1000 / line.ticksPerSecond();
            lastTick = e.tick;
            if (gapMs >= kIdleStepMs) {
                // A pause: the port hands over what it has, the timers ask for their records.
                flush();
                run.gintIdleReq = -1;
                std::snprintf(run.gstrIdle, sizeof run.gstrIdle, "%06ld",
                              std::min(static_cast<long>(gapMs / kIdleStepMs), kMaxIdleCount));
                if (gapMs >= kStampAfterMs) {
                    run.gintStampReq = -1;
                }
                clock.Advance(static_cast<int>(std::min<uint64_t>(gapMs, 3'600'000)));
            }
            switch (e.kind) {
                case StreamEvent::Kind::Data:
                    batch.push_back(pairFirstByte(e));
                    batch.push_back(pairSecondByte(e));
                    break;
                case StreamEvent::Kind::Line:
                    batch.push_back(lineStateByte(e.value));
                    break;
                case StreamEvent::Kind::Raw:
                    batch.push_back(e.value);
                    break;
            }
            if (batch.size() >= batchLimit) {
                // Split where the size says, between the bytes of a pair too.
                const size_t keep = batch.size() - batchLimit;
                const std::vector<uint8_t> rest(batch.end() - static_cast<long>(keep), batch.end());
                batch.resize(batchLimit);
                flush();
                batch = rest;
            }
        }
        flush();
    }
    return {capture.gbyteDat().begin(), capture.gbyteDat().begin() + capture.glngDatLen()};
}
