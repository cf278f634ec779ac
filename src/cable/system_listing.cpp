#include "cable/system_listing.h"

#include "cable/ftdi_listing.h"
#include "cable/virtual_listing.h"

namespace gsmprog {

SystemListing::SystemListing(std::filesystem::path cableDirectory)
    : cableDirectory_(std::move(cableDirectory)) {}

std::vector<ListedCable> SystemListing::List() const {
    std::vector<ListedCable> cables = ListFtdiCables();
    for (ListedCable& cable : ListVirtualPorts(cableDirectory_)) cables.push_back(std::move(cable));
    return cables;
}

}  // namespace gsmprog
