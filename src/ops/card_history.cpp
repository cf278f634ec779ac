// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/card_history.h"

#include "cards/card_fields.h"
#include "ops/journal_reader.h"
#include "ops/journal_time.h"
#include "text/charset.h"

namespace gsmprog {

bool ConcernsCard(const JournalEntry& entry, int slot, const CardRecord& card) {
    if (!entry.row || *entry.row != slot + 1) return false;
    return entry.cardNumber == Win1251ToUtf8(FieldText(card.NCardEdit));
}

namespace {
// The newest successful exchange of the card whose operation `wanted` accepts.
template <typename Wanted>
std::optional<JournalEntry> LastSuccess(const std::filesystem::path& journal, int slot,
                                        const CardRecord& card, Wanted wanted) {
    return LastJournalEntry(journal, [&](const JournalEntry& entry) {
        return entry.result == JournalResult::Ok && wanted(entry.operation) &&
               ConcernsCard(entry, slot, card);
    });
}
}  // namespace

std::optional<JournalEntry> LastProgramming(const std::filesystem::path& journal, int slot,
                                            const CardRecord& card) {
    return LastSuccess(journal, slot, card,
                       [](JournalOperation op) { return op != JournalOperation::Read; });
}

std::optional<JournalEntry> LastModemWrite(const std::filesystem::path& journal, int slot,
                                           const CardRecord& card) {
    return LastSuccess(journal, slot, card,
                       [](JournalOperation op) { return op == JournalOperation::Program; });
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
