#include "support/VirtualLink.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <fstream>
#include <limits>

#include "Scenario.h"
#include "link/CommLink.h"
#include "support/FakeClock.h"

namespace {

constexpr int64_t kNsPerMs = 1'000'000;
// How often the link takes in what the unit sent while it streams, as a serial port's
// reads come in batches.
constexpr int64_t kBatchNs = 10 * kNsPerMs;
constexpr int kPort = 5;

}  // namespace

// The link's port, timers and wait, all on the owner's virtual time.
class VirtualLink::Parts final : public LinkParts,
                                 public SerialPort,
                                 public LinkTimers,
                                 public EventWait {
  public:
    explicit Parts(VirtualLink& owner) : owner_(owner) { owner_.parts_ = this; }
    ~Parts() override { owner_.parts_ = nullptr; }
    Parts(const Parts&) = delete;
    Parts& operator=(const Parts&) = delete;

    SerialPort& port() override { return *this; }
    LinkTimers& timers() override { return *this; }
    EventWait& wait() override { return *this; }
    void attach(CommLink& link, std::function<void()> trigTick) override {
        link_ = &link;
        trigTick_ = std::move(trigTick);
        trigDue = owner_.nowNs_ + kTrigMs * kNsPerMs;
    }
    void setClosing() override { closing_ = true; }

    PortOpenResult open(int n) override {
        close();
        PortOpenResult result;
        result.location = "/dev/virtual" + std::to_string(n);
        result.status = PortOpenResult::Status::NoSuchPort;
        if (n == kPort && owner_.unit_) {
            opened = true;
            owner_.out_.clear();  // what arrived before the open is dropped
            result.status = PortOpenResult::Status::Opened;
        }
        return result;
    }
    void close() override { opened = false; }
    bool write(const std::string& text) override {
        if (!opened) {
            return false;
        }
        owner_.unitReceives(text);
        return true;
    }
    [[nodiscard]] bool isOpen() const override { return opened; }
    void readNow() override { ++owner_.readsNow_; }

    void enableSend(bool on) override { enable(sendDue, on, kSendMs); }
    void enablePortCheck(bool on) override { enable(checkDue, on, kPortCheckMs); }

    void waitOnce() override {
        QCoreApplication::processEvents();
        if (closing()) {
            return;
        }
        if (owner_.nowNs_ > owner_.giveUpNs_) {
            ADD_FAILURE() << "a wait for the unit did not end";
            closing_ = true;
            return;
        }
        owner_.step(std::numeric_limits<int64_t>::max());
    }
    [[nodiscard]] bool closing() const override {
        return closing_ || QCoreApplication::closingDown();
    }

    // Carries out the link's timer that is due first at or before now; false when none is.
    bool fireTimer(int64_t now) {
        std::optional<int64_t>* due = nullptr;
        for (std::optional<int64_t>* t : {&sendDue, &checkDue, &trigDue}) {
            if (*t && **t <= now && (due == nullptr || **t < **due)) {
                due = t;
            }
        }
        if (due == nullptr) {
            return false;
        }
        if (due == &trigDue) {
            *trigDue += kTrigMs * kNsPerMs;
            trigTick_();
        } else {
            due->reset();
            (due == &sendDue ? link_->timSend_Timer() : link_->timPortCheck_Timer());
        }
        return true;
    }

    CommLink* link_ = nullptr;
    std::optional<int64_t> sendDue, checkDue, trigDue;
    bool opened = false;

  private:
    void enable(std::optional<int64_t>& due, bool on, int ms) const {
        if (!on) {
            due.reset();
        } else if (!due) {
            due = owner_.nowNs_ + ms * kNsPerMs;
        }
    }

    VirtualLink& owner_;
    std::function<void()> trigTick_;
    bool closing_ = false;
};

VirtualLink::~VirtualLink() = default;

std::unique_ptr<LinkParts> VirtualLink::make(const std::string& /*programFolder*/) {
    return std::make_unique<Parts>(*this);
}

bool VirtualLink::startUnit(const QStringList& args, std::string& error) {
    std::vector<std::string> words{"--link", "virtual"};
    for (const QString& arg : args) {
        words.push_back(arg.toStdString());
    }
    std::optional<Options> options = Options::parse(words, error);
    if (!options) {
        return false;
    }
    UnitProtocol protocol({options->version, options->refuseStart});
    unit_.emplace(Unit{std::move(*options), std::move(protocol), {}, {}, 0});
    return true;
}

void VirtualLink::kill() {
    unit_.reset();
    delayed_.clear();
    lossNs_ = nowNs_;
}

void VirtualLink::at(int ms, std::function<void()> fn) {
    actions_.emplace(nowNs_ + ms * kNsPerMs, std::move(fn));
}

bool VirtualLink::runUntil(const std::function<bool()>& pred, int ms) {
    const int64_t deadline = nowNs_ + ms * kNsPerMs;
    giveUpNs_ = deadline + kGiveUpNs;
    for (;;) {
        QCoreApplication::processEvents();
        if (pred()) {
            return true;
        }
        if (!step(deadline)) {
            moveTo(deadline);
            QCoreApplication::processEvents();
            return pred();
        }
    }
}

