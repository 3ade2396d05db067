#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "link/CommLink.h"
#include "link/LinkSeams.h"
#include "link/SerialPort.h"

// A fake event loop with a millisecond clock for the link: the two timers, the bytes the
// fake units send, a link loss and the program closing are events at a time. waitOnce moves
// the clock to the next event and runs it, so a wait of 800 ms takes no real time.
class FakeLinkEnv final : public LinkTimers, public EventWait {
  public:
    static constexpr int64_t kGiveUpMs = 600'000;

    void enableSend(bool on) override { Enable(sendDue_, on, kSendMs); }
    void enablePortCheck(bool on) override { Enable(checkDue_, on, kPortCheckMs); }

    void waitOnce() override {
        ++waits;
        std::optional<int64_t> next = sendDue_;
        for (const std::optional<int64_t>& due : {checkDue_, closeAt_, lossAt_}) {
            if (due && (!next || *due < *next)) {
                next = due;
            }
        }
        if (!deliveries_.empty() && (!next || deliveries_.begin()->first < *next)) {
            next = deliveries_.begin()->first;
        }
        if (!next || *next > kGiveUpMs) {
            ADD_FAILURE() << "the link waits with nothing left to happen";
            programClosing = true;  // ends the wait instead of hanging the test
            return;
        }
        now = *next;
        if (closeAt_ == now) {
            closeAt_.reset();
            programClosing = true;
        } else if (lossAt_ == now) {
            lossAt_.reset();
            deliveries_.clear();
            lost_();
        } else if (sendDue_ == now) {
            sendDue_.reset();
            link->timSend_Timer();
        } else if (checkDue_ == now) {
            checkDue_.reset();
            link->timPortCheck_Timer();
        } else {
            const auto it = deliveries_.begin();
            const std::string bytes = it->second;
            deliveries_.erase(it);
            link->decoder().onReceive(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        }
    }
    [[nodiscard]] bool closing() const override { return programClosing; }
    bool programClosing = false;

    // Lets events run until pred holds; fails the test if nothing is left to happen.
    template <typename Pred>
    void RunUntil(Pred pred) {
        while (!pred() && !programClosing) {
            waitOnce();
        }
    }

    void Deliver(int64_t at, std::string bytes) { deliveries_.emplace(at, std::move(bytes)); }
    void DropDeliveries() { deliveries_.clear(); }
    void CloseAt(int64_t at) { closeAt_ = at; }
    template <typename F>
    void LoseAt(int64_t at, F lost) {
        lossAt_ = at;
        lost_ = lost;
    }

    CommLink* link = nullptr;
    int64_t now = 0;
    int waits = 0;

  private:
    void Enable(std::optional<int64_t>& due, bool on, int ms) {
        if (!on) {
            due.reset();
        } else if (!due) {
            due = now + ms;
        }
    }

    std::optional<int64_t> sendDue_, checkDue_, closeAt_, lossAt_;
    std::multimap<int64_t, std::string> deliveries_;
    std::function<void()> lost_;
};

// Numbered fake ports, each empty, missing, refused, or with a unit on it that answers every
// command after replyMs: "L?" with its probe reply, anything else with "OK".
class FakePorts final : public SerialPort {
  public:
    struct Port {
        PortOpenResult::Status open = PortOpenResult::Status::Opened;
        bool unit = false;
        bool mute = false;
        bool probeOnly = false;  // answers the probe, and nothing after it
        std::string probeReply = "L123\r";
        std::string holder;   // of a Busy port
        std::string sharers;  // other programs with the port open
    };

    explicit FakePorts(FakeLinkEnv& env) : env_(env) {}

    PortOpenResult open(int n) override {
        close();
        opens.push_back(n);
        PortOpenResult result;
        const auto it = ports.find(n);
        result.status = it == ports.end() ? PortOpenResult::Status::NoSuchPort : it->second.open;
        result.location = "/dev/fake" + std::to_string(n);
        if (it != ports.end()) {
            result.holder = it->second.holder;
        }
        if (result.opened()) {
            open_ = n;
        }
        return result;
    }
    void close() override {
        open_ = 0;
        env_.DropDeliveries();
    }
    bool write(const std::string& text) override {
        if (open_ == 0) {
            return false;
        }
        writes.emplace_back(env_.now, text);
        const Port& port = ports[open_];
        if (port.unit && !port.mute && (!port.probeOnly || text == "L?\r")) {
            env_.Deliver(env_.now + replyMs, text == "L?\r" ? port.probeReply : "OK\r");
        }
        return true;
    }
    [[nodiscard]] bool isOpen() const override { return open_ != 0; }
    [[nodiscard]] std::string sharers() const override {
        const auto it = ports.find(open_);
        return it == ports.end() ? std::string() : it->second.sharers;
    }

    // Puts a unit on port n; returns it for further settings.
    Port& Unit(int n) {
        Port& port = ports[n];
        port.unit = true;
        return port;
    }
    // The texts written, in order, without their CR.
    [[nodiscard]] std::vector<std::string> Commands() const {
        std::vector<std::string> out;
        for (const auto& w : writes) {
            out.push_back(w.second.substr(0, w.second.size() - 1));
        }
        return out;
    }

    std::map<int, Port> ports;
    std::vector<int> opens;
    std::vector<std::pair<int64_t, std::string>> writes;  // time and text
    int64_t replyMs = 5;

  private:
    FakeLinkEnv& env_;
    int open_ = 0;
};
