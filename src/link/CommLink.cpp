#include "link/CommLink.h"

#include <algorithm>
#include <utility>

#include "base/Status.h"
#include "link/CommParam.h"

CommLink::CommLink(LinkState state, const Clock& clock, CommParamView& statusBar,
                   DecoderObservers observers, LinkDevices devices)
    : settings_(state.settings),
      run_(state.run),
      statusBar_(statusBar),
      port_(devices.port),
      timers_(devices.timers),
      wait_(devices.wait),
      observers_(observers),
      decoder_(state.run, state.capture, state.settings, std::move(observers), *this, clock) {}

int16_t CommLink::PortOpen() {
    report_ = {};
    if (settings_.gintPortAuto != 1) {
        return ProbePort(settings_.gintPortNo);
    }
    if (settings_.gintPortNo > 0 && ProbePort(settings_.gintPortNo) == status::kDone) {
        return status::kDone;
    }
    for (int n = 1; n <= kMaxPort && !wait_.closing(); ++n) {
        if (ProbePort(n) == status::kDone) {
            settings_.gintPortNo = static_cast<int16_t>(n);
            return status::kDone;
        }
    }
    return status::kFailed;
}

int16_t CommLink::ProbePort(int n) {
    if (n <= 0) {
        return status::kFailed;
    }
    const PortOpenResult opened = port_.open(n);
    report_.tried.push_back({n, opened});
    if (!opened.opened()) {
        return status::kFailed;
    }
    queueCommand("L?");
    lintPortTimeout = 0;
    decoder_.lintProbe = 1;
    timers_.enablePortCheck(false);  // each probe gets its full time-out
    timers_.enablePortCheck(true);

    const WaitScope scope(waits_);
    for (;;) {
        if (Decoder::isProbeReply(decoder_.lstrRecv)) {
            gstrUnitVer = decoder_.lstrRecv.substr(1, 3);
            decoder_.lstrRecv.clear();
            decoder_.lintProbe = 0;
            timers_.enablePortCheck(false);
            return status::kDone;
        }
        if (lintPortTimeout != 0 || wait_.closing() || !port_.isOpen()) {
            break;
        }
        wait_.waitOnce();
    }
    timers_.enablePortCheck(false);
    if (lintPortTimeout != 0 && port_.isOpen()) {
        // Another program that reads the port may have taken the reply.
        report_.tried.back().result.holder = port_.sharers();
    }
    PortClose();
    decoder_.lintProbe = 0;
    return status::kFailed;
}

void CommLink::PortClose() {
    if (port_.isOpen() && std::ranges::find(lstCommand, "G00") != lstCommand.end()) {
        port_.write("G00\r");
    }
    port_.close();
    timers_.enableSend(false);
    lstCommand.clear();
    run_.gintSending = 0;
    run_.gintStartTry = 0;  // a start sent over this port can no longer be answered
}

void CommLink::sendQueued() {
    if (!port_.isOpen() || (lstCommand.empty() && run_.gintSending == 0)) {
        return;
    }
    awaitAnswers();
}

bool CommLink::awaitAnswers() {
    lintPortTimeout = 0;
    timers_.enablePortCheck(false);
    timers_.enablePortCheck(true);
    const WaitScope scope(waits_);
    queueWait_ = true;
    while ((!lstCommand.empty() || run_.gintSending != 0) && port_.isOpen() &&
           lintPortTimeout == 0 && !wait_.closing()) {
        wait_.waitOnce();
    }
    queueWait_ = false;
    timers_.enablePortCheck(false);
    return lstCommand.empty() && run_.gintSending == 0 && port_.isOpen();
}

void CommLink::waitWhile(const std::function<bool()>& goOn) {
    const WaitScope scope(waits_);
    while (goOn() && port_.isOpen() && !wait_.closing()) {
        wait_.waitOnce();
    }
}

void CommLink::cancelStart() {
    std::erase(lstCommand, "G01");
    run_.gintStartTry = 0;
}

int16_t CommLink::SendCommParam() {
    // A speed the unit does not know goes out as 9600, and the settings say so from now on.
    settings_.glngSpeed = knownSpeed(settings_.glngSpeed);
    const std::array<std::string, 4> commands = commParamCommands(settings_);
    statusBar_.showCommParam(commParamText(settings_));
    if (!port_.isOpen()) {
        return status::kFailed;
    }
    sent_.clear();
    lstCommand.insert(lstCommand.end(), commands.begin(), commands.end());
    run_.gintSending = 1;
    timers_.enableSend(true);
    if (awaitAnswers()) {
        return status::kDone;
    }
    if (lintPortTimeout != 0 && port_.isOpen() && !wait_.closing()) {
        report_.unanswered = sent_.empty() ? commands.front() : sent_;
        report_.sharers = port_.sharers();
    }
    return status::kFailed;
}

void CommLink::queueCommand(const std::string& command) {
    lstCommand.push_back(command);
    timers_.enableSend(true);
}

void CommLink::enableSend() {
    timers_.enableSend(true);
}

void CommLink::onLinkLost() {
    PortClose();
    for (DecoderObserver* o : observers_) {
        o->linkLost();
    }
}

void CommLink::timSend_Timer() {
    timers_.enableSend(false);
    if (lstCommand.empty()) {
        run_.gintSending = 0;
        return;
    }
    decoder_.lstrRecv.clear();
    const std::string& command = lstCommand.front();
    if (command == "G01") {
        run_.gintStartTry += 1;
        decoder_.lbyteLine = 0;
    }
    // A failed write is the loss of the unit, which the port reports.
    port_.write(command + '\r');
    sent_ = command;
    lstCommand.pop_front();
    run_.gintSending = 1;
    if (queueWait_) {
        // Each command of a queue that is waited for has its own time-out: a unit that takes
        // most of it for each answer is slow, not gone.
        timers_.enablePortCheck(false);
        timers_.enablePortCheck(true);
    }
}

void CommLink::timPortCheck_Timer() {
    timers_.enablePortCheck(false);
    lintPortTimeout = 1;
}
