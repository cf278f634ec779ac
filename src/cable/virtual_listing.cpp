#include "cable/virtual_listing.h"

#include "cable/cable_directory.h"
#include "diag/debug_log.h"

namespace gsmprog {

std::vector<ListedCable> ListVirtualPorts(const std::filesystem::path& cableDirectory) {
    std::vector<ListedCable> cables;
    for (const VirtualCable& cable : ListVirtualCables(cableDirectory))
        cables.push_back({cable.serialNumber, cable.device,
                          LatencyTimerFile(cableDirectory, cable.serialNumber), std::nullopt});
    if (DebugLogOn()) {
        std::error_code error;
        const bool exists = std::filesystem::is_directory(cableDirectory, error);
        DebugLog("кабель", "виртуальных кабелей в " + cableDirectory.string() + ": " +
                               (exists ? std::to_string(cables.size()) : "нет такого каталога"));
    }
    return cables;
}

}  // namespace gsmprog
