// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cable/system_listing.h"

#include "ports/cable_check.h"
#include "ports/ftdi_listing.h"
#include "ports/virtual_listing.h"

namespace gsmprog {

SystemListing::SystemListing(std::filesystem::path cableDirectory, std::filesystem::path systemRoot)
    : cableDirectory_(std::move(cableDirectory)), systemRoot_(std::move(systemRoot)) {}

std::vector<ListedCable> SystemListing::List() const {
    std::vector<ListedCable> cables = ListFtdiCables(systemRoot_);
    for (ListedCable& cable : ListVirtualPorts(cableDirectory_)) cables.push_back(std::move(cable));
    return cables;
}

bool SystemListing::AdapterHeldByBrltty() const { return FtdiAdapterHeldByBrltty(systemRoot_); }

}  // namespace gsmprog
