// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parts of the system that decide whether a serial cable reaches gsmprog: ModemManager
// (which probes new serial ports unless udev marks them for it to ignore), brltty (which
// claims FT232R adapters for braille displays on some systems) and gsmprog's own udev rule.
// Read from files below `root` ("/" on a running system), without asking any program.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ports/process_table.h"

namespace gsmprog {

inline constexpr const char* GsmprogRuleName = "70-gsmprog-ftdi.rules";

struct SystemServices {
    std::vector<SeenProcess> modemManager;  // running ModemManager processes
    std::vector<SeenProcess> brltty;        // running brltty processes
    // Files are named once each, by the first of the names that reach them.
    std::vector<std::string> brlttyFiles;     // its program and rule files present: installed
    std::string brlttyRuleFile;               // the rule file udev uses; empty when none
    std::vector<std::string> brlttyProducts;  // "403/6001/" of each line of it that starts brltty
    std::vector<std::string> gsmprogRules;    // gsmprog's rule files present
};

SystemServices ReadSystemServices(const std::filesystem::path& root, const ProcessTable& processes);

// Whether brltty's rule starts brltty for the device "vendor:product" (hex as sysfs shows it).
bool BrlttyRuleMatches(const SystemServices& services, const std::string& vendorId,
                       const std::string& productId);

// Whether udev marked the device "major:minor" with ID_MM_DEVICE_IGNORE=1; nothing when udev
// keeps no record of it.
std::optional<bool> MarkedForModemManagerToIgnore(const std::filesystem::path& root,
                                                  const std::string& numbers);

}  // namespace gsmprog
