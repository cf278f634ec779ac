// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the entries since a date start in the operations journal, found by their times
// instead of by reading everything before them.

#include <cstdint>

#include "ops/journal_reader.h"

namespace gsmprog {

// How far before the place the times point to a read starts: entries are appended in time
// order, but a clock set back (by hand, or by a computer whose clock drifted) writes a few
// out of order. About 1400 programmings.
inline constexpr std::uint64_t JournalClockMargin = 2 << 20;

// The start of a line from which a forward read meets every entry of `since` (seconds since
// the epoch) or later, as far as the journal is in time order within JournalClockMargin:
// found by bisection over the entries' times. 0 for a journal no longer than the margin.
std::uint64_t JournalStartSince(const OpenJournal& file, std::int64_t since);

}  // namespace gsmprog
