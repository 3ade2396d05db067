// The line settings search against the virtual unit's scenarios on a true line, each trial
// decoded by the unit's line receiver at the setting tried, on virtual time.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "LineReceiver.h"
#include "Scenario.h"
#include "base/Settings.h"
#include "run/LineSearch.h"

namespace {

LineSettings lineOf(uint32_t speed, int dataBits, LineSettings::Parity parity, int stopHalves) {
    LineSettings line;
    line.speed = speed;
    line.dataBits = dataBits;
    line.parity = parity;
    line.stopHalves = stopHalves;
    return line;
}

// The unit on a true line: each trial runs the scenario on for the time listened, through a
// receiver at the trial's setting, and gives what it reports as stored records.
class VirtualLineListener final : public LineListener {
  public:
    VirtualLineListener(const LineSettings& truth, std::unique_ptr<Scenario> scenario)
        : truth_(truth), scenario_(std::move(scenario)) {
        if (scenario_) {
            pending_ = scenario_->next();
        }
    }

    std::optional<Heard> listen(const LineTrial& trial, double seconds) override {
        ++listens;
        if (onListen && !onListen()) {
            return std::nullopt;
        }
        LineSettings receiver = lineOf(static_cast<uint32_t>(trial.speed),
                                       trial.dataLen == 0 ? 7 : 8, parityOf(trial.parity), 2);
        LineReceiver rx(truth_, receiver);
        const auto end = now_ + static_cast<uint64_t>(seconds * truth_.ticksPerSecond());
        std::vector<StreamEvent> out;
        while (scenario_ && pending_.tick < end) {
            if (pending_.tick >= now_ + truth_.characterTicks()) {  // begun while listening
                rx.push(pending_, out);
            }
            pending_ = scenario_->next();
        }
        rx.flush(end + rx.settleTicks(), out);
        // The settings take a while to reach the unit between trials.
        now_ = end + truth_.ticksOfMs(300);
        Heard heard{{}, seconds};
        for (const StreamEvent& e : out) {
            if (e.kind == StreamEvent::Kind::Data) {
                heard.records += static_cast<char>(pairFirstByte(e));
                heard.records += static_cast<char>(pairSecondByte(e));
            }
        }
        return heard;
    }
    [[nodiscard]] std::string failure() const override { return "the unit does not answer"; }

    int listens = 0;
    std::function<bool()> onListen;  // false: the trial does not happen

  private:
    static LineSettings::Parity parityOf(int16_t p) {
        return p == 2   ? LineSettings::Parity::Even
               : p == 1 ? LineSettings::Parity::Odd
                        : LineSettings::Parity::None;
    }

    LineSettings truth_;
    std::unique_ptr<Scenario> scenario_;
    StreamEvent pending_;
    uint64_t now_ = 0;
};

LineSearch::Options virtualOptions() {
    LineSearch::Options o;
    o.listenSeconds = 6;  // virtual: several messages of the slowest scenario
    return o;
}

// The trials and their scores, for failure messages.
std::string table(const LineSearchResult& r) {
    std::string text;
    for (const TrialScore& t : r.trials) {
        text += "\n  " + trialText(t.trial, 0) + " chars " + std::to_string(t.chars) + " errors " +
                std::to_string(t.errors) + " rate " + std::to_string(t.rate) + " likeness " +
                std::to_string(t.likeness) + " score " + std::to_string(t.score);
    }
    return text;
}

struct TrueLine {
    const char* scenario;
    LineSettings line;
    LineTrial found;
};

TEST(LineSearchScenario, FindsEveryTrueLineOfTheTable) {
    using P = LineSettings::Parity;
    const TrueLine lines[] = {
        {"chat", lineOf(9600, 8, P::None, 2), {9600, 1, 0}},
        {"chat", lineOf(19200, 7, P::Even, 2), {19200, 0, 2}},
        {"chat", lineOf(150, 7, P::Odd, 2), {150, 0, 1}},
        {"chat", lineOf(115200, 8, P::Even, 2), {115200, 1, 2}},
        {"chat", lineOf(2400, 8, P::None, 4), {2400, 1, 0}},  // two stop bits
        {"lines", lineOf(38400, 7, P::None, 4), {38400, 0, 0}},
        {"lines", lineOf(4800, 8, P::Odd, 3), {4800, 1, 1}},
        {"modbus", lineOf(19200, 8, P::Even, 2), {19200, 1, 2}},
        {"modbus", lineOf(38400, 8, P::None, 4), {38400, 1, 0}},
        {"modbus", lineOf(76800, 8, P::Odd, 2), {76800, 1, 1}},
        {"modbus", lineOf(1200, 8, P::None, 2), {1200, 1, 0}},
    };
    for (const uint64_t seed : {7, 21, 40}) {
        for (const TrueLine& t : lines) {
            VirtualLineListener listener(t.line, Scenario::create(t.scenario, t.line, seed));
            LineSearch search(virtualOptions());
            const LineSearchResult r = search.run(listener);
            const std::string what = std::string(t.scenario) + " at " + trialText(t.found, 0) +
                                     " seed " + std::to_string(seed);
            ASSERT_EQ(r.outcome, LineSearchResult::Outcome::Found)
                << what << ": " << r.reason << table(r);
            EXPECT_EQ(r.trials[*r.best].trial, t.found)
                << what << ": found " << trialText(r.trials[*r.best].trial, 0) << table(r);
            EXPECT_GT(r.trials[*r.best].score, 0.8) << what;
            // Speed first, then a few formats: not a tour of every combination.
            EXPECT_LE(r.trials.size(), kUnitSpeeds.size() + 10) << what;
        }
    }
}

TEST(LineSearchScenario, ALineWithoutTrafficHasNoResult) {
    VirtualLineListener listener(lineOf(9600, 8, LineSettings::Parity::None, 2), nullptr);
    LineSearch search(virtualOptions());
    const LineSearchResult r = search.run(listener);
    EXPECT_EQ(r.outcome, LineSearchResult::Outcome::NoTraffic);
    EXPECT_EQ(r.trials.size(), kUnitSpeeds.size());  // every speed was given its chance
    EXPECT_NE(r.reason.find("no traffic"), std::string::npos) << r.reason;
    EXPECT_FALSE(r.best.has_value());
}

// Text of characters with an even number of one bits and the eighth bit 0: read as 7 bits with
// even parity it is as good as read as 8 bits without.
class EvenTextScenario final : public Scenario {
  public:
    using Scenario::Scenario;

