#include "LinesScenario.h"

#include "Dialogue.h"

uint64_t LinesScenario::change(uint64_t tick, uint8_t mask, bool on) {
    lines_ = static_cast<uint8_t>(on ? lines_ | mask : lines_ & ~mask);
    setLines(tick, lines_);
    return tick;
}

void LinesScenario::buildEpisode() {
    if (!up_) {
        powerUp();
        up_ = true;
    }
    exchange();
    interlude();
}

void LinesScenario::powerUp() {
    uint64_t t = change(cursor_ + line_.ticksOfMs(100), Lines::ER, true);
    t = change(t + pause(20, 200), Lines::DR, true);
    cursor_ = change(t + pause(20, 200), Lines::CD, true);
}

void LinesScenario::exchange() {
    const Dialogue dialogue = Dialogue::make(random_);
    uint64_t t = change(cursor_ + pause(300, 3000), Lines::RS, true);
    t = change(t + pause(1, 20), Lines::CS, true);
    t = send(true, dialogue.request, t + pause(0, 5));
    t = change(t + line_.characterTicks(), Lines::RS, false);
    t = change(t + pause(1, 10), Lines::CS, false);
    cursor_ = send(false, dialogue.reply, t + pause(300, 1000));
}

void LinesScenario::interlude() {
    uint64_t t = cursor_;
    if (random_.oneIn(4)) {
        // Two rings of the call indicator.
        for (int ring = 0; ring < 2; ++ring) {
            t = change(t + pause(200, 600), Lines::CI, true);
            t = change(t + pause(200, 400), Lines::CI, false);
        }
    } else if (random_.oneIn(4)) {
        t = change(t + pause(100, 500), Lines::CD, false);
        t = change(t + pause(100, 500), Lines::CD, true);
    } else if (random_.oneIn(6)) {
        t = change(t + pause(100, 500), Lines::DR | Lines::CD, false);
        t = change(t + pause(200, 800), Lines::DR, true);
        t = change(t + pause(20, 200), Lines::CD, true);
    }
    cursor_ = t;
}
