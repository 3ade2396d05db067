#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "LineSettings.h"
#include "Random.h"
#include "StreamEvent.h"

// What the unit sees on the monitored line: an endless, time-ordered sequence of events,
// the same for the same seed and line settings. Subclasses build one episode at a time
// (a message exchange, a poll, a block of characters) starting at cursor_.
class Scenario {
  public:
    Scenario(const LineSettings& line, uint64_t seed) : line_(line), random_(seed) {}
    virtual ~Scenario() = default;
    Scenario(const Scenario&) = delete;
    Scenario& operator=(const Scenario&) = delete;

    // The next event; ticks never decrease.
    StreamEvent next();

    struct Info {
        std::string_view name;
        std::string_view description;
    };
    static std::span<const Info> all();
    // A line without traffic of its own, where only what is sent by hand (the control
    // channel) appears; create() gives no scenario for it.
    static constexpr std::string_view kNone = "none";
    // True for kNone and the names of all().
    static bool exists(std::string_view name);
    // The named scenario, or null for kNone or an unknown name.
    static std::unique_ptr<Scenario> create(std::string_view name, const LineSettings& line,
                                            uint64_t seed);

  protected:
    // Appends at least one event, none earlier than cursor_, and moves cursor_ on.
    virtual void buildEpisode() = 0;

    // Appends the characters of text on one direction back to back, the first one starting
    // at tick start; returns the tick at which the last one has ended.
    uint64_t send(bool sd, std::string_view text, uint64_t start);
    void setLines(uint64_t tick, uint8_t lines);
    // Events appended by this episode so far, from index first on (for later touches).
    std::span<StreamEvent> eventsFrom(size_t first);
    [[nodiscard]] size_t eventCount() const { return events_.size(); }
    void appendRaw(uint64_t tick, uint8_t value);
    // A pause of lo..hi milliseconds, in ticks.
    uint64_t pause(uint64_t loMs, uint64_t hiMs);

    const LineSettings line_;
    Random random_;
    uint64_t cursor_ = 0;

  private:
    std::vector<StreamEvent> events_;
    size_t head_ = 0;
};
