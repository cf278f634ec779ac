// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli program ROW: writes the settings image of card ROW into the modem and, on
// success, records the image CRC as the card's programming identifier.

#include <iostream>

#include "cards/card_dates.h"
#include "cli/cli_cable.h"
#include "cli/cli_cards.h"
#include "cli/cli_command.h"
#include "cli/cli_store.h"
#include "link/modem_image.h"
#include "ops/read_result.h"

namespace gsmprog::cli {
namespace {

int Program(CliContext& context) {
    CableChoice choice;
    if (int code = TakeCableOption(context.args, choice); code != ExitSuccess) return code;
    if (context.args.size() != 1) return UsageError("program ждёт один аргумент: СТРОКА");
    int slot = 0;
    if (int code = ParseRow(context.args[0], slot); code != ExitSuccess) return code;
    // The cable is looked for while the cards load; the modem hears nothing before the checks
    // below have passed.
    StopSignals stopSignals;
    ExchangeJournal journal(JournalOperation::Program);
    HeardCable cable(MakeCable(choice));
    FTDI_Controller link{cable};
    OpeningCable opening(link, choice);
    std::unique_ptr<CardDatabase> database;
    if (int code = LoadCards(database); code != ExitSuccess) return code;
    if (int code = RequireCard(*database, slot); code != ExitSuccess) return code;

    const CardRecord card = database->cards[std::size_t(slot)];
    const ModemImage image = BuildModemImage(card, card.VersionCombo);
    if (image.length == 0) {
        // Only 0 and 1 name an image layout; anything else would send an empty image.
        PrintFailure(NoImageVariantText);
        return ExitUsage;
    }

    if (int code =
            CheckStorable(*database, "Модем не программировался: его новый ID некуда записать.",
                          "запрограммируйте модем");
        code != ExitSuccess)
        return code;

    OperationFacts& facts = journal.Facts();
    facts.card = card;
    facts.slot = slot;
    facts.previousId = std::uint16_t(card.ProgID1);
    facts.imageCrc = image.crc;
    facts.image.assign(image.bytes.begin(), image.bytes.begin() + std::ptrdiff_t(image.length));
    const LinkOutcome outcome =
        RunLink(stopSignals, link, cable, opening, choice, journal, image.bytes.data(),
                static_cast<std::int32_t>(image.length));
    if (int code = ReportOutcome(outcome, LinkOperation::ProgramModem, ProgramFailedHeader,
                                 ProgramStoppedText, ProgramDoneText, journal);
        code != ExitSuccess)
        return code;

    // The modem holds the new ID whether or not it reaches the card: it is printed either way.
    const std::string id = "ProgID1=" + ProgIdText(image.crc);
    const int stored = StoreInCard(
        *database, slot,
        [&](CardRecord& card) { RecordModemProgrammed(card, image.crc, CurrentDays()); },
        "Модем запрограммирован, но его новый ID (" + id + ") не записан в базу карточек",
        &facts.message);
    std::cout << id << "\n";
    return stored;
}

const CliCommandRegistrar registrar(CliGroup::Modem, "program", "program СТРОКА [КАБЕЛЬ]",
                                    "записать в модем карточку строки СТРОКА", Program);

}  // namespace
}  // namespace gsmprog::cli
