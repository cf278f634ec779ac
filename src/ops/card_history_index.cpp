// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/card_history_index.h"

#include <cerrno>

namespace gsmprog {

namespace {

// Enough of the end of what was read to tell a file rewritten in place from one appended to.
constexpr std::size_t CheckedBytes = 256;

void Take(std::shared_ptr<const JournalEntry> entry, std::shared_ptr<const JournalEntry>& programming,
          std::shared_ptr<const JournalEntry>& modemWrite) {
    if (IsProgramming(*entry)) programming = entry;
    if (IsModemWrite(*entry)) modemWrite = std::move(entry);
}

}  // namespace

CardHistoryIndex::CardHistoryIndex(std::filesystem::path journal) : journal_(std::move(journal)) {}

bool CardHistoryIndex::Update(std::uint64_t readLimit) {
    lastReadBytes_ = 0;
    const OpenJournal file(journal_);
    if (file.Error() != 0) {
        // No journal, or none to read: no history, as a read finds none.
        Clear();
        readError_ = file.Error() == ENOENT ? 0 : file.Error();
        return true;
    }
    if (read_ && file.Stamp() == stamp_) return true;
    const std::uint64_t from = read_ && OnlyGrew(file) ? wholeLinesEnd_ : 0;
    if (file.Stamp().size - from > readLimit) return false;
    if (from == 0) Clear();

    JournalTail tail;
    const JournalReadStats stats = ReadJournalLines(
        file, from,
        [&](JournalEntry&& entry, std::string_view, std::uint64_t) {
            const auto key = EntryCardKey(entry);
            // Every modem write is a programming too.
            if (!key || !IsProgramming(entry)) return;
            CardEntries& card = cards_[*key];
            Take(std::make_shared<const JournalEntry>(std::move(entry)), card.programming,
                 card.modemWrite);
        },
        tail);
    unterminatedCard_.reset();
    unterminated_ = {};
    if (tail.unterminated) {
        unterminatedCard_ = EntryCardKey(*tail.unterminated);
        Take(std::make_shared<const JournalEntry>(std::move(*tail.unterminated)),
             unterminated_.programming, unterminated_.modemWrite);
    }
    lastReadBytes_ = stats.bytes;
    wholeLinesEnd_ = tail.wholeLinesEnd;
    lastBytes_ = file.BytesBefore(wholeLinesEnd_, CheckedBytes);
    stamp_ = file.Stamp();
    // A failed read is read whole again next time.
    read_ = stats.error == 0;
    readError_ = stats.error;
    return true;
}

bool CardHistoryIndex::OnlyGrew(const OpenJournal& now) const {
    return now.Stamp().SameFile(stamp_) && now.Stamp().size > stamp_.size &&
           now.Stamp().size >= wholeLinesEnd_ &&
           now.BytesBefore(wholeLinesEnd_, lastBytes_.size()) == lastBytes_;
}

void CardHistoryIndex::Clear() {
    cards_.clear();
    unterminatedCard_.reset();
    unterminated_ = {};
    read_ = false;
    stamp_ = {};
    wholeLinesEnd_ = 0;
    lastBytes_.clear();
}

template <typename Kind>
std::optional<JournalEntry> CardHistoryIndex::Newest(int slot, const CardRecord& card,
                                                     Kind kind) const {
    const JournalCardKey key = CardKeyOf(slot, card);
    if (unterminatedCard_ == key && unterminated_.*kind) return *(unterminated_.*kind);
    const auto found = cards_.find(key);
    if (found == cards_.end() || !(found->second.*kind)) return {};
    return *(found->second.*kind);
}

std::optional<JournalEntry> CardHistoryIndex::LastProgramming(int slot,
                                                              const CardRecord& card) const {
    return Newest(slot, card, &CardEntries::programming);
}

std::optional<JournalEntry> CardHistoryIndex::LastModemWrite(int slot,
                                                             const CardRecord& card) const {
    return Newest(slot, card, &CardEntries::modemWrite);
}

}  // namespace gsmprog