void VirtualLink::runFor(int ms) {
    runUntil([] { return false; }, ms);
}

QStringList VirtualLink::startsAndStops() const {
    QStringList lines;
    for (const QString& line : trace_) {
        if (line.startsWith(QStringLiteral("G0"))) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::optional<int64_t> VirtualLink::nextEventNs() const {
    std::optional<int64_t> next;
    const auto consider = [&next](std::optional<int64_t> t) {
        if (t && (!next || *t < *next)) {
            next = t;
        }
    };
    consider(lossNs_);
    if (!actions_.empty()) {
        consider(actions_.begin()->first);
    }
    if (!delayed_.empty()) {
        consider(delayed_.front().dueNs);
    }
    if (unit_ && unit_->pacer && !unit_->pacer->finished()) {
        consider(std::max(unit_->pacer->nextDueNs(), unit_->nextBatchNs));
    }
    if (!out_.empty()) {
        consider(nowNs_);
    }
    if (parts_ != nullptr && parts_->link_ != nullptr) {
        consider(parts_->sendDue);
        consider(parts_->checkDue);
        consider(parts_->trigDue);
    }
    return next;
}

bool VirtualLink::step(int64_t deadlineNs) {
    const std::optional<int64_t> next = nextEventNs();
    if (!next || *next > deadlineNs) {
        return false;
    }
    moveTo(std::max(*next, nowNs_));
    if (!actions_.empty() && actions_.begin()->first <= nowNs_) {
        const std::function<void()> action = std::move(actions_.begin()->second);
        actions_.erase(actions_.begin());
        action();
        return true;
    }
    if (lossNs_ && *lossNs_ <= nowNs_) {
        lossNs_.reset();
        out_.clear();
        if (parts_ != nullptr && parts_->opened) {
            parts_->opened = false;
            parts_->link_->onLinkLost();
        }
        return true;
    }
    while (!delayed_.empty() && delayed_.front().dueNs <= nowNs_) {
        const std::string command = std::move(delayed_.front().command);
        delayed_.pop_front();
        handle(command);
    }
    pump();
    if (!out_.empty()) {
        std::string bytes;
        bytes.swap(out_);
        if (parts_ != nullptr && parts_->opened) {
            parts_->link_->decoder().onReceive(reinterpret_cast<const uint8_t*>(bytes.data()),
                                               bytes.size());
        }
        return true;
    }
    if (parts_ != nullptr && parts_->link_ != nullptr) {
        parts_->fireTimer(nowNs_);
    }
    return true;
}

void VirtualLink::moveTo(int64_t ns) {
    if (ns <= nowNs_) {
        return;
    }
    const int64_t ms = ns / kNsPerMs - nowNs_ / kNsPerMs;
    nowNs_ = ns;
    if (clock_ != nullptr && ms > 0) {
        clock_->Advance(static_cast<int>(ms));
    }
}

void VirtualLink::unitReceives(const std::string& text) {
    if (onWrite_) {
        onWrite_(text);
    }
    if (!unit_ || unit_->options.mute) {
        return;
    }
    const int64_t due = nowNs_ + unit_->options.replyDelayMs * kNsPerMs;
    for (std::string& command : unit_->splitter.feed(text.data(), text.size())) {
        delayed_.push_back({due, std::move(command)});
    }
}

void VirtualLink::handle(const std::string& command) {
    Unit& unit = *unit_;
    const UnitProtocol::Answer answer = unit.protocol.handle(command);
    std::string reply = answer.reply;
    if (!reply.empty() && reply.back() == '\r') {
        reply.pop_back();
    }
    trace_.push_back(QString::fromStdString(command + " " + reply));
    if (answer.action == UnitProtocol::Action::Stop) {
        // Everything observed up to the stop goes out before the reply.
        unit.nextBatchNs = nowNs_;
        pump();
        unit.pacer.reset();
    }
    out_ += answer.reply;
    if (answer.action == UnitProtocol::Action::Start) {
        // On a true line of its own (--line), the unit reports what a receiver at the settings
        // sent decodes from it.
        const LineSettings& sent = unit.protocol.line();
        const LineSettings line = unit.options.line.value_or(sent);
        std::optional<LineSettings> receiver;
        if (unit.options.line) {
            receiver = sent;
        }
        unit.pacer = std::make_unique<Pacer>(
            Scenario::create(unit.options.scenario, line, unit.options.seed), line,
            unit.options.rateFactor, nowNs_, unit.options.duration, receiver);
        unit.nextBatchNs = nowNs_ + kBatchNs;
    }
}

void VirtualLink::pump() {
    if (!unit_ || !unit_->pacer || nowNs_ < unit_->nextBatchNs) {
        return;
    }
    std::string bytes;
    unit_->pacer->produce(nowNs_, bytes, std::numeric_limits<size_t>::max());
    unit_->nextBatchNs = nowNs_ + kBatchNs;
    if (bytes.empty()) {
        return;
    }
    record_ += bytes;
    out_ += bytes;
    if (!unit_->options.record.empty()) {
        std::ofstream(unit_->options.record, std::ios::binary | std::ios::app) << bytes;
    }
}
