// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which card of the database a modem read back belongs to, and whether it holds that card's
// settings as they are now. Device codes are unique across the database, so the connected
// devices (types and codes) identify the card; the settings themselves, compared field by
// field with the card, tell whether the modem is up to date. Dates cannot tell: writing one
// object device also stamps the card as programmed.

#include <vector>

#include "cards/card_database.h"
#include "cards/settings_fields.h"
#include "link/modem_image.h"

namespace gsmprog {

enum class CardMatch {
    None,     // no card in use has these devices, or the modem has no connected device
    Same,     // the modem holds the card's settings as they are now
    Changed,  // the modem holds the card's last written image, but the card changed since
    Differs,  // the modem holds other settings, written from another image than the card's last
};

struct ModemCard {
    int slot = -1;  // the matching card's slot (grid row - 1); -1 for CardMatch::None
    CardMatch match = CardMatch::None;
    // What the verdict rests on: none for Same, at least one for Changed and Differs.
    std::vector<SettingsDifference> differences;
};

// The first card in slot order whose connected devices equal those of `image`, with the
// fields the image carries that differ from the card's.
ModemCard FindModemCard(const CardDatabase& database, const WideImage& image);

// "same", "changed", "differs" or "none": the command line's CardMatch= value.
const char* CardMatchWord(CardMatch match);

}  // namespace gsmprog
