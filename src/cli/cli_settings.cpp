// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_settings.h"

#include <iostream>

#include "cards/device_codes.h"
#include "cli/cli_cards.h"
#include "cli/cli_command.h"
#include "cli/cli_store.h"
#include "ops/image_settings.h"

namespace gsmprog::cli {

namespace {
int FirstEmptySlot(const CardDatabase& database) {
    for (int slot = 0; slot < CardDatabase::SlotCount; ++slot)
        if (!database.cards[std::size_t(slot)].InUse()) return slot;
    return -1;
}
}  // namespace

void PrintDifferences(const std::vector<SettingsDifference>& differences) {
    if (differences.empty()) std::cout << "Отличий нет\n";
    for (const SettingsDifference& difference : differences)
        std::cout << difference.field->label << ": " << Printable(difference.first) << " → "
                  << Printable(difference.second) << '\n';
    std::cout << std::flush;
}

int MakeNewCard(const WideImage& image, int slot) {
    std::unique_ptr<CardDatabase> database;
    if (int code = LoadCards(database); code != ExitSuccess) return code;
    if (slot < 0) slot = FirstEmptySlot(*database);
    if (slot < 0) {
        PrintFailure("в базе нет свободной строки для новой карточки");
        return ExitUsage;
    }
    if (database->cards[std::size_t(slot)].InUse()) {
        PrintFailure(RowTakenText(slot));
        return ExitUsage;
    }
    const CardRecord card = CardFromImage(image);
    if (const DeviceCodeClash clash = FindDeviceCodeClash(*database, card, slot);
        clash.device >= 0) {
        PrintFailure(DeviceCodeClashText(clash));
        return ExitUsage;
    }
    if (int code = StoreNewCard(*database, slot, card, "Карточка из настроек модема не сохранена");
        code != ExitSuccess)
        return code;
    std::cout << "NewCardRow=" << slot + 1 << '\n' << std::flush;
    return ExitSuccess;
}

}  // namespace gsmprog::cli
