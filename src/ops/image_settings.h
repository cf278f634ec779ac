// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A modem's settings image as a card: compared with a card field by field, or made into a
// new card. Only images that passed their checks get here.

#include <cstdint>
#include <vector>

#include "cards/settings_fields.h"
#include "link/modem_image.h"
#include "ops/journal_entry.h"

namespace gsmprog {

// The settings `image` carries, in a record whose version is the image's and whose card
// number is the one the image starts with.
CardRecord HeldSettings(const WideImage& image);

// The fields `image` carries whose values differ from those of `card`.
std::vector<SettingsDifference> CompareWithImage(const CardRecord& card, const WideImage& image);

// A new card with the settings and the card number of `image`, changed now: object, address
// and the rest the image does not carry are empty, a short image's balance settings those of
// a new card. Its programming ID is the image's, the ID the modem holds.
CardRecord CardFromImage(const WideImage& image);

// The image a file holds: the 444 bytes `read --image` saves (a short image widened), or
// the 316 or 444 bytes as a modem sends them. False when the bytes fail the image's checks.
bool EvaluateSavedImage(const std::vector<std::uint8_t>& bytes, WideImage& image);

// The image a journal entry keeps (hex), when it passes the image's checks.
bool EvaluateJournalImage(const JournalEntry& entry, WideImage& image);

}  // namespace gsmprog
