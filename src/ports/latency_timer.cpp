// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/latency_timer.h"

#include <fstream>

namespace gsmprog {

std::optional<int> ReadLatencyTimer(const ListedCable& cable) {
    if (!cable.latencyTimerFile.empty()) {
        std::ifstream in(cable.latencyTimerFile);
        int ms = -1;
        if (in >> ms && ms >= 0 && ms <= 255) return ms;
    }
    return cable.defaultLatencyTimerMs;
}

std::filesystem::path UsbSerialLatencyTimerFile(const std::filesystem::path& device) {
    return std::filesystem::path("/sys/bus/usb-serial/devices") /
           std::filesystem::path(CanonicalDevice(device)).filename() / "latency_timer";
}

}  // namespace gsmprog
