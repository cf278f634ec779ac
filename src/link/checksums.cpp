// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/checksums.h"

namespace gsmprog {

std::uint8_t NegatedSum8(const std::uint8_t* bytes, std::size_t count) {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum = static_cast<std::uint8_t>(sum - bytes[i]);
    return sum;
}

std::uint16_t Crc16(const std::uint8_t* bytes, std::size_t count) {
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t byte = bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            if ((byte ^ crc) & 1) crc = static_cast<std::uint16_t>((crc >> 1) ^ 0x8408);
            else crc = static_cast<std::uint16_t>(crc >> 1);
            byte = static_cast<std::uint8_t>(byte >> 1);
        }
    }
    return crc;
}

}  // namespace gsmprog
