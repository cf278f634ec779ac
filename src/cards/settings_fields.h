// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings a modem image carries, one entry per control of the main window: where each
// lives in the record, which image sizes carry it, the name the window labels it by and its
// value as the window shows it. One table serves the comparison of a card with a modem, the
// card form and the journal's entry view, so a field cannot be shown but missed by a
// comparison. The card number counts too: every image starts with it (ImageCardNumber), and a
// record made from an image holds it where a card does (NCardEdit). Object, address, note,
// dates, IDs and the device loops and modes are no part of the image and never count as
// differences.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cards/card_record.h"

namespace gsmprog {

enum class SettingsKind {
    Text,     // Windows-1251 up to the first zero, shown in UTF-8
    Version,  // VersionCombo: "до 81.31", "81.32 и выше"
    DeviceType,  // a UoType entry: "Не подключено", "УОО 1Ш", "УОО 3Ш", "УОО 6ША"
    DeviceCode,       // a UoCode entry, unsigned decimal; "НД" while the device is not connected
    LineAddress,      // a UoLineAddress entry, decimal; "НД" while the device is not connected
    Flag,             // a check box: "да" when `bit` is set in the byte or word at `offset`
    ClearedFlag,      // a check box ticked when `bit` is clear
    CriticalBalance,  // balCritical, decimal, 0 shown as 10
};

struct SettingsField {
    std::string label;  // UTF-8, "PIN1", "УОО 3: Код УО на ПЦН", "Тип событий: Тревога"
    const char* control = "";  // the main window's control ("Pin1Edit"; a device's on its tab)
    std::size_t offset = 0;    // in the record
    std::size_t size = 0;      // bytes at `offset`
    SettingsKind kind = SettingsKind::Text;
    std::uint16_t bit = 0;  // Flag, ClearedFlag
    int device = -1;        // DeviceType, DeviceCode, LineAddress: entry 0..3
};

// The short image ("до 81.31") carries the record's settings up to here, the long one
// ("81.32 и выше") up to the random pair at 440.
inline constexpr std::size_t ShortImageSettingsEnd = offsetof(CardRecord, balCodeSim1);

// In the order of the main window: card number, version, the four devices, the GSM, SMS,
// balance and update pages.
const std::vector<SettingsField>& SettingsFields();

// Whether an image of `variant` (0: 316 bytes, 1: 444 bytes) carries `field`. Any other
// variant counts as the short image.
bool CarriedBy(const SettingsField& field, int variant);

// The value of `field` in `record` as the window shows it (UTF-8). Values of one meaning
// show alike: bytes after a text's terminator, other bits of a flag byte, the code of a device
// that is not connected.
std::string ShownValue(const SettingsField& field, const CardRecord& record);

struct SettingsDifference {
    const SettingsField* field = nullptr;
    std::string first;   // the value in the first record (the card)
    std::string second;  // the value in the second (the modem or the image written)
};

// The fields whose shown values differ between `card` and `held`, of those an image of
// `held`'s version carries, in table order.
std::vector<SettingsDifference> CompareSettings(const CardRecord& card, const CardRecord& held);

}  // namespace gsmprog
