// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Listing the operations journal: parsing a line costs several times reading it, so blocks of
// lines are parsed and formatted on other threads while the next ones are read, and their
// output is written in the journal's order as each is done. A few blocks are under way at
// once, so memory stays the same for a journal of any size.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ops/journal_reader.h"

namespace gsmprog {

// Appends what `entry` (read from `line`) lists as to `out`; called on the parsing threads.
using JournalFormatter =
    std::function<void(const JournalEntry& entry, std::string_view line, std::string& out)>;
// Takes the output of one block; called on the listing's thread, in the journal's order.
using JournalOutput = std::function<void(std::string_view out)>;

// Lists the entries of `file` from offset `from` (a line's start) on, the last line without its
// line feed too when it parses whole; counts as ReadJournal does.
JournalReadStats ListJournal(const OpenJournal& file, std::uint64_t from,
                             const JournalReadScope& scope, const JournalFormatter& format,
                             const JournalOutput& write);

}  // namespace gsmprog