  protected:
    void buildEpisode() override {
        cursor_ = send(true, "ABDGHKMN0356\n", cursor_ + pause(50, 90));
    }
};

TEST(LineSearchScenario, TwoSettingsThatDecodeAlikeAreUnclear) {
    const LineSettings line = lineOf(9600, 8, LineSettings::Parity::None, 2);
    VirtualLineListener listener(line, std::make_unique<EvenTextScenario>(line, 1));
    LineSearch search(virtualOptions());
    const LineSearchResult r = search.run(listener);
    ASSERT_EQ(r.outcome, LineSearchResult::Outcome::Unclear) << r.reason << table(r);
    EXPECT_NE(r.undecided.find("9600,N,8,1"), std::string::npos) << r.undecided;
    EXPECT_NE(r.undecided.find("9600,E,7,1"), std::string::npos) << r.undecided;
    EXPECT_NE(r.undecided.find("eighth bit is always 0"), std::string::npos) << r.undecided;
    EXPECT_LT(r.lead, 0.03);
}

TEST(LineSearchScenario, SpeedsAFewPerCentApartAreUnclear) {
    const LineSettings line = lineOf(57600, 8, LineSettings::Parity::None, 2);
    VirtualLineListener listener(line, Scenario::create("chat", line, 5));
    LineSearch search(virtualOptions());
    const LineSearchResult r = search.run(listener);
    ASSERT_EQ(r.outcome, LineSearchResult::Outcome::Unclear) << r.reason << table(r);
    EXPECT_NE(r.undecided.find("56000"), std::string::npos) << r.undecided;
    EXPECT_NE(r.undecided.find("57600"), std::string::npos) << r.undecided;
    EXPECT_NE(r.undecided.find("3 % apart"), std::string::npos) << r.undecided;
}

TEST(LineSearchScenario, ACancelEndsTheSearchAtOnce) {
    const LineSettings line = lineOf(9600, 8, LineSettings::Parity::None, 2);
    VirtualLineListener listener(line, Scenario::create("chat", line, 3));
    LineSearch search(virtualOptions());
    listener.onListen = [&] {
        if (listener.listens == 3) {
            search.cancel();  // as Esc does while the third setting is listened to
            return false;
        }
        return true;
    };
    const LineSearchResult r = search.run(listener);
    EXPECT_EQ(r.outcome, LineSearchResult::Outcome::Cancelled);
    EXPECT_EQ(listener.listens, 3);  // no trial after the cancel
    EXPECT_EQ(r.trials.size(), 2U);
    EXPECT_FALSE(r.best.has_value());
}

TEST(LineSearchScenario, AUnitThatCannotBeReachedEndsTheSearchWithItsReason) {
    const LineSettings line = lineOf(9600, 8, LineSettings::Parity::None, 2);
    VirtualLineListener listener(line, Scenario::create("chat", line, 3));
    listener.onListen = [&] { return listener.listens < 5; };
    LineSearch search(virtualOptions());
    const LineSearchResult r = search.run(listener);
    EXPECT_EQ(r.outcome, LineSearchResult::Outcome::Failed);
    EXPECT_EQ(r.reason, "the unit does not answer");
    EXPECT_EQ(r.trials.size(), 4U);
}

}  // namespace
