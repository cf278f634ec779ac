#pragma once
// Which card of the database a modem read back belongs to, and whether it still holds the
// image last written from that card. Device codes are unique across the database, so the
// connected devices (types and codes) identify the card; the programming ID then tells
// whether the modem holds that card's last image.

#include "cards/card_database.h"
#include "link/modem_image.h"

namespace gsmprog {

enum class CardMatch {
    None,      // no card in use has these devices, or the modem has no connected device
    Same,      // the modem holds the image last written from the card
    Changed,   // the same image, but the card was changed after it was programmed
    Differs,   // the modem holds another image than the card's last one
};

struct ModemCard {
    int slot = -1;   // the matching card's slot (grid row - 1); -1 for CardMatch::None
    CardMatch match = CardMatch::None;
};

// The first card in slot order whose connected devices equal those of `image`.
ModemCard FindModemCard(const CardDatabase& database, const WideImage& image);

// "same", "changed", "differs" or "none": the command line's CardMatch= value.
const char* CardMatchWord(CardMatch match);

}  // namespace gsmprog
