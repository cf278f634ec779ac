// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A cable list of exactly one port, named by its device path (gsmprog-cli --port): listed
// while the device exists, under its file name as serial number.

#include <filesystem>
#include <vector>

#include "ports/listed_cable.h"

namespace gsmprog {

class SinglePortListing final : public CableListing {
public:
    explicit SinglePortListing(std::filesystem::path device);
    std::vector<ListedCable> List() const override;

private:
    const std::filesystem::path device_;
};

}  // namespace gsmprog
