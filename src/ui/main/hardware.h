// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the windows reach the modem through: the cable list and the cable the links open, and
// the clock the links sleep on. Production hands in the serial cable and the system clock;
// tests a cable on a private cable directory.

#include <memory>

#include "link/cable.h"
#include "link/link_clock.h"

namespace gsmprog {

struct Hardware {
    Cable& cable;
    LinkClock& clock;
    // Keeps the cable alive for as long as any holder of this record, a worker left to end
    // on its own included; empty where the cable outlives every worker anyway.
    std::shared_ptr<const void> cableOwner = {};
};

}  // namespace gsmprog
