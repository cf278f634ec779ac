// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/card_history.h"

#include <cerrno>

#include "cards/card_fields.h"
#include "ops/journal_backward.h"
#include "ops/journal_line_match.h"
#include "ops/journal_time.h"
#include "text/charset.h"

namespace gsmprog {

JournalCardKey CardKeyOf(int slot, const CardRecord& card) {
    return {slot + 1, Win1251ToUtf8(FieldText(card.NCardEdit))};
}

std::optional<JournalCardKey> EntryCardKey(const JournalEntry& entry) {
    if (!entry.row) return {};
    return JournalCardKey{*entry.row, entry.cardNumber};
}

bool ConcernsCard(const JournalEntry& entry, int slot, const CardRecord& card) {
    return EntryCardKey(entry) == CardKeyOf(slot, card);
}

bool IsProgramming(const JournalEntry& entry) {
    return entry.result == JournalResult::Ok && entry.operation != JournalOperation::Read;
}

bool IsModemWrite(const JournalEntry& entry) {
    return entry.result == JournalResult::Ok && entry.operation == JournalOperation::Program;
}

namespace {

// The newest entry of the card that `kind` accepts, read from the journal's end: the first
// that answers ends the read, and only lines naming the card's row and number are parsed.
std::optional<JournalEntry> NewestOfCard(const std::filesystem::path& journal, int slot,
                                         const CardRecord& card,
                                         bool (*kind)(const JournalEntry&), int* readError) {
    const JournalCardKey key = CardKeyOf(slot, card);
    const OpenJournal file(journal);
    std::optional<JournalEntry> newest;
    const JournalReadStats stats = ReadJournalBackward(file,
                        [&](JournalEntry&& entry, std::string_view, std::uint64_t) {
                            if (EntryCardKey(entry) != key || !kind(entry)) return true;
                            newest = std::move(entry);
                            return false;
                        },
                        {[&](std::string_view line) {
                             return LineMayHaveRow(line, key.first) &&
                                    LineMayHaveText(line, key.second);
                         },
                         JournalParts::All});
    // No journal is no history; one that is there but unreadable may hold the answer.
    if (readError) *readError = stats.error == ENOENT ? 0 : stats.error;
    return newest;
}

}  // namespace

std::optional<JournalEntry> LastProgramming(const std::filesystem::path& journal, int slot,
                                            const CardRecord& card, int* readError) {
    return NewestOfCard(journal, slot, card, IsProgramming, readError);
}

std::optional<JournalEntry> LastModemWrite(const std::filesystem::path& journal, int slot,
                                           const CardRecord& card, int* readError) {
    return NewestOfCard(journal, slot, card, IsModemWrite, readError);
}

std::string CardHistoryText(const std::optional<JournalEntry>& programming) {
    if (!programming) return NoJournalEntriesText;
    std::string text = "Последнее программирование: " + ShortTimeText(programming->time);
    if (!programming->user.empty()) text += ", " + programming->user;
    const std::string& cable = programming->cable.empty() ? programming->port : programming->cable;
    if (!cable.empty()) text += ", кабель " + cable;
    if (!programming->modemVersion.empty()) text += ", модем " + programming->modemVersion;
    return text;
}

}  // namespace gsmprog
