// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the operations journal from its end: a card's last programming or the last entries
// are near the end of a journal of a million lines, so a lookup reads only as far back as the
// first entry that answers.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "ops/journal_reader.h"

namespace gsmprog {

// Small enough that a lookup near the end reads little, large enough for few system calls.
inline constexpr std::size_t JournalBackwardBlock = 256 * 1024;

// Takes an entry, its line and the offset where the line starts; false stops the read.
using BackwardJournalVisitor =
    std::function<bool(JournalEntry&& entry, std::string_view line, std::uint64_t offset)>;

// Hands the entries of `file` (as it stood when opened) to `visit` newest first, reading back
// in blocks, until `visit` says stop or the file's start is reached. Lines are taken as
// ReadJournalLines takes them (a last line without its line feed too, when it parses), and
// counted so for the part read. `blockSize` is what one read takes.
JournalReadStats ReadJournalBackward(const OpenJournal& file, const BackwardJournalVisitor& visit,
                                     const JournalReadScope& scope = {},
                                     std::size_t blockSize = JournalBackwardBlock);

}  // namespace gsmprog
