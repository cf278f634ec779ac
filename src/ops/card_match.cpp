// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/card_match.h"

#include <cstddef>
#include <cstring>

#include "ops/image_settings.h"

namespace gsmprog {

namespace {
// Types must agree for every entry; codes only where a device is connected, since an
// unconnected entry's code is leftover data. Line addresses and loops may differ.
bool SameDevices(const CardRecord& card, const CardRecord& read) {
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t type = card.UoType[i];
        if (type != read.UoType[i]) return false;
        if (type != 0 && card.UoCode[i] != read.UoCode[i]) return false;
    }
    return true;
}

bool AnyDevice(const CardRecord& record) {
    for (int i = 0; i < 4; ++i)
        if (record.UoType[i] != 0) return true;
    return false;
}
}  // namespace

ModemCard FindModemCard(const CardDatabase& database, const WideImage& image) {
    CardRecord read{};
    std::memcpy(&read, image.bytes.data(), image.bytes.size());
    if (!AnyDevice(read)) return {};
    for (int slot = 0; slot < CardDatabase::SlotCount; ++slot) {
        const CardRecord& card = database.cards[std::size_t(slot)];
        if (!card.InUse() || !SameDevices(card, read)) continue;
        // One comparison gives both the verdict and the list it is shown with.
        std::vector<SettingsDifference> differences = CompareWithImage(card, image);
        if (differences.empty()) return {slot, CardMatch::Same, {}};
        const std::uint16_t progId = card.ProgID1, imageCrc = read.ImageCrc;  // packed: copy out
        return {slot, progId == imageCrc ? CardMatch::Changed : CardMatch::Differs,
                std::move(differences)};
    }
    return {};
}

const char* CardMatchWord(CardMatch match) {
    switch (match) {
    case CardMatch::Same: return "same";
    case CardMatch::Changed: return "changed";
    case CardMatch::Differs: return "differs";
    case CardMatch::None: break;
    }
    return "none";
}

}  // namespace gsmprog
