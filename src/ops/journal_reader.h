// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the operations journal, which tolerates anything a shared file may hold: torn and
// garbage lines, unknown members, lines of a later version, lines of any length, a file of any
// size. Lines that give no entry are skipped and counted; memory stays bounded per line.

#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ops/journal_entry.h"

namespace gsmprog {

// Longer lines are no entry of this program (an image is at most 888 hex digits): they are
// skipped without being held.
inline constexpr std::size_t MaxJournalLine = 64 * 1024;

struct JournalReadStats {
    std::size_t entries = 0;  // lines that gave an entry
    std::size_t skipped = 0;  // lines that did not
    int error = 0;            // errno of a failed open or read; ENOENT when there is no journal
};

using JournalVisitor = std::function<void(JournalEntry&& entry, std::string_view line)>;

// Hands every entry of `journal` to `visit` with the line it was read from, oldest first.
JournalReadStats ReadJournal(const std::filesystem::path& journal, const JournalVisitor& visit);

// The last `count` entries, oldest first.
std::deque<JournalEntry> LastJournalEntries(const std::filesystem::path& journal, std::size_t count,
                                            JournalReadStats* stats = nullptr);

// The newest entry `wanted` accepts; nothing when there is none.
std::optional<JournalEntry> LastJournalEntry(
    const std::filesystem::path& journal, const std::function<bool(const JournalEntry&)>& wanted);

// "пропущено записей: N", told when lines were skipped.
std::string SkippedEntriesText(std::size_t skipped);

}  // namespace gsmprog
