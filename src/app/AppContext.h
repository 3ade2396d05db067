#pragma once
#include <string>

#include "app/CoreState.h"
#include "base/Clock.h"
#include "base/Prompts.h"
#include "files/AutoSave.h"
#include "link/PortFactory.h"
#include "trigger/TriggerEngine.h"
#include "trigger/Triggers.h"

// Everything one running program shares: the core state, the trigger definitions and their
// evaluation, the clock, prompt and port seams, the program folder and auto-save, which
// receives the capture's full blocks. Tests build a fresh one per case.
struct AppContext {
    AppContext(const Clock& c, Prompts& p, PortFactory& f, std::string folder)
        : clock(c), prompts(p), ports(f), programFolder(std::move(folder)) {
        core.capture.setAutoSaveSink(&autoSave);
    }
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    CoreState core;
    Triggers triggers;
    const Clock& clock;
    Prompts& prompts;
    PortFactory& ports;
    std::string programFolder;
    AutoSave autoSave{core.settings, core.run, core.capture, clock, programFolder};
    TriggerEngine trigEngine{triggers, core.run, core.capture, clock};
};
