#pragma once
// The cable list of production: the FTDI cables of the system first, then the virtual cables
// of the cable directory.

#include <filesystem>
#include <vector>

#include "cable/listed_cable.h"

namespace gsmprog {

class SystemListing final : public CableListing {
public:
    explicit SystemListing(std::filesystem::path cableDirectory);
    std::vector<ListedCable> List() const override;

private:
    const std::filesystem::path cableDirectory_;
};

}  // namespace gsmprog
