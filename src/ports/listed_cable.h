// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A cable as a listing finds it, and the listings a SerialCable is made with: the system's
// FTDI cables with the virtual ones, or one port named by its path.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "link/cable.h"

namespace gsmprog {

// Room for a serial number in a device list entry, without its terminating zero.
inline constexpr std::size_t SerialNumberCapacity = sizeof(CableInfo::SerialNumber) - 1;

struct ListedCable {
    std::string serialNumber;
    std::filesystem::path device;
    // Where the adapter's latency timer (ms) can be read; empty when it has none.
    std::filesystem::path latencyTimerFile;
    // Assumed when that file cannot be read.
    std::optional<int> defaultLatencyTimerMs;
};

class CableListing {
public:
    virtual ~CableListing() = default;
    // The cables attached now, in the order the links see them.
    virtual std::vector<ListedCable> List() const = 0;
    // An FTDI adapter is attached that brltty holds, so that the system has no serial port of
    // it to list (the cable check's verdict).
    virtual bool AdapterHeldByBrltty() const { return false; }
};

// The device behind links, so that two names of one port are known as one.
std::string CanonicalDevice(const std::filesystem::path& device);

}  // namespace gsmprog
