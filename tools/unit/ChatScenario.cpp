#include "ChatScenario.h"

#include "Dialogue.h"

void ChatScenario::buildEpisode() {
    const Dialogue dialogue = Dialogue::make(random_);
    const size_t first = eventCount();
    const uint64_t request = cursor_ + pause(300, 3000);
    const uint64_t requestEnd = send(true, dialogue.request, request);
    cursor_ = send(false, dialogue.reply, requestEnd + pause(300, 1000));
    if (errors_) {
        spoil(first);
    }
}

void ChatScenario::spoil(size_t first) {
    for (StreamEvent& e : eventsFrom(first)) {
        if (random_.oneIn(30)) {
            e.framingError = true;
        }
        if (line_.hasParity() && random_.oneIn(30)) {
            // A parity error means one data bit arrived flipped.
            e.parityError = true;
            e.value = line_.mask(
                static_cast<uint8_t>(e.value ^ (1U << random_.between(0, line_.dataBits - 1))));
        }
    }
}
