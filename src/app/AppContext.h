#pragma once
#include <string>

#include "core/Clock.h"
#include "core/CoreState.h"
#include "core/Prompts.h"
#include "trigger/TriggerEngine.h"
#include "trigger/Triggers.h"

// Everything one running program shares: the core state, the trigger definitions and their
// evaluation, the clock and prompt seams and the program folder. Tests build a fresh one per
// case.
struct AppContext {
    AppContext(const Clock& c, Prompts& p, std::string folder)
        : clock(c), prompts(p), programFolder(std::move(folder)) {}

    CoreState core;
    Triggers triggers;
    const Clock& clock;
    Prompts& prompts;
    std::string programFolder;
    TriggerEngine trigEngine{triggers, core.run, core.capture, clock};
};
