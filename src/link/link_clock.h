// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Time as the links see it: sleeps and a millisecond tick. Production sleeps for real;
// tests substitute a virtual clock so that second-long time-outs cost no test time.

#include <cstdint>

namespace gsmprog {

class LinkClock {
public:
    virtual ~LinkClock() = default;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // Milliseconds since an arbitrary start, wrapping at 2^32 (as GetTickCount).
    virtual std::uint32_t TickMs() = 0;
};

// The real clock (steady time, real sleeps), shared by every link.
LinkClock& SystemClock();

}  // namespace gsmprog
