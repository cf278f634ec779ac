// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The virtual cables of a cable directory as the serial cable lists them, each with the
// latency timer its modem announces.

#include <filesystem>
#include <vector>

#include "ports/listed_cable.h"

namespace gsmprog {

std::vector<ListedCable> ListVirtualPorts(const std::filesystem::path& cableDirectory);

}  // namespace gsmprog
