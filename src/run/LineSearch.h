#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Protocol.h"

// The search for the speed and format of a line whose settings nobody wrote down. It has the
// unit listen at one line setting after another and scores what a receiver at each decodes:
// first every speed the unit knows at 8 data bits without parity, then the formats at the
// speeds that did best. A receiver samples only the first stop bit, so the stop bits cannot be
// told from the line: every trial keeps the stop bits of the settings.

// One setting tried: speed, data bits and parity as the settings hold them.
struct LineTrial {
    int32_t speed = 9600;
    int16_t dataLen = 1;  // 0 seven bits, 1 eight
    int16_t parity = 0;   // 0 none, 1 odd, 2 even
    bool operator==(const LineTrial&) const = default;
};

// The status-bar form of a trial with the given stop bits ("19200,E,7,1").
[[nodiscard]] std::string trialText(const LineTrial& trial, int16_t stopBit);

// What the characters one trial decoded say.
struct TrialScore {
    LineTrial trial;
    double seconds = 0;   // listened
    uint32_t chars = 0;   // data pairs
    uint32_t errors = 0;  // of them with a parity or framing error
    uint32_t breaks = 0;  // of them a break (0x00 with a framing error)
    double clean = 0;     // share of characters without an error
    double rate = 0;      // clean characters per second against the best trial's
    double likeness = 0;  // share of printable text, or of bytes in frames whose check holds
    double score = 0;     // clean x rate, 0 .. 1
    // Eight-bit trials only: characters without errors, and of them those whose eighth bit is
    // set, matches the even parity of the seven below it, or is 1.
    uint32_t plain = 0, highSet = 0, evenMatch = 0;
};

// Listens to the line at one setting after another. The program and the command line do it
// through the run controller; tests on virtual time.
class LineListener {
  public:
    struct Heard {
        std::string records;  // the stored records of the trial (see capture/Records.h)
        double seconds = 0;   // how long the unit listened
    };
    virtual ~LineListener() = default;
    // Sends the settings with the trial's speed, data bits and parity, starts the unit, listens
    // for seconds and stops it. Nothing when the search was cancelled or the unit could not be
    // reached (failure() says why).
    virtual std::optional<Heard> listen(const LineTrial& trial, double seconds) = 0;
    [[nodiscard]] virtual std::string failure() const { return {}; }
};

struct LineSearchResult {
    enum class Outcome : uint8_t {
        Found,      // one setting is clearly best
        Unclear,    // settings decode the line equally well, or none decodes it well
        NoTraffic,  // nothing arrived at any speed
        Cancelled,
        Failed,  // the unit could not be reached (reason)
    };
    // What decided, or why nothing did.
    enum class Basis : uint8_t {
        Lead,        // the best scored clearly above the next
        Likeness,    // a tie, settled by the share of text or of frames whose check holds
        ParityBit,   // a tie of 7 bits with parity and 8 without, settled by the eighth bit
        StopBit,     // a tie of 7 bits and 8 without parity: the eighth bit is always 1
        NoEvidence,  // a tie nothing settles (unclear)
        NearSpeeds,  // speeds a few per cent apart both read cleanly (unclear)
        Poor,        // no setting reads the line well (unclear)
    };
    Outcome outcome = Outcome::NoTraffic;
    Basis basis = Basis::Lead;
    std::vector<TrialScore> trials;  // in the order tried
    std::optional<size_t> best;      // index into trials (also when unclear: the top one)
    std::optional<size_t> next;      // the runner-up among the other settings
    double lead = 0;                 // best.score - next.score
    std::string undecided;           // the settings it could not tell apart, and why
    std::string evidence;            // what decided between settings that decode alike
    std::string reason;              // why there is no result
};

class LineSearch {
  public:
    struct Options {
        double listenSeconds = 0.35;  // per trial
        int16_t stopBit = 0;          // kept in every trial
        // Frame checks for the likeness score besides printable text and Modbus RTU.
        std::vector<proto::Protocol> protocols;
    };

    explicit LineSearch(Options options) : options_(std::move(options)) {}

    // Tries settings until one is clearly best or the trials run out. onTrial is told each
    // scored trial as it comes (the scores of earlier ones change as the best rate rises).
    LineSearchResult run(LineListener& listener,
                         const std::function<void(const LineSearchResult&)>& onTrial = {});
    // Ends the search: the trial under way is the last (its listener is told by its owner).
    void cancel() { cancelled_ = true; }
    [[nodiscard]] bool cancelled() const { return cancelled_; }

    // The score of the records one trial heard, before the rate is known.
    [[nodiscard]] TrialScore measure(const LineTrial& trial, std::string_view records,
                                     double seconds) const;

  private:
    // Runs one trial; false when the search must end (cancelled, or the unit failed).
    bool tryOne(LineListener& listener, const LineTrial& trial, LineSearchResult& r,
                const std::function<void(const LineSearchResult&)>& onTrial);
    void decide(LineSearchResult& r) const;

    Options options_;
    bool cancelled_ = false;
};
