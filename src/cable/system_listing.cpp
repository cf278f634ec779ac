#include "cable/system_listing.h"

#include "cable/ftdi_listing.h"
#include "ports/usb_sysfs.h"
#include "ports/virtual_listing.h"

namespace gsmprog {

SystemListing::SystemListing(std::filesystem::path cableDirectory, std::filesystem::path sysfsRoot)
    : cableDirectory_(std::move(cableDirectory)), sysfsRoot_(std::move(sysfsRoot)) {}

std::vector<ListedCable> SystemListing::List() const {
    std::vector<ListedCable> cables = ListFtdiCables();
    for (ListedCable& cable : ListVirtualPorts(cableDirectory_)) cables.push_back(std::move(cable));
    return cables;
}

bool SystemListing::AdapterWithoutPort() const { return FtdiAdapterWithoutPort(sysfsRoot_); }

}  // namespace gsmprog
