// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A control link keeps the cable it opened, so a modem that was restarted or a cable that
// was plugged in again would stay out of reach until its reader closed and opened the link.
// CableRecovery does that for the reader: once the link's cable has failed for a second it
// stops and starts the link, and again at most once a second while the cable still fails.

#include <chrono>

namespace gsmprog {

class FTDI_KorvelCtrl;

class CableRecovery {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr auto FailingFor = std::chrono::seconds(1);
    static constexpr auto RetryInterval = std::chrono::seconds(1);

    // Called on each poll of the reader, `now` from Clock. True when the link was restarted.
    bool Keep(FTDI_KorvelCtrl& link, Clock::time_point now);

private:
    bool failing_ = false;
    Clock::time_point failingSince_{};
    Clock::time_point lastRestart_{};
};

}  // namespace gsmprog
