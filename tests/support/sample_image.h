// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A valid settings image of a card whose bytes are all different, built at a fixed time.

#include <cstring>
#include <vector>

#include "link/modem_image.h"

namespace gsmprog::test {

inline std::vector<std::uint8_t> SampleImage(int variant) {
    CardRecord card{};
    for (std::size_t i = 0; i < LongImageSize; ++i)
        reinterpret_cast<std::uint8_t*>(&card)[i] = static_cast<std::uint8_t>(i * 13 + 5);
    std::strcpy(card.NCardEdit, "777");
    std::tm when{};
    when.tm_year = 125;
    when.tm_mday = 1;
    const ModemImage image = BuildModemImage(card, variant, when, {3, 4});
    return {image.bytes.begin(), image.bytes.begin() + static_cast<long>(image.length)};
}

}  // namespace gsmprog::test
