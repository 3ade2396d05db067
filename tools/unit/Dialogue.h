#pragma once
#include <string>

#include "Random.h"

// The request/response dialogue of the text scenarios: a terminal sends a command ended by
// CR LF, a measuring device answers with one line ended by CR LF.
struct Dialogue {
    std::string request;
    std::string reply;

    static Dialogue make(Random& random);
};
