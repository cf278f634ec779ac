// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A card's history in the operations journal: which entries concern it, and the line the
// windows and `gsmprog-cli show` give of its last programming.

#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "cards/card_record.h"
#include "ops/journal_entry.h"

namespace gsmprog {

inline constexpr const char* NoJournalEntriesText = "нет записей в журнале";

// A card as the journal names it: its row (1..9000) and its card number (UTF-8). An entry
// concerns a card when both are the same (a row whose card was deleted and made anew for
// another number has a history of its own).
using JournalCardKey = std::pair<int, std::string>;
JournalCardKey CardKeyOf(int slot, const CardRecord& card);
// Nothing for an entry of no card.
std::optional<JournalCardKey> EntryCardKey(const JournalEntry& entry);

// Whether `entry` concerns the card in `slot`.
bool ConcernsCard(const JournalEntry& entry, int slot, const CardRecord& card);

// The newest entries of these kinds are a card's history.
bool IsProgramming(const JournalEntry& entry);  // of the modem or of an object device
bool IsModemWrite(const JournalEntry& entry);   // of the card's settings into a modem

// The newest successful programming (of the modem or of an object device) of the card.
// `readError`, when given, gets the errno of a journal that is there but could not be read whole (0
// when it was read, or there is none): what was not read may hold the answer.
std::optional<JournalEntry> LastProgramming(const std::filesystem::path& journal, int slot,
                                            const CardRecord& card, int* readError = nullptr);

// The newest successful write of the card's settings into a modem: its entry holds the image.
std::optional<JournalEntry> LastModemWrite(const std::filesystem::path& journal, int slot,
                                           const CardRecord& card, int* readError = nullptr);

// "Последнее программирование: 07.12.2026 10:42, ivanov, кабель FT4ABC12, модем 2.5.1" (the
// cable and modem parts only when known), or NoJournalEntriesText.
std::string CardHistoryText(const std::optional<JournalEntry>& programming);

}  // namespace gsmprog
