// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Device codes identify a card: the code of a connected device belongs to one card in use.

#include <cstdint>

#include "cards/card_database.h"

namespace gsmprog {

// The window's refusal to save such a card.
inline constexpr const char* DeviceCodeTakenText = "Такой код УО уже есть в базе";

// The slot of the first card in use, other than `exceptSlot`, with a connected device of
// code `code`; -1 when there is none.
int CardWithDeviceCode(const CardDatabase& database, std::uint32_t code, int exceptSlot);

struct DeviceCodeClash {
    int device = -1;  // the device of the card, 0..3; -1 when nothing clashes
    int slot = -1;    // the other card's slot
};

// The first connected device of `card` whose code another card in use (not `slot`) has.
DeviceCodeClash FindDeviceCodeClash(const CardDatabase& database, const CardRecord& card, int slot);

}  // namespace gsmprog
