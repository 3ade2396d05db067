#include "run/RunControlState.h"

using Phase = RunControlState::Phase;
using Command = RunControlState::Command;
using Verdict = RunControlState::Verdict;

Verdict RunControlState::judge(Command command) const {
    switch (command) {
        case Command::Start:
        case Command::Settings:
            if (phase_ == Phase::Stopped) {
                return Verdict::Go;
            }
            return phase_ == Phase::Stopping ? Verdict::GoAfterStop : Verdict::Refused;
        case Command::Simulator:
            switch (phase_) {
                case Phase::Stopped:
                    return Verdict::Go;
                case Phase::Stopping:
                    return Verdict::GoAfterStop;
                case Phase::Starting:
                case Phase::Running:
                    return Verdict::GoWithoutProbe;
                default:
                    return Verdict::Refused;
            }
        case Command::Stop:
            if (phase_ == Phase::SendingSettings) {
                return purpose_ == Command::Start && !stopAsked_ ? Verdict::Go : Verdict::Refused;
            }
            return phase_ == Phase::Starting || phase_ == Phase::Running ? Verdict::Go
                                                                         : Verdict::Refused;
        case Command::Background:
            return phase_ == Phase::Running ? Verdict::Go : Verdict::Refused;
    }
    return Verdict::Refused;
}

Verdict RunControlState::begin(Command command) {
    const Verdict verdict = judge(command);
    if (verdict != Verdict::Go && verdict != Verdict::GoAfterStop) {
        return verdict;
    }
    switch (command) {
        case Command::Start:
        case Command::Settings:
        case Command::Simulator:
            phase_ = Phase::Probing;
            purpose_ = command;
            stopAsked_ = false;
            break;
        case Command::Stop:
            if (phase_ == Phase::SendingSettings) {
                stopAsked_ = true;
            } else {
                phase_ = Phase::Stopping;
            }
            break;
        case Command::Background:
            break;
    }
    return verdict;
}

bool RunControlState::probed(bool found) {
    if (phase_ != Phase::Probing) {
        return false;
    }
    phase_ = found && purpose_ != Command::Simulator ? Phase::SendingSettings : Phase::Stopped;
    return found;
}

bool RunControlState::settingsSent(bool sent) {
    if (phase_ != Phase::SendingSettings) {
        return false;
    }
    if (stopAsked_) {
        phase_ = Phase::Stopping;  // the stop's "G00" went out behind the settings
        return false;
    }
    const bool start = sent && purpose_ == Command::Start;
    phase_ = start ? Phase::Starting : Phase::Stopped;
    return start;
}

void RunControlState::accepted() {
    if (phase_ == Phase::Starting) {
        phase_ = Phase::Running;
    }
}

void RunControlState::lost() {
    if (phase_ == Phase::Starting || phase_ == Phase::Running || phase_ == Phase::Stopping) {
        phase_ = Phase::Stopped;
    }
}
