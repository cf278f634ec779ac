// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where an entry's line lies in the journal, with a fingerprint of its bytes: a window lists
// many entries by their place alone and reads one whole again when asked, knowing it is still
// the same line and not whatever a replaced or cut journal now holds there.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "ops/journal_entry.h"

namespace gsmprog {

struct JournalPlace {
    std::uint64_t offset = 0;  // of the line's first byte
    std::uint32_t length = 0;  // without its line feed
    std::uint64_t hash = 0;    // of the line's bytes
};

JournalPlace PlaceOfLine(std::uint64_t offset, std::string_view line);

struct PlacedEntry {
    std::optional<JournalEntry> entry;  // nothing when the line is no longer there
    int error = 0;                      // errno when the journal could not be opened or read
};

// The entry whose line stood at `place` in `journal` when it was read.
PlacedEntry ReadEntryAt(const std::filesystem::path& journal, const JournalPlace& place);

}  // namespace gsmprog
