// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/single_port.h"

#include "diag/debug_log.h"
#include "ports/cable_directory.h"
#include "ports/latency_timer.h"

namespace gsmprog {

namespace fs = std::filesystem;

SinglePortListing::SinglePortListing(fs::path device) : device_(std::move(device)) {}

std::vector<ListedCable> SinglePortListing::List() const {
    std::error_code error;
    if (!fs::exists(device_, error)) {
        if (DebugLogOn()) DebugLog("кабель", "порта " + device_.string() + " нет");
        return {};
    }
    ListedCable port{device_.filename().string().substr(0, SerialNumberCapacity), device_, {}, {}};
    if (fs::exists(UsbSerialLatencyTimerFile(device_), error)) {
        port.latencyTimerFile = UsbSerialLatencyTimerFile(device_);
        port.defaultLatencyTimerMs = FtdiDefaultLatencyTimerMs;
        return {port};
    }
    // A virtual modem's pseudo-terminal given by its path still has its announcement.
    const fs::path directory = DefaultCableDirectory();
    for (const VirtualCable& cable : ListVirtualCables(directory)) {
        if (CanonicalDevice(cable.device) == CanonicalDevice(device_))
            port.latencyTimerFile = LatencyTimerFile(directory, cable.serialNumber);
    }
    return {port};
}

}  // namespace gsmprog
