#pragma once
#include <gtest/gtest.h>

#include <QTimer>
#include <vector>

#include "ViewFakes.h"
#include "link/Decoder.h"
#include "support/FakeClock.h"
#include "view/frmMonitor.h"

// The monitor window of 20 columns x 10 lines with the real decoder, during a run: batches
// from the unit go through the decoder into the capture and the live view, and quiet time
// on a fake clock fires the window's idle and time-stamp timers as Qt would.
class LiveScenario : public ::testing::Test {
  protected:
    // Passes the decoder's timer calls on to the window and notes when each timer started.
    struct TimerStarts final : DecoderObserver {
        explicit TimerStarts(DecoderObserver& target) : window(target) {}
        void setIdleTimer(bool enabled) override {
            window.setIdleTimer(enabled);
            idleMs = 0;
        }
        void setStampTimer(bool enabled) override {
            window.setStampTimer(enabled);
            stampMs = 0;
        }
        DecoderObserver& window;
        int idleMs = 0;  // time since the last start
        int stampMs = 0;
    };

    LiveScenario()
        : monitor(state.monitor(), clock, status, around),
          decoder(state.run, state.capture, state.settings,
                  DecoderObservers{&monitor.live(), &around, &timers}, around, clock) {
        state.capture.AllocBuffer(10);
        state.grid = GridState{20, 10, 200, 0, 1};
        monitor.timResize_Timer();
        state.run.gintRun = 1;
        clock.SetTime(9, 30, 0);
        state.run.gsngIdleStart = clock.timer();
    }

    // One batch as the port delivers it.
    void Receive(const std::vector<uint8_t>& bytes) {
        decoder.onReceive(bytes.data(), bytes.size());
    }
    // One batch of n data pairs v, v + 1 ... alternating RD and SD, with a line-state change
    // before every lineEvery-th pair when lineEvery > 0.
    void Pairs(int n, uint8_t v = 0x41, int lineEvery = 0) {
        std::vector<uint8_t> bytes;
        for (int i = 0; i < n; ++i) {
            if (lineEvery > 0 && i % lineEvery == 0) {
                bytes.push_back(static_cast<uint8_t>(0x40 | (i / lineEvery) % 64));
            }
            const auto [a, b] = Pair(static_cast<uint8_t>(v + i % 26), i % 2 == 1);
            bytes.insert(bytes.end(), {a, b});
        }
        Receive(bytes);
    }
    // After a menu command that started the idle or time-stamp timer.
    void TimersStarted() {
        timers.idleMs = 0;
        timers.stampMs = 0;
    }
    // Lets ms of quiet pass on the fake clock, firing each timer only while it is active and
    // once per interval counted from its last start.
    void Quiet(int ms) {
        for (int t = 0; t < ms; ++t) {
            clock.Advance(1);
            QTimer* idle = timer("timIdle");
            if (idle->isActive() && ++timers.idleMs % idle->interval() == 0) {
                monitor.timIdle_Timer();
            }
            QTimer* stamp = timer("timStamp");
            if (stamp->isActive() && ++timers.stampMs == stamp->interval()) {
                monitor.timStamp_Timer();
            }
        }
    }
    // The stop of the run as run control makes it: the capture converted, the history placed
    // and drawn at its top.
    void Stop(bool backgroundChecked = false) {
        state.run.gintRun = 0;
        state.capture.CopyDat(state.capture.gbyteDat().data(), state.capture.glngDatLen());
        monitor.placeHistory(backgroundChecked);
        state.run.gintRireki = 1;
        monitor.dispRirekiAt(-1);
    }
    // The start of a plain run after a stop.
    void Resume() {
        state.run.gintIdleReq = 0;
        monitor.SetRestartPos();
        state.run.gintRireki = 0;
        state.run.gintRun = 1;
    }

    std::vector<uint8_t> Stored() const {
        const Capture& c = state.capture;
        return {c.gbyteDat().begin(), c.gbyteDat().begin() + c.glngDatLen()};
    }
    std::string Text(CellRow row, int32_t k) const {
        return TextAt(state, monitor.cells(), row, k);
    }
    QTimer* timer(const char* name) {
        return monitor.findChild<QTimer*>(QString::fromLatin1(name));
    }
    // Every cell of both rows.
    std::vector<Cell> Screen() const {
        std::vector<Cell> cells;
        for (const CellRow row : {CellRow::RD, CellRow::SD}) {
            for (int32_t k = 0; k < monitor.cells().Size(); ++k) {
                cells.push_back(monitor.cells().at(row, k));
            }
        }
        return cells;
    }
    // The line number panel once it may have changed (the panel changes once in so many
    // frames).
    std::string LinePanel() {
        for (int i = 0; i < LiveRenderer::kLineFrames; ++i) {
            monitor.surface().flushUpdates();
        }
        return status.panels[MonitorStatus::kLinePanel];
    }

    CoreState state;
    FakeClock clock;
    RecordingStatus status;
    RecordingObserver around;  // the triggers and the command queue
    frmMonitor monitor;
    TimerStarts timers{monitor};
    Decoder decoder;
};
