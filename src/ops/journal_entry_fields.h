// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One journal entry told whole, field by field: who ran which exchange, on which cable, for
// which card, and the settings its image holds with the read-result window's names.

#include <string>
#include <vector>

#include "ops/journal_entry.h"

namespace gsmprog {

struct JournalField {
    std::string name;   // UTF-8, e.g. "Пользователь"
    std::string value;  // UTF-8
};

// The entry's fields that hold something, then, when its image is a whole settings image
// (its CRC checks), the settings in it; an image that is none is given as its hex alone.
std::vector<JournalField> JournalEntryFields(const JournalEntry& entry);

}  // namespace gsmprog
