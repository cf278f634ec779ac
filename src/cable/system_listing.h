#pragma once
// The cable list of production: the FTDI cables of the system first, then the virtual cables
// of the cable directory. Adapters without a port are looked for in sysfs below `sysfsRoot`.

#include <filesystem>
#include <vector>

#include "ports/listed_cable.h"

namespace gsmprog {

class SystemListing final : public CableListing {
public:
    explicit SystemListing(std::filesystem::path cableDirectory,
                           std::filesystem::path sysfsRoot = "/sys");
    std::vector<ListedCable> List() const override;
    bool AdapterWithoutPort() const override;

private:
    const std::filesystem::path cableDirectory_;
    const std::filesystem::path sysfsRoot_;
};

}  // namespace gsmprog
