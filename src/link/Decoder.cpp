#include "link/Decoder.h"

#include "capture/Records.h"
#include "core/Status.h"

void Decoder::OnReceive(const uint8_t* data, size_t size) {
    if (size == 0) {
        return;
    }
    hooks_.timers.SetIdleTimer(false);
    if (settings_.gintTimeStamp == 1) {
        hooks_.timers.SetStampTimer(false);
    }
    size_t start = 0;
    if (run_.gintRun == 0) {
        start = ReplyPhase(data, size);
    }
    if (run_.gintRun == 1 && start < size) {
        CapturePhase(data + start, size - start);
    }
    if (settings_.gintIdleMode > 0) {
        hooks_.timers.SetIdleTimer(true);
    }
    if (settings_.gintTimeStamp == 1) {
        hooks_.timers.SetStampTimer(true);
    }
}

size_t Decoder::ReplyPhase(const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = data[i];
        if (lstrRecv.size() < kMaxReply) {
            lstrRecv += static_cast<char>(b);
        }
        if (b != '\r') {
            continue;
        }
        bool accepted = false;
        if (run_.gintStartTry > 0) {
            if (lstrRecv == "OK\r") {
                run_.gintRun = 1;
                run_.gintStartTry = 0;
                hooks_.runControl.StartAccepted();
                accepted = true;
            } else if (run_.gintStartTry < kMaxStartTries) {
                hooks_.commands.QueueCommand("G01");
            } else {
                run_.gintStartTry = 0;
                hooks_.runControl.StartRefused();
            }
        }
        hooks_.commands.EnableSend();
        if (accepted) {
            if (lintProbe == 0) {
                lstrRecv.clear();
            }
            return i + 1;
        }
        if (lintProbe == 0) {
            lstrRecv.clear();
            return size;  // bytes after a reply that did not start a run are discarded
        }
    }
    return size;
}

void Decoder::StoreDigitPairs(uint8_t tag, const char* six) {
    capture_.StoreByte(tag);
    for (int k = 0; k < 3; ++k) {
        const char hi = six[2 * k];
        const char lo = six[2 * k + 1];
        const bool digits = hi >= '0' && hi <= '9' && lo >= '0' && lo <= '9';
        capture_.StoreByte(digits ? static_cast<uint8_t>((hi - '0') * 10 + (lo - '0')) : 0);
    }
}

void Decoder::CapturePhase(const uint8_t* data, size_t size) {
    // A first byte carried over from the last batch is the pair state this batch starts
    // with, so the stream decodes the same however the port splits it.
    bool expectSecond = capture_.gintPending() == status::kPending;
    uint8_t first = capture_.gbytePending();
    capture_.SetPending(status::kDone, 0);
    bool sawData = false;

    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = data[i];
        if ((b & 0x80) == 0) {
            // 0x00..0x3F is no capture byte at all (line-state bytes carry bit 6): storing
            // one would read back as the start of a time-stamp or idle record.
            if ((b & 0x40) != 0) {
                LineState(b);
            }
            continue;
        }
        if (run_.gintIdleReq == status::kPending) {
            StoreDigitPairs(rec::kIdle, run_.gstrIdle);
            run_.gintIdleReq = status::kDone;
        }
        if (!sawData) {
            sawData = true;
            if (run_.gintStampReq == status::kPending) {
                const std::string now = hooks_.clock.TimeText();
                if (run_.gintRireki == 0) {
                    hooks_.live.DispTimeStamp(now);
                }
                StoreDigitPairs(rec::kStamp, now.c_str());
                run_.gintStampReq = status::kDone;
            }
        }
        if ((b & 0x40) == 0) {
            first = b;  // a first byte; one that lost its partner is replaced
            expectSecond = true;
            continue;
        }
        if (!expectSecond) {
            continue;  // a second byte without a first one has no partner: dropped
        }
        expectSecond = false;
        if (run_.gintRireki == 0) {
            hooks_.live.DispMonitor(first, b);
        }
        capture_.StoreByte(first);
        capture_.StoreByte(b);
        if (run_.gintStopReq == status::kPending && capture_.glngDatLen() > run_.glngStopPos) {
            hooks_.runControl.RunStop();
            run_.gintStopReq = status::kDone;
        }
        if (run_.gintSaveStopReq == status::kPending &&
            capture_.glngDatLen() > run_.glngSaveStopPos) {
            hooks_.runControl.AutoSaveFlush();
            run_.gintAutoSave = 0;
            run_.gintSaveStopReq = status::kDone;
        }
    }

    if (expectSecond) {
        capture_.SetPending(status::kPending, first);
    }
    if (sawData) {
        run_.gsngIdleStart = hooks_.clock.Timer();
    }
}

void Decoder::LineState(uint8_t b) {
    if (b == lbyteLine) {
        return;
    }
    const unsigned changed = static_cast<unsigned>(b ^ lbyteLine);
    for (int k = 0; k < 6; ++k) {
        if (((changed >> k) & 1U) == 0) {
            continue;
        }
        const bool on = ((b >> k) & 1) != 0;
        if (settings_.gintLineState == 1) {
            hooks_.lamps.SetLineLamp(k, on);
        }
        hooks_.triggers.TrigCheckLine(k, on ? 1 : 2);
    }
    lbyteLine = b;
    capture_.StoreByte(b);
    capture_.StoreByte(rec::kLineTail);
}

void Decoder::ResetLineState() {
    lbyteLine = 0;
    for (int k = 0; k < 6; ++k) {
        hooks_.lamps.SetLineLamp(k, false);
    }
}
