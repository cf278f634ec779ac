// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cards/device_codes.h"

namespace gsmprog {

int CardWithDeviceCode(const CardDatabase& database, std::uint32_t code, int exceptSlot) {
    for (int slot = 0; slot < CardDatabase::SlotCount; ++slot) {
        const CardRecord& other = database.cards[std::size_t(slot)];
        if (slot == exceptSlot || !other.InUse()) continue;
        for (int i = 0; i < 4; ++i)
            if (other.UoType[i] != 0 && other.UoCode[i] == code) return slot;
    }
    return -1;
}

DeviceCodeClash FindDeviceCodeClash(const CardDatabase& database, const CardRecord& card,
                                    int slot) {
    for (int i = 0; i < 4; ++i) {
        if (card.UoType[i] == 0) continue;
        const int other = CardWithDeviceCode(database, card.UoCode[i], slot);
        if (other >= 0) return {i, other};
    }
    return {};
}

}  // namespace gsmprog
