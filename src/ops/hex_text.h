// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Bytes as the operations journal keeps them: upper-case hex, two digits a byte, nothing between.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gsmprog {

std::string HexText(const std::uint8_t* bytes, std::size_t length);

// The bytes of such a text (either case); nothing when it is none.
std::optional<std::vector<std::uint8_t>> HexBytes(std::string_view text);

}  // namespace gsmprog
