#include "run/LineSearch.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

#include "analysis/Modbus.h"
#include "base/Settings.h"
#include "capture/RecordWalk.h"
#include "link/CommParam.h"

namespace {

// A trial decodes the line cleanly from this share of characters without errors on.
constexpr double kClean = 0.97;
// A trial with this share of characters without errors sets the rate the others are held to.
constexpr double kPlausible = 0.9;
// ... and at least this many characters: a receiver far slower than the line may catch a few
// clean ones now and then.
constexpr uint32_t kReference = 16;
// Speeds closer than this share read the same characters cleanly.
constexpr double kNearSpeeds = 0.05;
// Scores closer than this are a tie that the evidence has to settle.
constexpr double kTie = 0.03;
// Likeness that differs by this much settles a tie.
constexpr double kLikenessGap = 0.1;
// Below this score no setting decodes the line.
constexpr double kPoor = 0.5;
// Fewer characters than this over the whole search is no traffic.
constexpr uint32_t kFewest = 4;
// The speeds that go on to the formats, best first.
constexpr size_t kSpeedsToFormat = 3;

constexpr LineTrial eightNone(int32_t speed) {
    return {speed, 1, 0};
}

bool printable(uint8_t v) {
    return (v >= 0x20 && v <= 0x7E) || v == '\r' || v == '\n' || v == '\t';
}

bool evenParity7(uint8_t v) {
    return (std::popcount(static_cast<unsigned>(v & 0x7F)) & 1) != 0;  // the bit that makes it even
}

// The bytes of one direction of a trial, with the count of those in frames whose check holds.
struct Direction {
    std::vector<uint8_t> bytes;
    bool reply = false;
};

uint32_t modbusGood(const Direction& d) {
    uint32_t good = 0;
    uint32_t at = 0;
    const auto n = static_cast<uint32_t>(d.bytes.size());
    while (at < n) {
        const modbus::Frame f = modbus::nextFrame(d.bytes.data() + at, n - at, d.reply);
        good += f.crcOk ? f.length : 0;
        at += f.length;
    }
    return good;
}

uint32_t protocolGood(const proto::Protocol& p, const Direction& d) {
    uint32_t good = 0;
    proto::Framer framer(p, [&](const proto::Framer::Item& item) {
        if (item.check == proto::CheckState::Ok) {
            good += static_cast<uint32_t>(item.length);
        }
    });
    framer.push(d.bytes.data(), d.bytes.size());
    framer.finish();
    return good;
}

const char* parityName(int16_t parity) {
    return parity == 2 ? "even" : parity == 1 ? "odd" : "no";
}

}  // namespace

std::string trialText(const LineTrial& trial, int16_t stopBit) {
    Settings s;
    s.glngSpeed = trial.speed;
    s.gintDataLen = trial.dataLen;
    s.gintParity = trial.parity;
    s.gintStopBit = stopBit;
    return commParamText(s);
}

TrialScore LineSearch::measure(const LineTrial& trial, std::string_view records,
                               double seconds) const {
    TrialScore t;
    t.trial = trial;
    t.seconds = seconds;
    std::array<Direction, 2> dirs;  // RD, SD
    dirs[0].reply = true;
    uint32_t shown = 0;
    struct Walk {
        TrialScore& t;
        std::array<Direction, 2>& dirs;
        uint32_t& shown;
        void run(const uint8_t* pairs, size_t count) {
            for (size_t i = 0; i < count; ++i) {
                const uint8_t first = pairs[2 * i];
                const uint8_t second = pairs[2 * i + 1];
                const uint8_t v = rec::pairValue(first, second);
                const bool framing = rec::hasFramingError(second);
                ++t.chars;
                // The values count whatever the flags: read at the right speed with too few
                // bits, the characters are right although the parity bit upsets the stop bit.
                dirs[rec::isSd(first) ? 1 : 0].bytes.push_back(v);
                shown += printable(v) ? 1 : 0;
                if (rec::hasParityError(first) || framing) {
                    ++t.errors;
                    t.breaks += framing && v == 0 ? 1 : 0;
                    continue;
                }
                if (t.trial.dataLen == 1) {
                    ++t.plain;
                    const bool high = (v & 0x80) != 0;
                    t.highSet += high ? 1 : 0;
                    t.evenMatch += high == evenParity7(v) ? 1 : 0;
                }
            }
        }
        void record(const rec::Record&) {}
    } walk{t, dirs, shown};
    rec::walkRecords(reinterpret_cast<const uint8_t*>(records.data()), records.size(), walk);
    if (t.chars == 0) {
        return t;
    }
    const double chars = t.chars;
    t.clean = static_cast<double>(t.chars - t.errors) / chars;
    uint32_t modbus = 0;
    for (const Direction& d : dirs) {
        modbus += modbusGood(d);
    }
    double likeness = std::max(shown, modbus) / chars;
    for (const proto::Protocol& p : options_.protocols) {
        if (p.check == proto::Check::None) {
            continue;
        }
        uint32_t good = 0;
        for (const Direction& d : dirs) {
            good += protocolGood(p, d);
        }
        likeness = std::max(likeness, good / chars);
    }
    t.likeness = likeness;
    return t;
}

