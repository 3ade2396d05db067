#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "link/DecoderHooks.h"
#include "link/LinkSeams.h"
#include "trigger/TriggerChecks.h"

// Stands in for the rest of the program around the link: counts what the decoder draws and
// records the status-bar texts and run-control calls.
struct LinkHookLog final : LiveView,
                           RunControl,
                           LineIndicators,
                           TriggerChecks,
                           IdleTimers,
                           CommParamView {
    void DispMonitor(uint8_t, uint8_t) override { ++pairsDrawn; }
    void DispTimeStamp(const std::string&) override {}
    void RunStop() override { ++stops; }
    void MenuEnable() override { ++menuEnables; }
    void AutoSaveFlush() override {}
    void SetLineLamp(int, bool) override {}
    void TrigCheckChr(int, uint8_t) override {}
    void TrigCheckErr(int) override {}
    void TrigCheckLine(int, int) override {}
    void TrigCheckTime() override {}
    void SetIdleTimer(bool) override {}
    void SetStampTimer(bool) override {}
    void ShowCommParam(const std::string& text) override { statusTexts.push_back(text); }

    long pairsDrawn = 0;
    int stops = 0;
    int menuEnables = 0;
    std::vector<std::string> statusTexts;
};
