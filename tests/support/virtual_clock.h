// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A LinkClock in virtual time: Sleep advances the clock at once and is recorded, so that
// exchanges with second-long time-outs run in microseconds and their sleeps can be checked.

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "link/link_clock.h"

namespace gsmprog::test {

class VirtualClock final : public LinkClock {
public:
    void Sleep(std::uint32_t milliseconds) override;
    std::uint32_t TickMs() override;

    std::uint64_t NowMs() const;
    // Moves time on without recording a sleep (a cable waiting out its read time-out).
    void Advance(std::uint64_t milliseconds);

    std::vector<std::uint32_t> Sleeps() const;
    std::uint64_t TotalSleptMs() const;

    // Called after every Sleep with the new time, on the sleeping thread; e.g. to Stop a
    // link in the middle of an attempt.
    void OnSleep(std::function<void(std::uint64_t nowMs)> hook);

    // Start value of the clock, e.g. just below the 32-bit wrap of TickMs.
    explicit VirtualClock(std::uint64_t startMs = 0) : nowMs_(startMs) {}

private:
    mutable std::mutex lock_;
    std::uint64_t nowMs_;
    std::vector<std::uint32_t> sleeps_;
    std::function<void(std::uint64_t)> hook_;
};

}  // namespace gsmprog::test
