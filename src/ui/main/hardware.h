#pragma once
// What the windows reach the modem through: the cable list and the cable the links open, and
// the clock the links sleep on. Production hands in the serial cable and the system clock;
// tests a cable on a private cable directory.

#include "link/cable.h"
#include "link/link_clock.h"

namespace gsmprog {

struct Hardware {
    Cable& cable;
    LinkClock& clock;
};

}  // namespace gsmprog