bool LineSearch::tryOne(LineListener& listener, const LineTrial& trial, LineSearchResult& r,
                        const std::function<void(const LineSearchResult&)>& onTrial) {
    if (cancelled_) {
        r.outcome = LineSearchResult::Outcome::Cancelled;
        return false;
    }
    const std::optional<LineListener::Heard> heard = listener.listen(trial, options_.listenSeconds);
    if (cancelled_) {
        r.outcome = LineSearchResult::Outcome::Cancelled;
        return false;
    }
    if (!heard) {
        r.outcome = LineSearchResult::Outcome::Failed;
        r.reason = listener.failure();
        return false;
    }
    r.trials.push_back(measure(trial, heard->records, heard->seconds));
    // The rate of each trial against the best of those that decode cleanly so far: a receiver
    // far slower than the line catches few of its characters, one far faster makes up many
    // more, but with errors.
    double best = 0;
    for (const bool cleanOnly : {true, false}) {
        for (const TrialScore& t : r.trials) {
            if (t.seconds > 0 && (!cleanOnly || (t.clean >= kPlausible && t.chars >= kReference))) {
                best = std::max(best, (t.chars - t.errors) / t.seconds);
            }
        }
        if (best > 0) {
            break;
        }
    }
    for (TrialScore& t : r.trials) {
        t.rate = best > 0 && t.seconds > 0 ? (t.chars - t.errors) / t.seconds / best : 0;
        t.score = t.clean * std::min(1.0, t.rate);
    }
    if (onTrial) {
        onTrial(r);
    }
    return true;
}

LineSearchResult LineSearch::run(LineListener& listener,
                                 const std::function<void(const LineSearchResult&)>& onTrial) {
    LineSearchResult r;
    for (const int32_t speed : kUnitSpeeds) {
        if (!tryOne(listener, eightNone(speed), r, onTrial)) {
            return r;
        }
    }
    uint32_t chars = 0;
    for (const TrialScore& t : r.trials) {
        chars += t.chars;
    }
    if (chars < kFewest) {
        r.outcome = LineSearchResult::Outcome::NoTraffic;
        r.reason = "no traffic: nothing arrived at any speed";
        return r;
    }
    std::vector<TrialScore> speeds = r.trials;
    // The speeds whose characters look most like the line's traffic go on: clean ones at the
    // rate of the best, or text and frames whose check holds (a line with a parity bit reads
    // right at its speed, but with framing errors, as 8 bits without parity).
    const auto rank = [](const TrialScore& t) { return std::max(t.score, t.likeness); };
    std::stable_sort(speeds.begin(), speeds.end(), [&](const TrialScore& a, const TrialScore& b) {
        return rank(a) != rank(b) ? rank(a) > rank(b) : a.likeness > b.likeness;
    });
    for (size_t i = 0; i < std::min(kSpeedsToFormat, speeds.size()); ++i) {
        const TrialScore& base = speeds[i];
        if (base.chars == 0) {
            break;
        }
        const int32_t speed = base.trial.speed;
        // What the eight bits without parity tell of the format. A clean read leaves the
        // formats of nine bits or fewer, and the eighth bit tells which; a poor one, the others.
        std::vector<LineTrial> formats;
        if (base.clean >= kClean && base.plain > 0) {
            if (base.highSet == base.plain) {
                formats.push_back({speed, 0, 0});  // the eighth bit is a stop bit
            } else if (base.evenMatch == base.plain) {
                formats.push_back({speed, 0, 2});
            } else if (base.evenMatch == 0) {
                formats.push_back({speed, 0, 1});
            }
        } else {
            formats = {{speed, 1, 2}, {speed, 1, 1}, {speed, 0, 2}, {speed, 0, 1}, {speed, 0, 0}};
        }
        bool clean = base.clean >= kClean;
        for (const LineTrial& f : formats) {
            if (!tryOne(listener, f, r, onTrial)) {
                return r;
            }
            if (r.trials.back().clean >= kClean && base.clean < kClean) {
                clean = true;
                break;
            }
            clean = clean || r.trials.back().clean >= kClean;
        }
        if (clean) {
            break;
        }
    }
    decide(r);
    return r;
}

