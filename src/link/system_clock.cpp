// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <thread>

#include "link/link_clock.h"

namespace gsmprog {

namespace {
class SteadyClock final : public LinkClock {
public:
    void Sleep(std::uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    std::uint32_t TickMs() override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
};
}  // namespace

LinkClock& SystemClock() {
    static SteadyClock clock;
    return clock;
}

}  // namespace gsmprog
