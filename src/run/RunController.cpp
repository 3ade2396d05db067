#include "run/RunController.h"

#include "base/Status.h"
#include "link/CommLink.h"

using Phase = RunControlState::Phase;
using Command = RunControlState::Command;
using Verdict = RunControlState::Verdict;

bool RunController::waiting() const {
    return state_.phase() == Phase::Probing || state_.phase() == Phase::SendingSettings;
}

// Each change of phase is told to the host, which shows what the commands may do now.
Verdict RunController::begin(Command command) {
    const Verdict verdict = state_.begin(command);
    if (verdict != Verdict::Refused && waiting()) {
        host_.waitChanged();  // a wait begins, or a stop was asked for during one
    }
    return verdict;
}

bool RunController::probed(bool found) {
    const bool goOn = state_.probed(found);
    host_.waitChanged();
    return goOn;
}

bool RunController::settingsSent(bool sent) {
    const bool start = state_.settingsSent(sent);
    host_.waitChanged();
    return start;
}

bool RunController::reopen(Verdict verdict) {
    if (verdict == Verdict::GoAfterStop) {
        link_->sendQueued();  // the unit stops streaming before the probe asks for its version
    }
    link_->PortClose();
    lossTold_ = false;
    if (link_->PortOpen() == status::kDone) {
        return true;
    }
    if (!link_->closing() && !lossTold_) {
        host_.notConnected(link_->report());
    }
    return false;
}

RunController::Outcome RunController::start() {
    const Verdict verdict = begin(Command::Start);
    if (verdict == Verdict::Refused) {
        return Outcome::Busy;
    }
    host_.startBegins();
    const bool found = reopen(verdict);
    if (!probed(found && host_.confirmStart())) {
        return found ? Outcome::Cancelled : Outcome::NotFound;
    }
    host_.sendingSettings();
    const bool sent = link_->SendCommParam() == status::kDone;
    if (!settingsSent(sent)) {
        // A stop during the settings has done its work already; a unit lost meanwhile has been
        // told of, and a program that is ending shuts down by itself.
        if ((settingsUnanswered() || !state_.stopAsked()) && !link_->closing()) {
            host_.startAbandoned();
        }
        return Outcome::Failed;
    }
    run_.gintIdleReq = status::kDone;
    host_.prepareRun();
    link_->ResetLineState();
    run_.gsngIdleStart = clock_.timer();
    link_->queueCommand("G01");
    return Outcome::Started;
}

bool RunController::awaitStart() {
    link_->sendQueued();
    return state_.phase() == Phase::Running;
}

void RunController::startAccepted() {
    state_.accepted();
    host_.accepted();
}

void RunController::stop(StopCause cause) {
    if (begin(Command::Stop) == Verdict::Refused) {
        return;
    }
    // A start not yet accepted is taken back: its "OK" must not start a stopped run, and the
    // replies to "G00" must not count as a refused start, which would queue "G01" again.
    link_->cancelStart();
    for (int i = 0; i < 3; ++i) {
        link_->queueCommand("G00");
    }
    if (afterStop_ == AfterStop::Keep && run_.gintRun == 1 && link_->isOpen()) {
        link_->decoder().keepUntilStopped();
        keeping_ = true;
        pendingCause_ = cause;
        return;
    }
    endRun(cause);
}

void RunController::awaitStopped() {
    link_->sendQueued();
    if (keeping_) {
        keeping_ = false;
        link_->decoder().stopKeeping();  // ends it where no acknowledgement came
        endRun(pendingCause_);
    }
}

void RunController::shutdown() {
    for (int i = 0; i < 3; ++i) {
        link_->queueCommand("G00");
    }
    run_.gintRun = 0;
    // The stop commands reach the unit before the port closes (PortClose writes one itself
    // when the unit does not answer or the program is ending in a hurry).
    link_->sendQueued();
}

void RunController::endRun(StopCause cause) {
    run_.gintRun = 0;
    host_.stopped(cause);
}

bool RunController::applySettings() {
    const Verdict verdict = begin(Command::Settings);
    if (verdict == Verdict::Refused || !probed(reopen(verdict))) {
        return false;
    }
    const bool sent = link_->SendCommParam() == status::kDone;
    settingsSent(sent);
    if (!sent) {
        settingsUnanswered();
    }
    return sent;
}

bool RunController::settingsUnanswered() {
    if (link_->report().unanswered.empty() || !link_->isOpen()) {
        return false;
    }
    link_->queueCommand("G00");  // written by the close: a unit that hears may be streaming
    link_->PortClose();
    host_.notConnected(link_->report());
    return true;
}

bool RunController::probeForSimulator() {
    // The port is probed unless a run is under way, where that would end the run.
    const Verdict verdict = begin(Command::Simulator);
    if (verdict == Verdict::Refused) {
        return false;
    }
    return verdict == Verdict::GoWithoutProbe || probed(reopen(verdict));
}

void RunController::linkLost() {
    const Phase phase = state_.phase();
    const bool running = phase == Phase::Starting || phase == Phase::Running || keeping_;
    state_.lost();
    keeping_ = false;
    link_->decoder().stopKeeping();
    if (running) {
        endRun(StopCause::Lost);
    }
    if (!lossTold_) {
        lossTold_ = true;
        host_.unitLost();
    }
}
