#include "run/RunController.h"

#include "base/Status.h"
#include "link/CommLink.h"

using Phase = RunControlState::Phase;
using Command = RunControlState::Command;
using Verdict = RunControlState::Verdict;

bool RunController::Waiting() const {
    return state_.phase() == Phase::Probing || state_.phase() == Phase::SendingSettings;
}

// Each change of phase is told to the host, which shows what the commands may do now.
Verdict RunController::begin(Command command) {
    const Verdict verdict = state_.Begin(command);
    if (verdict != Verdict::Refused && Waiting()) {
        host_.WaitChanged();  // a wait begins, or a stop was asked for during one
    }
    return verdict;
}

bool RunController::probed(bool found) {
    const bool goOn = state_.Probed(found);
    host_.WaitChanged();
    return goOn;
}

bool RunController::settingsSent(bool sent) {
    const bool start = state_.SettingsSent(sent);
    host_.WaitChanged();
    return start;
}

bool RunController::reopen(Verdict verdict) {
    if (verdict == Verdict::GoAfterStop) {
        link_->SendQueued();  // the unit stops streaming before the probe asks for its version
    }
    link_->PortClose();
    lossTold_ = false;
    if (link_->PortOpen() == status::kDone) {
        return true;
    }
    if (!link_->Closing() && !lossTold_) {
        host_.NotConnected(link_->DeniedPort());
    }
    return false;
}

RunController::Outcome RunController::Start() {
    const Verdict verdict = begin(Command::Start);
    if (verdict == Verdict::Refused) {
        return Outcome::Busy;
    }
    host_.StartBegins();
    const bool found = reopen(verdict);
    if (!probed(found && host_.ConfirmStart())) {
        return found ? Outcome::Cancelled : Outcome::NotFound;
    }
    host_.SendingSettings();
    const bool sent = link_->SendCommParam() == status::kDone;
    if (!settingsSent(sent)) {
        // A stop during the settings has done its work already; a unit lost meanwhile has been
        // told of, and a program that is ending shuts down by itself.
        if (!state_.stopAsked() && !link_->Closing()) {
            host_.StartAbandoned();
        }
        return Outcome::Failed;
    }
    run_.gintIdleReq = status::kDone;
    host_.PrepareRun();
    link_->ResetLineState();
    run_.gsngIdleStart = clock_.Timer();
    link_->QueueCommand("G01");
    return Outcome::Started;
}

bool RunController::AwaitStart() {
    link_->SendQueued();
    return state_.phase() == Phase::Running;
}

void RunController::StartAccepted() {
    state_.Accepted();
    host_.Accepted();
}

void RunController::Stop(StopCause cause) {
    if (begin(Command::Stop) == Verdict::Refused) {
        return;
    }
    // A start not yet accepted is taken back: its "OK" must not start a stopped run, and the
    // replies to "G00" must not count as a refused start, which would queue "G01" again.
    link_->CancelStart();
    for (int i = 0; i < 3; ++i) {
        link_->QueueCommand("G00");
    }
    if (afterStop_ == AfterStop::Keep && run_.gintRun == 1 && link_->IsOpen()) {
        link_->decoder().KeepUntilStopped();
        keeping_ = true;
        pendingCause_ = cause;
        return;
    }
    endRun(cause);
}

void RunController::AwaitStopped() {
    link_->SendQueued();
    if (keeping_) {
        keeping_ = false;
        link_->decoder().StopKeeping();  // ends it where no acknowledgement came
        endRun(pendingCause_);
    }
}

void RunController::Shutdown() {
    for (int i = 0; i < 3; ++i) {
        link_->QueueCommand("G00");
    }
    run_.gintRun = 0;
    // The stop commands reach the unit before the port closes (PortClose writes one itself
    // when the unit does not answer or the program is ending in a hurry).
    link_->SendQueued();
}

void RunController::endRun(StopCause cause) {
    run_.gintRun = 0;
    host_.Stopped(cause);
}

bool RunController::ApplySettings() {
    const Verdict verdict = begin(Command::Settings);
    if (verdict == Verdict::Refused || !probed(reopen(verdict))) {
        return false;
    }
    const bool sent = link_->SendCommParam() == status::kDone;
    settingsSent(sent);
    return sent;
}

bool RunController::ProbeForSimulator() {
    // The port is probed unless a run is under way, where that would end the run.
    const Verdict verdict = begin(Command::Simulator);
    if (verdict == Verdict::Refused) {
        return false;
    }
    return verdict == Verdict::GoWithoutProbe || probed(reopen(verdict));
}

void RunController::LinkLost() {
    const Phase phase = state_.phase();
    const bool running = phase == Phase::Starting || phase == Phase::Running || keeping_;
    state_.Lost();
    keeping_ = false;
    link_->decoder().StopKeeping();
    if (running) {
        endRun(StopCause::Lost);
    }
    if (!lossTold_) {
        lossTold_ = true;
        host_.UnitLost();
    }
}
