// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The latency timer of a cable: an FTDI adapter hands received bytes to the host whenever it
// runs out, so a reply can reach the host in pieces up to one timer period apart.

#include <filesystem>
#include <optional>

#include "ports/listed_cable.h"

namespace gsmprog {

// What the Linux FTDI driver starts an adapter with.
inline constexpr int FtdiDefaultLatencyTimerMs = 16;

// The quiet time after which a reply counts as whole. The timer bounds the gap between the
// pieces as the adapter sends them; on their way through a busy machine (the scheduler, the
// kernel's tty work) gaps were seen stretched by up to 30 ms more, so the timer counts four
// times. At 1 ms that is 6 ms, still shorter than the link's 10 ms from request to poll.
constexpr int QuietTimeMs(int latencyTimerMs) { return 4 * latencyTimerMs + 2; }

// The timer of `cable` as the system (or a virtual modem's announcement) reports it now;
// nothing for a line that has none.
std::optional<int> ReadLatencyTimer(const ListedCable& cable);

// Where the USB serial driver shows the timer of an FTDI port, readable by every user.
std::filesystem::path UsbSerialLatencyTimerFile(const std::filesystem::path& device);

}  // namespace gsmprog
