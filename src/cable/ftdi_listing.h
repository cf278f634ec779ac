// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The FTDI cables of the system (USB vendor 0x0403), named by their USB serial numbers in
// the order the system lists its serial ports.

#include <vector>

#include "ports/listed_cable.h"

namespace gsmprog {

std::vector<ListedCable> ListFtdiCables();

}  // namespace gsmprog
