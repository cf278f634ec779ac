// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cable list of production: the FTDI cables of the system first, then the virtual cables
// of the cable directory. The FTDI cables, and an adapter brltty holds, are looked for in the
// system below `systemRoot` (sysfs, /dev, /proc and udev's rules).

#include <filesystem>
#include <vector>

#include "ports/listed_cable.h"

namespace gsmprog {

class SystemListing final : public CableListing {
public:
    explicit SystemListing(std::filesystem::path cableDirectory,
                           std::filesystem::path systemRoot = "/");
    std::vector<ListedCable> List() const override;
    bool AdapterHeldByBrltty() const override;

private:
    const std::filesystem::path cableDirectory_;
    const std::filesystem::path systemRoot_;
};

}  // namespace gsmprog
