// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli list: one tab-separated line per card in use, in slot order.

#include <iostream>

#include "cards/card_fields.h"
#include "cli/cli_cards.h"
#include "cli/cli_command.h"

namespace gsmprog::cli {
namespace {

int List(CliContext& context) {
    if (!context.args.empty()) return UsageError("list не принимает аргументов");
    std::unique_ptr<CardDatabase> database;
    if (int status = LoadCards(database)) return status;
    NoteMissingDatabase(*database);
    std::string out;
    for (int slot = 0; slot < CardDatabase::SlotCount; ++slot) {
        const CardRecord& card = database->cards[std::size_t(slot)];
        if (!card.InUse()) continue;
        const double programmed = card.DateProgrammed;
        out += std::to_string(slot + 1) + '\t' + UoCodesText(card) + '\t' + Utf8(card.NCardEdit) +
               '\t' + Utf8(card.Edit1) + '\t' + DateText(card.DateChanged) + '\t' +
               (programmed > CardRecord::InUseThreshold ? DateText(programmed) : std::string()) +
               '\n';
    }
    std::cout << out << std::flush;
    return ExitSuccess;
}

const CliCommandRegistrar registrar(CliGroup::Cards, "list", "list",
                                    "карточки по строке, поля через табуляцию", List);

}  // namespace
}  // namespace gsmprog::cli
