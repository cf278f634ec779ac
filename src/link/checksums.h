// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two checksums of the modem protocols.

#include <cstddef>
#include <cstdint>

namespace gsmprog {

// 8-bit checksum such that the bytes and the checksum sum to 0 modulo 256.
std::uint8_t NegatedSum8(const std::uint8_t* bytes, std::size_t count);

// CRC-16/KERMIT: reflected polynomial 0x8408, initial 0, no final XOR. Stored low byte
// first; the CRC over data followed by its stored CRC is 0.
std::uint16_t Crc16(const std::uint8_t* bytes, std::size_t count);

}  // namespace gsmprog
