// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_store.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "cli/cli_cards.h"
#include "cli/cli_command.h"
#include "cards/database_lock.h"
#include "cards/device_codes.h"

namespace gsmprog::cli {

namespace {

constexpr const char* CliProgramName = "gsmprog-cli";
// Another command's store takes a fraction of a second; a whole fleet of them stays within
// this, and so does a window being closed.
constexpr std::chrono::seconds StoreWait{10};
constexpr std::chrono::milliseconds LockPoll{10};

// A window holds the lock until it closes: a command would wait for it in vain. A lock holds
// a name only while its holder really holds it; one not named (yet) may be a command's.
bool HeldByWindow(const DatabaseLock& lock) {
    return lock.Holder().pid != 0 && lock.Holder().program != CliProgramName;
}

// After a confirmed exchange the ID must get into the card: whoever holds the lock, it is
// tried again until the kernel lock is free or the time is up.
bool TakeForStore(DatabaseLock& lock) {
    const auto deadline = std::chrono::steady_clock::now() + StoreWait;
    for (;;) {
        const DatabaseLock::Outcome outcome = lock.Take(CliProgramName);
        if (outcome == DatabaseLock::Outcome::Taken) return true;
        if (outcome == DatabaseLock::Outcome::Failed ||
            std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(LockPoll);
    }
}

// Why a database read whole before is no more: another program cut, removed or replaced it.
std::string ChangedMeanwhileText(const CardDatabase& database) {
    const std::string lead = "файл базы карточек изменился во время работы программы: ";
    if (database.LastLoadState() == CardDatabase::LoadState::NoFile)
        return lead + "файл " + FileName(database.DatabasePath()) + " удалён";
    if (database.LastLoadState() == CardDatabase::LoadState::BrokenLink)
        return lead + DatabaseLinkText(database);
    return lead + IncompleteLoadText(database);
}

// Re-reads the database under the lock, lets `change` change it (it gives the reason it
// cannot, or nothing) and saves; empty, or the reason.
std::string Store(CardDatabase& database, const std::function<std::string(CardDatabase&)>& change) {
    const bool wasWhole = database.LastLoadState() == CardDatabase::LoadState::Complete;
    database.LoadDatabase();
    if (database.LastLoadState() == CardDatabase::LoadState::CannotOpen ||
        database.LastLoadState() == CardDatabase::LoadState::NotRegular)
        return "файл " + database.LoadedFile().string() + " не читается";
    // Cards missing now are not the user's doing, and nothing is saved over the file.
    if (wasWhole && database.LastLoadState() != CardDatabase::LoadState::Complete)
        return ChangedMeanwhileText(database);
    if (std::string refusal = change(database); !refusal.empty()) return refusal;
    if (!database.SaveDatabase()) return WriteFailureText(database, errno);
    if (!database.UnreadCopy().empty())
        PrintFailure("прочитанный не полностью файл базы сохранён как " +
                     database.UnreadCopy().string());
    if (database.LastLoadDetail().names > 1)
        PrintFailure("внимание: " + FileName(database.LoadedFile()) + ": " +
                     CardDatabase::HardLinksText);
    return {};
}

int StoreUnderLock(CardDatabase& database, const std::function<std::string(CardDatabase&)>& change,
                   const std::string& lostText, std::string* told) {
    DatabaseLock lock;
    const std::string reason = TakeForStore(lock) ? Store(database, change) : lock.Refusal();
    if (reason.empty()) return ExitSuccess;
    PrintFailure(lostText + ": " + reason);
    if (told) *told += (told->empty() ? "" : "\n") + lostText + ": " + reason;
    return ExitWriteFailure;
}

}  // namespace

int CheckStorable(const CardDatabase& database, const std::string& untouchedText,
                  const std::string& windowWork) {
    DatabaseLock lock;
    std::string reason;
    std::string remedy;
    const DatabaseLock::Outcome outcome = lock.Take(CliProgramName);
    const bool window = outcome == DatabaseLock::Outcome::Held && HeldByWindow(lock);
    if (outcome == DatabaseLock::Outcome::Failed || window) reason = lock.Refusal();
    else if (!database.CanSave()) reason = WriteFailureText(database, errno);
    if (reason.empty()) return ExitSuccess;
    if (window)
        remedy = " Закройте то окно " + lock.Holder().program + " (PID " +
                 std::to_string(lock.Holder().pid) + ") или " + windowWork + " в нём.";
    PrintFailure(reason + ". " + untouchedText + remedy);
    return ExitWriteFailure;
}

int StoreInCard(CardDatabase& database, int slot, const std::function<void(CardRecord&)>& change,
                const std::string& lostText, std::string* told) {
    return StoreUnderLock(
        database,
        [&](CardDatabase& stored) -> std::string {
            CardRecord& card = stored.cards[std::size_t(slot)];
            if (!card.InUse()) return "карточку строки " + std::to_string(slot + 1) + " удалили";
            change(card);
            return {};
        },
        lostText, told);
}

int StoreNewCard(CardDatabase& database, int slot, const CardRecord& card,
                 const std::string& lostText) {
    return StoreUnderLock(
        database,
        [&](CardDatabase& stored) -> std::string {
            if (stored.cards[std::size_t(slot)].InUse()) return RowTakenText(slot);
            if (const DeviceCodeClash clash = FindDeviceCodeClash(stored, card, slot);
                clash.device >= 0)
                return DeviceCodeClashText(clash);
            stored.cards[std::size_t(slot)] = card;
            return {};
        },
        lostText, nullptr);
}

std::string RowTakenText(int slot) {
    return "строка " + std::to_string(slot + 1) + " уже занята карточкой";
}

std::string DeviceCodeClashText(const DeviceCodeClash& clash) {
    return std::string(DeviceCodeTakenText) + ": код УОО " + std::to_string(clash.device + 1) +
           " есть у карточки строки " + std::to_string(clash.slot + 1);
}

}  // namespace gsmprog::cli