void LineSearch::decide(LineSearchResult& r) const {
    using Outcome = LineSearchResult::Outcome;
    std::vector<size_t> order(r.trials.size());
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return r.trials[a].score > r.trials[b].score; });
    size_t best = order[0];
    r.next = order.size() > 1 ? std::optional<size_t>(order[1]) : std::nullopt;
    const int16_t stop = options_.stopBit;
    if (r.trials[best].score < kPoor) {
        r.best = best;
        r.outcome = Outcome::Unclear;
        r.basis = LineSearchResult::Basis::Poor;
        r.reason = "no clear winner: no setting decodes the line well (the best, " +
                   trialText(r.trials[best].trial, stop) + ", " +
                   std::to_string(static_cast<int>(r.trials[best].score * 100 + 0.5)) + " %)";
        r.lead = r.next ? r.trials[best].score - r.trials[*r.next].score : r.trials[best].score;
        return;
    }
    r.outcome = Outcome::Found;
    // Two formats at one speed that both read cleanly are a tie whatever their rates (the
    // traffic differs from trial to trial).
    const auto tied = [&](const TrialScore& a, const TrialScore& b) {
        return a.score - b.score < kTie ||
               (a.trial.speed == b.trial.speed && a.clean >= kClean && b.clean >= kClean);
    };
    if (r.next && !tied(r.trials[best], r.trials[*r.next])) {
        // The runner-up to name is the best of those at another setting; a clean read of
        // another format at the best speed is a tie to settle first.
        for (size_t i : order) {
            if (i != best && tied(r.trials[best], r.trials[i])) {
                r.next = i;
                break;
            }
        }
    }
    if (r.next && tied(r.trials[best], r.trials[*r.next])) {
        // A tie: likeness first, then what the eighth bit of the eight-bit read tells.
        size_t other = *r.next;
        const TrialScore& a = r.trials[best];
        const TrialScore& b = r.trials[other];
        const std::string aText = trialText(a.trial, stop);
        const std::string bText = trialText(b.trial, stop);
        const TrialScore* eight = a.trial.dataLen == 1 && a.trial.parity == 0   ? &a
                                  : b.trial.dataLen == 1 && b.trial.parity == 0 ? &b
                                                                                : nullptr;
        const TrialScore* seven = eight == &a ? &b : eight == &b ? &a : nullptr;
        const bool sameSpeed = a.trial.speed == b.trial.speed;
        if (std::abs(a.likeness - b.likeness) >= kLikenessGap) {
            if (b.likeness > a.likeness) {
                std::swap(best, other);
            }
            r.basis = LineSearchResult::Basis::Likeness;
            const TrialScore& w = r.trials[best];
            const TrialScore& l = r.trials[other];
            r.evidence = trialText(w.trial, stop) +
                         " reads more text or frames whose check holds (" +
                         std::to_string(static_cast<int>(w.likeness * 100 + 0.5)) + " % against " +
                         std::to_string(static_cast<int>(l.likeness * 100 + 0.5)) + " % for " +
                         trialText(l.trial, stop) + ")";
        } else if (sameSpeed && seven != nullptr && seven->trial.dataLen == 0 && eight->plain > 0 &&
                   eight->highSet > 0 && eight->highSet < eight->plain &&
                   ((seven->trial.parity == 2 && eight->evenMatch == eight->plain) ||
                    (seven->trial.parity == 1 && eight->evenMatch == 0))) {
            best = static_cast<size_t>(seven - r.trials.data());
            other = static_cast<size_t>(eight - r.trials.data());
            r.basis = LineSearchResult::Basis::ParityBit;
            r.evidence = std::string("read as 8 bits the eighth bit always matches the ") +
                         parityName(seven->trial.parity) + " parity of the seven below it";
        } else if (sameSpeed && seven != nullptr && seven->trial.dataLen == 0 &&
                   seven->trial.parity == 0 && eight->plain > 0 && eight->highSet == eight->plain) {
            best = static_cast<size_t>(seven - r.trials.data());
            other = static_cast<size_t>(eight - r.trials.data());
            r.basis = LineSearchResult::Basis::StopBit;
            r.evidence = "read as 8 bits the eighth bit is always 1: a stop bit";
        } else {
            r.outcome = Outcome::Unclear;
            r.basis = LineSearchResult::Basis::NoEvidence;
            r.undecided = aText + " and " + bText + " decode the line equally well";
            if (sameSpeed && seven != nullptr && eight->plain > 0 && eight->highSet == 0) {
                r.undecided += ": the eighth bit is always 0, and every character has " +
                               std::string(parityName(seven->trial.parity)) +
                               " parity in seven bits, so it could be a parity bit";
            } else {
                r.undecided += ": the characters give no evidence for either";
            }
            r.reason = "no clear winner: " + r.undecided;
        }
        r.next = other;
    }
    r.best = best;
    // Speeds a few per cent apart (56000 and 57600) sample every bit of a character near its
    // middle alike: a clean read at both cannot tell them apart.
    const TrialScore& w = r.trials[best];
    for (const TrialScore& t : r.trials) {
        const double apart = std::abs(t.trial.speed - w.trial.speed) / double(w.trial.speed);
        if (r.outcome == Outcome::Found && w.clean >= kClean && t.clean >= kClean &&
            t.trial.speed != w.trial.speed && apart < kNearSpeeds) {
            r.outcome = Outcome::Unclear;
            r.basis = LineSearchResult::Basis::NearSpeeds;
            r.next = static_cast<size_t>(&t - r.trials.data());
            r.undecided = std::to_string(w.trial.speed) + " and " + std::to_string(t.trial.speed) +
                          " bit/s decode the line equally well: " +
                          std::to_string(static_cast<int>(apart * 100 + 0.5)) +
                          " % apart, a receiver at either samples every bit near its middle";
            r.reason = "no clear winner: " + r.undecided;
            break;
        }
    }
    r.lead = r.next ? r.trials[best].score - r.trials[*r.next].score : r.trials[best].score;
}
