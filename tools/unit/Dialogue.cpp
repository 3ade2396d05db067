#include "Dialogue.h"

#include <cstdio>

namespace {

// Draws the numbers of a line one by one (function arguments have no evaluation order, and
// the dialogue must be the same for a seed whatever the compiler).
class Numbers {
  public:
    explicit Numbers(Random& random) : random_(random) {}
    unsigned operator()(unsigned lo, unsigned hi) {
        return static_cast<unsigned>(random_.between(lo, hi));
    }

  private:
    Random& random_;
};

template <typename... Args>
std::string format(const char* pattern, Args... args) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

}  // namespace

Dialogue Dialogue::make(Random& random) {
    Numbers n(random);
    switch (random.between(0, 7)) {
        case 0: {
            const unsigned major = n(1, 3);
            const unsigned minor = n(0, 9);
            const unsigned serial = n(0, 99999);
            return {"ID?\r\n", format("METER 7 V%u.%u SERIAL %05u\r\n", major, minor, serial)};
        }
        case 1: {
            const unsigned whole = n(15, 35);
            const unsigned tenth = n(0, 9);
            return {"MEAS:TEMP?\r\n", format("+%u.%u C\r\n", whole, tenth)};
        }
        case 2: {
            const unsigned channel = n(1, 4);
            const unsigned volts = n(0, 24);
            const unsigned hundredths = n(0, 99);
            return {format("MEAS:VOLT? %u\r\n", channel),
                    format("CH%u %u.%02u V\r\n", channel, volts, hundredths)};
        }
        case 3: {
            const unsigned relay = n(1, 8);
            const bool on = n(0, 1) == 1;
            return {format("SET RELAY %u %s\r\n", relay, on ? "ON" : "OFF"), "OK\r\n"};
        }
        case 4: {
            const unsigned runs = n(0, 9999);
            const unsigned errors = n(0, 3);
            return {"STATUS\r\n", format("RUN %04u ERR %u\r\n", runs, errors)};
        }
        case 5: {
            const unsigned address = n(0, 255);
            const unsigned first = n(0, 255);
            const unsigned second = n(0, 255);
            return {format("READ %02X\r\n", address),
                    format("DATA %02X %02X %02X\r\n", address, first, second)};
        }
        case 6: {
            // Half-width katakana, as a Japanese device reports a temperature.
            const unsigned whole = n(15, 35);
            const unsigned tenth = n(0, 9);
            return {"TEMP?\r\n", format("\xB5\xDD\xC4\xDE %u.%u\r\n", whole, tenth)};
        }
        default:
            return {"HELP\r\n", "? UNKNOWN COMMAND\r\n"};
    }
}
