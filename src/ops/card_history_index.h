// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Each card's last programming and last modem write in the operations journal, kept between
// lookups: the window asks on every selection, and reading a journal of 100 000 entries each
// time would stall it. Built in one pass; while the journal is unchanged nothing is read, and
// when it only grew (other programs append too) only the appended lines are.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "cards/card_record.h"
#include "ops/card_history.h"
#include "ops/journal_entry.h"
#include "ops/journal_reader.h"

namespace gsmprog {

class CardHistoryIndex {
public:
    explicit CardHistoryIndex(std::filesystem::path journal);

    // Brings the index up to the journal as it is now: nothing is read while it is unchanged,
    // the appended lines when it only grew, the whole file when it is new or was replaced.
    // False, with the index as it was, when that would read more than `readLimit` bytes.
    bool Update(std::uint64_t readLimit = UINT64_MAX);

    // As the free functions of card_history.h give them, as of the last Update.
    std::optional<JournalEntry> LastProgramming(int slot, const CardRecord& card) const;
    std::optional<JournalEntry> LastModemWrite(int slot, const CardRecord& card) const;

    // Bytes the last Update read.
    std::uint64_t LastReadBytes() const { return lastReadBytes_; }
    // The errno of a journal that the last Update found but could not read whole; 0 when it
    // read it, or found none.
    int ReadError() const { return readError_; }

private:
    // The entries that concern one card (row and card number), shared where one entry is both.
    struct CardEntries {
        std::shared_ptr<const JournalEntry> programming;
        std::shared_ptr<const JournalEntry> modemWrite;
    };

    // Whether the journal as `now` only grew past what was read: the same file, longer, and
    // the bytes before the read's end as they were.
    bool OnlyGrew(const OpenJournal& now) const;
    void Clear();
    // The newest of each kind that concerns the card, among `entries` and then the unterminated.
    template <typename Kind>
    std::optional<JournalEntry> Newest(int slot, const CardRecord& card, Kind kind) const;

    const std::filesystem::path journal_;
    std::map<JournalCardKey, CardEntries> cards_;
    // The last line without its line feed, when it parsed: newer than all of cards_, and read
    // again with what is appended to it.
    std::optional<JournalCardKey> unterminatedCard_;
    CardEntries unterminated_;
    bool read_ = false;  // cards_ holds the journal as `stamp_` was, read without error
    JournalStamp stamp_;
    std::uint64_t wholeLinesEnd_ = 0;
    std::string lastBytes_;  // the bytes before wholeLinesEnd_, to tell an append from a rewrite
    std::uint64_t lastReadBytes_ = 0;
    int readError_ = 0;
};

}  // namespace gsmprog
