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

// Said on stderr once per process, as the window lists cables again and again; the diagnostic
// log says it at every listing.
void ReportRefusal(const std::string& text) {
    if (DebugLogOn()) DebugLog("кабель", text);
    static std::mutex reportedLock;
    static std::set<std::string> reported;
    std::lock_guard guard(reportedLock);
    if (reported.insert(text).second) std::fprintf(stderr, "%s\n", text.c_str());
}

}  // namespace

std::vector<ListedCable> ListVirtualPorts(const std::filesystem::path& cableDirectory) {
    std::vector<ListedCable> cables;
    std::string distrust;
    std::vector<RefusedCable> refused;
    for (const VirtualCable& cable : ListVirtualCables(cableDirectory, &distrust, &refused))
        cables.push_back({cable.serialNumber, cable.device,
                          LatencyTimerFile(cableDirectory, cable.serialNumber), std::nullopt});
    for (const RefusedCable& cable : refused) ReportRefusal(RefusalText(cableDirectory, cable));
    if (!distrust.empty()) {
        ReportRefusal(DistrustText(cableDirectory, distrust));
    } else if (DebugLogOn()) {
        std::error_code error;
        const bool exists = std::filesystem::is_directory(cableDirectory, error);
        DebugLog("кабель", "виртуальных кабелей в " + cableDirectory.string() + ": " +
                               (exists ? std::to_string(cables.size()) : "нет такого каталога"));
    }
    return cables;
}

}  // namespace gsmprog
