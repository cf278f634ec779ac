// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/virtual_listing.h"

#include <cstdio>
#include <mutex>
#include <set>

#include "diag/debug_log.h"
#include "ports/cable_directory.h"

namespace gsmprog {

namespace {

// Said on stderr once per directory and process, as the window lists cables again and again;
// the diagnostic log says it at every listing.
void ReportDistrust(const std::filesystem::path& cableDirectory, const std::string& distrust) {
    const std::string why = " из " + cableDirectory.string() + " не используются: " + distrust;
    if (DebugLogOn()) DebugLog("кабель", "виртуальные кабели" + why);
    static std::mutex reportedLock;
    static std::set<std::filesystem::path> reported;
    std::lock_guard guard(reportedLock);
    if (reported.insert(cableDirectory).second)
        std::fprintf(stderr, "Виртуальные кабели%s\n", why.c_str());
}

}  // namespace

std::vector<ListedCable> ListVirtualPorts(const std::filesystem::path& cableDirectory) {
    std::vector<ListedCable> cables;
    std::string distrust;
    for (const VirtualCable& cable : ListVirtualCables(cableDirectory, &distrust))
        cables.push_back({cable.serialNumber, cable.device,
                          LatencyTimerFile(cableDirectory, cable.serialNumber), std::nullopt});
    if (!distrust.empty()) {
        ReportDistrust(cableDirectory, distrust);
    } else if (DebugLogOn()) {
        std::error_code error;
        const bool exists = std::filesystem::is_directory(cableDirectory, error);
        DebugLog("кабель", "виртуальных кабелей в " + cableDirectory.string() + ": " +
                               (exists ? std::to_string(cables.size()) : "нет такого каталога"));
    }
    return cables;
}

}  // namespace gsmprog
