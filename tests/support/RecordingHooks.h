#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/DecoderObserver.h"
#include "base/RunState.h"
#include "capture/Capture.h"
#include "trigger/TriggerChecks.h"

// Everything around the decoder for runs without a window: keeps the calls that follow from
// the stream (pairs drawn, lamps, line triggers, stops) as numbers in order, acts on a stop
// and on auto-save as the program does, and keeps every auto-save block it was handed.
struct RecordingHooks final : DecoderObserver, TriggerChecks, CommandSink, AutoSaveSink {
    RecordingHooks(RunState& r, Capture& c) : run(r), capture(c) { capture.SetAutoSaveSink(this); }
    ~RecordingHooks() override { capture.SetAutoSaveSink(nullptr); }
    RecordingHooks(const RecordingHooks&) = delete;
    RecordingHooks& operator=(const RecordingHooks&) = delete;

    static constexpr uint32_t kDrawn = 0x10000;
    static constexpr uint32_t kLamp = 0x20000;
    static constexpr uint32_t kTrigger = 0x30000;
    static constexpr uint32_t kStop = 0x40000;

    void DispMonitor(uint8_t first, uint8_t second) override {
        calls.push_back(kDrawn | static_cast<uint32_t>(first << 8 | second));
    }
    // As the run stop of the program: no more capture data, the view shows stored data.
    void RunStop() override {
        calls.push_back(kStop);
        run.gintRun = 0;
        run.gintRireki = 1;
    }
    void AutoSaveFlush() override {
        if (run.gintAutoSave == 1) {
            AutoSaveBlock();
        }
    }
    void SetLineLamp(int line, bool on) override {
        calls.push_back(kLamp | static_cast<uint32_t>(line << 1 | (on ? 1 : 0)));
    }
    void TrigCheckLine(int line, int edge) override {
        calls.push_back(kTrigger | static_cast<uint32_t>(line << 2 | edge));
    }
    void TrigCheckChr(int, uint8_t) override {}
    void TrigCheckErr(int) override {}
    void TrigCheckTime() override {}
    // The link sends a queued "G01" at once and counts it, as the command queue does.
    void QueueCommand(const std::string& command) override {
        if (command == "G01") {
            ++run.gintStartTry;
        }
    }
    void EnableSend() override {}
    void AutoSaveBlock() override {
        saved.insert(saved.end(), capture.gbyteAutoDat().begin(),
                     capture.gbyteAutoDat().begin() + capture.glngAutoLen());
        capture.EmptyAutoBlock();
    }

    RunState& run;
    Capture& capture;
    std::vector<uint32_t> calls;
    std::vector<uint8_t> saved;  // the auto-save blocks, one after the other
};
