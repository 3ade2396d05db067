#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/DecoderObserver.h"
#include "base/RunState.h"
#include "capture/Capture.h"
#include "link/LinkSeams.h"
#include "trigger/TriggerChecks.h"

// Stands in for the rest of the program around the link, the decoder and the live view:
// records every call as a line of text, in order ("disp 34243", "queue G01", "chr256 13",
// "status 9600,N,8,1" ...).
struct RecordingObserver final : DecoderObserver,
                                 TriggerChecks,
                                 CommandSink,
                                 CommParamView,
                                 AutoSaveSink {
    RecordingObserver() = default;
    // Also acts as the program does for runs without a window: a stop ends the run, a queued
    // "G01" is sent at once and counted, and auto-save writes its blocks (kept in saved).
    RecordingObserver(RunState& r, Capture& c) : run(&r), capture_(&c) {
        capture_->setAutoSaveSink(this);
    }
    ~RecordingObserver() override {
        if (capture_ != nullptr) {
            capture_->setAutoSaveSink(nullptr);
        }
    }
    RecordingObserver(const RecordingObserver&) = delete;
    RecordingObserver& operator=(const RecordingObserver&) = delete;

    void DispMonitor(uint8_t a, uint8_t b) override { Log("disp", a * 256 + b); }
    void DispTimeStamp(const std::string& t) override { calls.push_back("stamp " + t); }
    // Stops as RunStop does when run is given.
    void RunStop() override {
        Log("stop", 0);
        if (run != nullptr) {
            run->gintRun = 0;
            run->gintRireki = 1;
        }
    }
    void startAccepted() override { Log("accepted", 0); }
    void startRefused() override { Log("refused", 0); }
    void AutoSaveFlush() override {
        Log("flush", 0);
        if (capture_ != nullptr && run->gintAutoSave == 1) {
            AutoSaveBlock();
        }
    }
    void AutoSaveBlock() override {
        saved.insert(saved.end(), capture_->gbyteAutoDat().begin(),
                     capture_->gbyteAutoDat().begin() + capture_->glngAutoLen());
        capture_->emptyAutoBlock();
    }
    void setLineLamp(int line, bool on) override { Log(on ? "green" : "gray", line); }
    void TrigCheckLine(int line, int edge) override { Log("trig" + std::to_string(edge), line); }
    void TrigCheckChr(int direction, uint8_t byte) override {
        Log("chr" + std::to_string(direction), byte);
    }
    void TrigCheckErr(int bits) override { Log("err", bits); }
    void TrigCheckTime() override { Log("time", 0); }
    void setIdleTimer(bool on) override { Log("idle", on); }
    void setStampTimer(bool on) override { Log("stampTimer", on); }
    void linkLost() override { Log("lost", 0); }
    void queueCommand(const std::string& c) override {
        calls.push_back("queue " + c);
        if (capture_ != nullptr && c == "G01") {
            ++run->gintStartTry;
        }
    }
    void enableSend() override { Log("send", 0); }
    void showCommParam(const std::string& text) override { calls.push_back("status " + text); }

    void Log(const std::string& what, int v) { calls.push_back(what + " " + std::to_string(v)); }
    // The number of calls whose line begins with prefix.
    [[nodiscard]] int Count(const std::string& prefix) const {
        int n = 0;
        for (const auto& c : calls) {
            n += c.rfind(prefix, 0) == 0;
        }
        return n;
    }
    // The lines that begin with prefix, without it.
    [[nodiscard]] std::vector<std::string> With(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& c : calls) {
            if (c.rfind(prefix, 0) == 0) {
                out.push_back(c.substr(prefix.size()));
            }
        }
        return out;
    }

    std::vector<std::string> calls;
    RunState* run = nullptr;     // when set, RunStop stops the run as the program does
    std::vector<uint8_t> saved;  // the auto-save blocks, one after the other

  private:
    Capture* capture_ = nullptr;
};
