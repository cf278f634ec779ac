// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/virtual_clock.h"

namespace gsmprog::test {

void VirtualClock::Sleep(std::uint32_t milliseconds) {
    std::function<void(std::uint64_t)> hook;
    std::uint64_t now = 0;
    {
        std::lock_guard guard(lock_);
        nowMs_ += milliseconds;
        sleeps_.push_back(milliseconds);
        hook = hook_;
        now = nowMs_;
    }
    if (hook) hook(now);
}

std::uint32_t VirtualClock::TickMs() {
    std::lock_guard guard(lock_);
    return static_cast<std::uint32_t>(nowMs_);
}

std::uint64_t VirtualClock::NowMs() const {
    std::lock_guard guard(lock_);
    return nowMs_;
}

void VirtualClock::Advance(std::uint64_t milliseconds) {
    std::lock_guard guard(lock_);
    nowMs_ += milliseconds;
}

std::vector<std::uint32_t> VirtualClock::Sleeps() const {
    std::lock_guard guard(lock_);
    return sleeps_;
}

std::uint64_t VirtualClock::TotalSleptMs() const {
    std::lock_guard guard(lock_);
    std::uint64_t total = 0;
    for (auto ms : sleeps_) total += ms;
    return total;
}

void VirtualClock::OnSleep(std::function<void(std::uint64_t)> hook) {
    std::lock_guard guard(lock_);
    hook_ = std::move(hook);
}

}  // namespace gsmprog::test
