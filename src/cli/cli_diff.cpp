// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli diff ROW: how the card differs from the image last written from it into a modem,
// as the operations journal keeps it.

#include <iostream>

#include "cli/cli_cards.h"
#include "cli/cli_command.h"
#include "cli/cli_settings.h"
#include "ops/card_history.h"
#include "ops/image_settings.h"
#include "ops/journal_append.h"

namespace gsmprog::cli {
namespace {

constexpr const char* NoWriteText = "Нет записи о программировании этой карточки в журнале";

int Diff(CliContext& context) {
    if (context.args.size() != 1) return UsageError("diff ожидает номер строки");
    int slot = 0;
    if (int status = ParseRow(context.args[0], slot)) return status;
    std::unique_ptr<CardDatabase> database;
    if (int status = LoadCards(database)) return status;
    if (int status = RequireCard(*database, slot)) return status;
    const CardRecord& card = database->cards[std::size_t(slot)];
    const std::filesystem::path journal = JournalFile();
    int readError = 0;
    const std::optional<JournalEntry> written = LastModemWrite(journal, slot, card, &readError);
    if (readError != 0) {
        PrintFailure(UnreadJournalText(journal, readError) + ": сравнивать не с чем");
        return ExitUsage;
    }
    if (!written) {
        std::cout << NoWriteText << '\n' << std::flush;
        return ExitSuccess;
    }
    WideImage image;
    if (!EvaluateJournalImage(*written, image)) {
        PrintFailure("образ в записи журнала от " + written->time +
                     " повреждён: сравнивать не с чем");
        return ExitUsage;
    }
    PrintDifferences(CompareWithImage(card, image));
    return ExitSuccess;
}

const CliCommandRegistrar registrar(
    CliGroup::Cards, "diff", "diff СТРОКА",
    "чем карточка отличается от последнего записанного из неё в модем", Diff);

}  // namespace
}  // namespace gsmprog::cli
