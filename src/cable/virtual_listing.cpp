#include "cable/virtual_listing.h"

#include "cable/cable_directory.h"

namespace gsmprog {

std::vector<ListedCable> ListVirtualPorts(const std::filesystem::path& cableDirectory) {
    std::vector<ListedCable> cables;
    for (const VirtualCable& cable : ListVirtualCables(cableDirectory))
        cables.push_back({cable.serialNumber, cable.device,
                          LatencyTimerFile(cableDirectory, cable.serialNumber), std::nullopt});
    return cables;
}

}  // namespace gsmprog
