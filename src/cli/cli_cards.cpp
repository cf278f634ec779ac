#include "cli_cards.h"

#include <charconv>
#include <iostream>

#include "card_dates.h"
#include "cli_command.h"

namespace gsmprog::cli {

void PrintFailure(const std::string& text) { std::cerr << "gsmprog-cli: " << text << "\n"; }

int ParseRow(const std::string& text, int& slot) {
    int row = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), row);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || row < 1 ||
        row > CardDatabase::SlotCount) {
        PrintFailure("номер строки должен быть числом от 1 до " +
                     std::to_string(CardDatabase::SlotCount) + ": " + text);
        return ExitUsage;
    }
    slot = row - 1;
    return ExitSuccess;
}

int LoadCards(std::unique_ptr<CardDatabase>& database) {
    database = std::make_unique<CardDatabase>();
    database->LoadDatabase();
    if (database->LastLoadState() == CardDatabase::LoadState::CannotOpen) {
        PrintFailure("не удалось открыть файл " + database->LoadedFile().string());
        return ExitUsage;
    }
    return ExitSuccess;
}

int RequireCard(const CardDatabase& database, int slot) {
    if (database.slots[std::size_t(slot)].InUse()) return ExitSuccess;
    PrintFailure("строка " + std::to_string(slot + 1) + " пуста: карточки нет");
    return ExitUsage;
}

int SaveCards(CardDatabase& database) {
    if (database.SaveDatabase()) return ExitSuccess;
    PrintFailure(CardDatabase::WriteErrorText);
    return ExitWriteFailure;
}

std::string DateText(double days) {
    return days >= CardRecord::InUseThreshold ? FormatDays(days) : std::string();
}

}  // namespace gsmprog::cli
