// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The image a virtual modem holds before anything was written into it.

#include <cstdint>
#include <vector>

namespace gsmprog::vmodem {

// Variant 0: 316 bytes, 1: 444 bytes; a valid image of a small sample card.
std::vector<std::uint8_t> DefaultImage(int variant);

}  // namespace gsmprog::vmodem
