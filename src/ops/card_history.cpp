// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/card_history.h"

#include "cards/card_fields.h"
#include "ops/card_history_index.h"
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

// A single lookup reads the journal once either way.
std::optional<JournalEntry> LastProgramming(const std::filesystem::path& journal, int slot,
                                            const CardRecord& card, int* readError) {
    CardHistoryIndex index(journal);
    index.Update();
    if (readError) *readError = index.ReadError();
    return index.LastProgramming(slot, card);
}

std::optional<JournalEntry> LastModemWrite(const std::filesystem::path& journal, int slot,
                                           const CardRecord& card, int* readError) {
    CardHistoryIndex index(journal);
    index.Update();
    if (readError) *readError = index.ReadError();
    return index.LastModemWrite(slot, card);
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
