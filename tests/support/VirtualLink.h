#pragma once
#include <QStringList>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CommandSplitter.h"
#include "Options.h"
#include "Pacer.h"
#include "UnitProtocol.h"
#include "link/PortFactory.h"

class FakeClock;

// The unit on port 5 and the program's link to it, on virtual time: the unit of vexlo-unit
// (its command set, its scenarios at the pace of the line) without a process or a terminal,
// and the link's timers and waits as events at a virtual time. A wait for the unit, and
// every run of the test's own, move the time to the next event and carry it out, so that a
// second of line time passes in the few milliseconds it takes to decode it. The fake clock
// moves with the virtual time.
class VirtualLink final : public PortFactory {
  public:
    explicit VirtualLink(FakeClock* clock = nullptr) : clock_(clock) {}
    ~VirtualLink() override;
    VirtualLink(const VirtualLink&) = delete;
    VirtualLink& operator=(const VirtualLink&) = delete;

    [[nodiscard]] std::unique_ptr<LinkParts> make(const std::string& programFolder) override;

    // Puts a unit on port 5, with the arguments of vexlo-unit (the scenario, the seed, the
    // line's rate, refused starts, a reply delay, a mute unit, the version); false with the
    // reason in error when they are wrong.
    bool startUnit(const QStringList& args, std::string& error);
    // Pulls the unit's cable: an open port reports the unit lost, and port 5 names a device
    // that is gone from then on.
    void kill();

    // Calls fn once ms of virtual time from now have passed, as the user acting during a wait.
    void at(int ms, std::function<void()> fn);
    // Calls fn with each text the program writes to the port, before the unit takes it in
    // (fn may pull the unit's cable, and the unit then never sees the text).
    void onWrite(std::function<void(const std::string&)> fn) { onWrite_ = std::move(fn); }

    // Lets events run until pred holds or ms of virtual time have passed; the result of pred.
    bool runUntil(const std::function<bool()>& pred, int ms);
    // Lets ms of virtual time pass.
    void runFor(int ms);
    [[nodiscard]] int64_t nowMs() const { return nowNs_ / 1'000'000; }
    // How often the program asked the port for what it holds back (SerialPort::readNow).
    [[nodiscard]] int readsNow() const { return readsNow_; }

    // Each command the unit carried out with its reply ("G01 OK"), in order; the starts and
    // stops among them.
    [[nodiscard]] const QStringList& trace() const { return trace_; }
    [[nodiscard]] QStringList startsAndStops() const;
    // Every capture byte the unit sent while monitoring.
    [[nodiscard]] const std::string& record() const { return record_; }

  private:
    // A wait of the link that lets this much virtual time pass after the test's last run
    // does not end: the test fails.
    static constexpr int64_t kGiveUpNs = 600'000'000'000;

    class Parts;
    friend class Parts;

    // The time of the next event, if any.
    [[nodiscard]] std::optional<int64_t> nextEventNs() const;
    // Moves to the next event at or before deadlineNs and carries out what is due then;
    // false when there is none.
    bool step(int64_t deadlineNs);
    void moveTo(int64_t ns);
    void unitReceives(const std::string& text);
    void handle(const std::string& command);
    void pump();

    FakeClock* clock_;
    int64_t nowNs_ = 0;
    int readsNow_ = 0;
    int64_t giveUpNs_ = kGiveUpNs;
    std::string out_;         // what the unit sent that the link has not taken in yet
    Parts* parts_ = nullptr;  // the link's parts while they exist

    struct Unit {
        Options options;
        UnitProtocol protocol;
        CommandSplitter splitter;
        std::unique_ptr<Pacer> pacer;
        int64_t nextBatchNs = 0;
    };
    std::optional<Unit> unit_;
    struct Delayed {
        int64_t dueNs;
        std::string command;
    };
    std::deque<Delayed> delayed_;
    std::optional<int64_t> lossNs_;
    std::multimap<int64_t, std::function<void()>> actions_;  // at(), by due time
    std::function<void(const std::string&)> onWrite_;
    QStringList trace_;
    std::string record_;
};
