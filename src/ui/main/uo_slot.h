// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One object device's settings while a card is viewed or edited; the window's device controls
// show and edit these entries, and the card receives them only when it is saved.

#include <array>
#include <cstdint>

namespace gsmprog {

struct UoSlot {
    std::uint32_t code = 0;
    std::uint8_t lineAddress = 0;
    std::uint8_t type = 0;  // 0: no device connected in this entry
    std::uint8_t guardLoops = 0;
    std::uint8_t fireLoops = 0;
    std::uint8_t modes = 0;
    std::uint16_t spare = 0;

    bool Connected() const { return type != 0; }
    friend bool operator==(const UoSlot&, const UoSlot&) = default;
};

inline constexpr int UoSlotCount = 4;
using UoSlots = std::array<UoSlot, UoSlotCount>;

}  // namespace gsmprog
