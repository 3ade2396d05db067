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
    deniedPort_.clear();
    if (settings_.gintPortAuto != 1) {
        return ProbePort(settings_.gintPortNo);
    }
    if (settings_.gintPortNo > 0 && ProbePort(settings_.gintPortNo) == status::kDone) {
        return status::kDone;
    }
    for (int n = 1; n <= kMaxPort && !wait_.Closing(); ++n) {
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
    const PortOpenResult opened = port_.Open(n);
    if (!opened.Opened()) {
        if (opened.status == PortOpenResult::Status::NoPermission && deniedPort_.empty()) {
            deniedPort_ = opened.location.empty() ? "COM" + std::to_string(n) : opened.location;
        }
        return status::kFailed;
    }
    QueueCommand("L?");
    lintPortTimeout = 0;
    decoder_.lintProbe = 1;
    timers_.EnablePortCheck(false);  // each probe gets its full time-out
    timers_.EnablePortCheck(true);

    const WaitScope scope(waits_);
    for (;;) {
        if (Decoder::IsProbeReply(decoder_.lstrRecv)) {
            gstrUnitVer = decoder_.lstrRecv.substr(1, 3);
            decoder_.lstrRecv.clear();
            decoder_.lintProbe = 0;
            timers_.EnablePortCheck(false);
            return status::kDone;
        }
        if (lintPortTimeout != 0 || wait_.Closing() || !port_.IsOpen()) {
            break;
        }
        wait_.WaitOnce();
    }
    timers_.EnablePortCheck(false);
    PortClose();
    decoder_.lintProbe = 0;
    return status::kFailed;
}

void CommLink::PortClose() {
    if (port_.IsOpen() && std::ranges::find(lstCommand, "G00") != lstCommand.end()) {
        port_.Write("G00\r");
    }
    port_.Close();
    timers_.EnableSend(false);
    lstCommand.clear();
    run_.gintSending = 0;
    run_.gintStartTry = 0;  // a start sent over this port can no longer be answered
}

void CommLink::SendQueued() {
    if (!port_.IsOpen() || (lstCommand.empty() && run_.gintSending == 0)) {
        return;
    }
    lintPortTimeout = 0;
    timers_.EnablePortCheck(false);
    timers_.EnablePortCheck(true);
    const WaitScope scope(waits_);
    queueWait_ = true;
    while ((!lstCommand.empty() || run_.gintSending != 0) && port_.IsOpen() &&
           lintPortTimeout == 0 && !wait_.Closing()) {
        wait_.WaitOnce();
    }
    queueWait_ = false;
    timers_.EnablePortCheck(false);
}

void CommLink::CancelStart() {
    std::erase(lstCommand, "G01");
    run_.gintStartTry = 0;
}

int16_t CommLink::SendCommParam() {
    // A speed the unit does not know goes out as 9600, and the settings say so from now on.
    settings_.glngSpeed = KnownSpeed(settings_.glngSpeed);
    const std::array<std::string, 4> commands = CommParamCommands(settings_);
    statusBar_.ShowCommParam(CommParamText(settings_));
    if (!port_.IsOpen()) {
        return status::kFailed;
    }
    lstCommand.insert(lstCommand.end(), commands.begin(), commands.end());
    run_.gintSending = 1;
    timers_.EnableSend(true);

    const WaitScope scope(waits_);
    while (run_.gintSending != 0 && port_.IsOpen() && !wait_.Closing()) {
        wait_.WaitOnce();
    }
    return run_.gintSending == 0 && port_.IsOpen() ? status::kDone : status::kFailed;
}

void CommLink::QueueCommand(const std::string& command) {
    lstCommand.push_back(command);
    timers_.EnableSend(true);
}

void CommLink::EnableSend() {
    timers_.EnableSend(true);
}

void CommLink::OnReceive(const uint8_t* data, size_t size) {
    decoder_.OnReceive(data, size);
}

void CommLink::OnLinkLost() {
    PortClose();
    for (DecoderObserver* o : observers_) {
        o->LinkLost();
    }
}

void CommLink::timSend_Timer() {
    timers_.EnableSend(false);
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
    // A failed write is not retried: the queue then waits, as for a unit that does not answer.
    port_.Write(command + '\r');
    lstCommand.pop_front();
    run_.gintSending = 1;
    if (queueWait_) {
        // Each command of a queue that is waited for has its own time-out: a unit that takes
        // most of it for each answer is slow, not gone.
        timers_.EnablePortCheck(false);
        timers_.EnablePortCheck(true);
    }
}

void CommLink::timPortCheck_Timer() {
    timers_.EnablePortCheck(false);
    lintPortTimeout = 1;
}
