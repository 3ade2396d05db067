#include "link/Decoder.h"

#include <algorithm>
#include <cstddef>

#include "base/Status.h"
#include "capture/Records.h"

void Decoder::onReceive(const uint8_t* data, size_t size) {
    if (size == 0) {
        return;
    }
    for (DecoderObserver* o : observers_) {
        o->setIdleTimer(false);
        if (settings_.gintTimeStamp == 1) {
            o->setStampTimer(false);
        }
    }
    size_t start = 0;
    if (run_.gintRun == 0) {
        start = replyPhase(data, size);
    }
    if (run_.gintRun == 1 && start < size) {
        start += capturePhase(data + start, size - start);
        if (start < size) {
            replyPhase(data + start, size - start);  // the replies after an acknowledged stop
        }
    }
    for (DecoderObserver* o : observers_) {
        if (settings_.gintIdleMode > 0) {
            o->setIdleTimer(true);
        }
        if (settings_.gintTimeStamp == 1) {
            o->setStampTimer(true);
        }
        o->batchDone();
    }
}

size_t Decoder::replyPhase(const uint8_t* data, size_t size) {
    if (lintProbe != 0 && isProbeReply(lstrRecv)) {
        return size;  // the probe has its reply and has not taken it yet
    }
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
                for (DecoderObserver* o : observers_) {
                    o->startAccepted();
                }
                accepted = true;
            } else if (run_.gintStartTry < kMaxStartTries) {
                commands_.queueCommand("G01");
            } else {
                run_.gintStartTry = 0;
                for (DecoderObserver* o : observers_) {
                    o->startRefused();
                }
            }
        }
        commands_.enableSend();
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
        // A probe looks only at its own reply: a line before it (a late answer to a command
        // sent before the port was opened again) is dropped.
        if (isProbeReply(lstrRecv)) {
            return size;
        }
        lstrRecv.clear();
    }
    return size;
}

void Decoder::storeDigitPairs(uint8_t tag, const char* six) {
    capture_.StoreByte(tag);
    for (int k = 0; k < 3; ++k) {
        const char hi = six[2 * k];
        const char lo = six[2 * k + 1];
        const bool digits = hi >= '0' && hi <= '9' && lo >= '0' && lo <= '9';
        capture_.StoreByte(digits ? static_cast<uint8_t>((hi - '0') * 10 + (lo - '0')) : 0);
    }
}

size_t Decoder::capturePhase(const uint8_t* data, size_t size) {
    // A first byte carried over from the last batch is the pair state this batch starts
    // with, so the stream decodes the same however the port splits it.
    bool expectSecond = capture_.gintPending() == status::kPending;
    uint8_t first = capture_.gbytePending();
    capture_.setPending(status::kDone, 0);
    bool sawData = false;
    size_t used = size;

    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = data[i];
        if ((b & 0x80) == 0) {
            if (keepUntilStopped_) {
                if (heldByte(b)) {
                    used = i + 1;
                    break;
                }
                continue;
            }
            // 0x00..0x3F is no capture byte at all (line-state bytes carry bit 6): storing
            // one would read back as the start of a time-stamp or idle record.
            if ((b & 0x40) != 0) {
                LineState(b);
            }
            continue;
        }
        if (heldLen_ != 0) {
            releaseHeld(heldLen_);  // a capture byte follows: they were line states
        }
        if (run_.gintIdleReq == status::kPending) {
            storeDigitPairs(rec::kIdle, run_.gstrIdle);
            run_.gintIdleReq = status::kDone;
        }
        if (!sawData) {
            sawData = true;
            if (run_.gintStampReq == status::kPending) {
                const std::string now = clock_.timeText();
                if (run_.gintRireki == 0) {
                    for (DecoderObserver* o : observers_) {
                        o->DispTimeStamp(now);
                    }
                }
                storeDigitPairs(rec::kStamp, now.c_str());
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
            for (DecoderObserver* o : observers_) {
                o->DispMonitor(first, b);
            }
        }
        capture_.StoreByte(first);
        capture_.StoreByte(b);
        if (run_.gintStopReq == status::kPending && capture_.glngDatLen() > run_.glngStopPos) {
            for (DecoderObserver* o : observers_) {
                o->RunStop();
            }
            run_.gintStopReq = status::kDone;
        }
        if (run_.gintSaveStopReq == status::kPending &&
            capture_.glngDatLen() > run_.glngSaveStopPos) {
            for (DecoderObserver* o : observers_) {
                o->AutoSaveFlush();
            }
            run_.gintAutoSave = 0;
            run_.gintSaveStopReq = status::kDone;
        }
    }

    if (expectSecond) {
        capture_.setPending(status::kPending, first);
    }
    if (sawData) {
        run_.gsngIdleStart = clock_.timer();
    }
    return used;
}

bool Decoder::heldByte(uint8_t b) {
    if (b == '\r') {
        // The acknowledgement of the stop: "OK" and CR after the last capture byte. What was
        // held before the "OK" were line states; held bytes without it were the reply.
        size_t lines = 0;
        if (heldLen_ >= 2 && held_[heldLen_ - 2] == 'O' && held_[heldLen_ - 1] == 'K') {
            lines = heldLen_ - 2;
        }
        releaseHeld(lines);
        heldLen_ = 0;
        keepUntilStopped_ = false;
        run_.gintRun = 0;
        lstrRecv.clear();
        commands_.enableSend();  // the next queued command may go
        return true;
    }
    if ((b & 0x40) == 0) {
        return false;  // neither a capture byte nor a line state
    }
    if (heldLen_ == kMaxHeld) {
        releaseHeld(1);  // too long for a reply: the oldest was a line state
    }
    held_[heldLen_++] = b;
    return false;
}

void Decoder::releaseHeld(size_t count) {
    for (size_t k = 0; k < count; ++k) {
        LineState(held_[k]);
    }
    std::copy(held_.begin() + static_cast<std::ptrdiff_t>(count),
              held_.begin() + static_cast<std::ptrdiff_t>(heldLen_), held_.begin());
    heldLen_ -= count;
}

void Decoder::stopKeeping() {
    releaseHeld(heldLen_);
    keepUntilStopped_ = false;
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
        for (DecoderObserver* o : observers_) {
            if (settings_.gintLineState == 1) {
                o->setLineLamp(k, on);
            }
            o->TrigCheckLine(k, on ? 1 : 2);
        }
    }
    lbyteLine = b;
    capture_.StoreByte(b);
    capture_.StoreByte(rec::kLineTail);
}

void Decoder::ResetLineState() {
    lbyteLine = 0;
    for (int k = 0; k < 6; ++k) {
        for (DecoderObserver* o : observers_) {
            o->setLineLamp(k, false);
        }
    }
}
