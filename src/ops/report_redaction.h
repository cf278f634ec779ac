// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeping a modem's secrets out of a support report: the SIM cards' PINs and the access points,
// logins and passwords of its GPRS connections, wherever the journal or the diagnostic log
// would show them.

#include <string>
#include <string_view>
#include <vector>

#include "ops/journal_entry.h"

namespace gsmprog {

inline constexpr std::string_view SecretMask = "***";

// The image hex of a journal entry with the digits of every secret byte replaced by '*'
// (two a byte, so every other byte keeps its offset); empty when the hex is no image of a
// known length, as then no one can tell where its secrets lie.
std::string MaskedImageHex(std::string_view hex);

// The secrets an image hex holds as texts (UTF-8), the empty ones left out.
std::vector<std::string> ImageSecretTexts(std::string_view hex);

// `text` with every occurrence of each of `secrets` replaced by SecretMask.
std::string MaskSecretTexts(std::string text, const std::vector<std::string>& secrets);

// The entry with its image masked and each of `secrets` masked in its texts.
JournalEntry RedactedJournalEntry(JournalEntry entry, const std::vector<std::string>& secrets);

// A diagnostic log line with the bytes that went over a cable replaced by SecretMask, unless
// they are one of the programming protocol's own words: a dump may start or end anywhere in
// an image, so which of its bytes are secret cannot be told.
std::string MaskedDebugLine(std::string_view line);

}  // namespace gsmprog
