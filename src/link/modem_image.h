// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two payloads of the programming exchanges: the modem settings image (the first 316 or
// 444 bytes of a card with card number, timestamp, random pair and CRC filled in) and the
// 10-byte object-device command.

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>

#include "cards/card_record.h"

namespace gsmprog {

inline constexpr std::size_t ShortImageSize = 316;  // VersionCombo 0, "до 81.31"
inline constexpr std::size_t LongImageSize = 444;   // VersionCombo 1, "81.32 и выше"

struct ModemImage {
    std::array<std::uint8_t, LongImageSize> bytes{};
    std::size_t length = 0;  // 316, 444, or 0 for a variant without an image
    std::uint16_t crc = 0;   // ImageCrc: the card's next ProgID1
};

// The random pair of an image: two values 0..254.
struct ImageRandomPair {
    std::uint8_t first = 0;
    std::uint8_t second = 0;
};

// Builds the image of `record` for `variant` (0: 316 bytes, 1: 444 bytes, else no image),
// stamped with the local time `buildTime`.
ModemImage BuildModemImage(const CardRecord& record, int variant, const std::tm& buildTime,
                           ImageRandomPair random);
// The same, stamped now with a fresh random pair.
ModemImage BuildModemImage(const CardRecord& record, int variant);

// An image as read back, in the 444-byte layout.
struct WideImage {
    std::array<std::uint8_t, LongImageSize> bytes{};
    int variant = 0;  // 1 when 444 bytes were read, 0 when 316
};

// Widens 316 read bytes to the 444-byte layout (random pair and CRC moved to 440..443,
// 312..439 zero) or takes 444 bytes as they are. False for any other length.
bool WidenReadImage(const std::uint8_t* bytes, std::size_t length, WideImage& image);

inline constexpr std::size_t UoCommandSize = 10;
inline constexpr std::size_t UoAnswerSize = 4;
using UoCommand = std::array<std::uint8_t, UoCommandSize>;

// The command for object device `device` (0..3) of `record`: 0x92 0x08, the two random
// bytes, the device's line address, guard loops, fire loops and modes, then the CRC-16 of
// bytes 2..7, low byte first.
UoCommand BuildUoCommand(const CardRecord& record, int device, std::uint8_t random2,
                         std::uint8_t random3);
// The same with fresh random bytes.
UoCommand BuildUoCommand(const CardRecord& record, int device);

}  // namespace gsmprog
