// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli write-uo ROW DEVICE: writes the loop and mode settings of object device DEVICE
// (1..4) of card ROW into that device through the modem.

#include <iostream>

#include "cards/card_dates.h"
#include "cli/cli_cable.h"
#include "cli/cli_cards.h"
#include "cli/cli_command.h"
#include "cli/cli_store.h"
#include "link/ftdi_uo_prog_ctrl.h"
#include "link/modem_image.h"

namespace gsmprog::cli {
namespace {

// The window offers "Записать настройки в УОО" only for the device types with loops; the
// others hold nothing to write. Empty for those types, else the reason.
std::string NoLoopsReason(std::uint8_t type) {
    enum { NotConnected = 0, Uoo1, Uoo3, Uoo6 };
    switch (type) {
    case Uoo3:
    case Uoo6: return {};
    case NotConnected: return "«Не подключено»";
    case Uoo1: return "«УОО 1Ш»";
    default: return "неизвестный тип " + std::to_string(type);
    }
}

int WriteUo(CliContext& context) {
    CableChoice choice;
    if (int code = TakeCableOption(context.args, choice); code != ExitSuccess) return code;
    if (context.args.size() != 2) return UsageError("write-uo ждёт два аргумента: СТРОКА УОО");
    int slot = 0;
    if (int code = ParseRow(context.args[0], slot); code != ExitSuccess) return code;
    const std::string& deviceText = context.args[1];
    if (deviceText.size() != 1 || deviceText[0] < '1' || deviceText[0] > '4')
        return UsageError("номер УОО должен быть от 1 до 4: " + deviceText);
    const int device = deviceText[0] - '1';
    StopSignals stopSignals;
    ExchangeJournal journal(JournalOperation::WriteUo);
    HeardCable cable(MakeCable(choice));
    FTDI_UoProgCtrl link{cable};
    OpeningCable opening(link, choice);
    std::unique_ptr<CardDatabase> database;
    if (int code = LoadCards(database); code != ExitSuccess) return code;
    if (int code = RequireCard(*database, slot); code != ExitSuccess) return code;

    const CardRecord& card = database->cards[std::size_t(slot)];
    if (const std::string reason = NoLoopsReason(card.UoType[device]); !reason.empty()) {
        PrintFailure("у УОО " + deviceText + " карточки строки " + std::to_string(slot + 1) +
                     " нет настроек шлейфов (" + reason + "): записывать нечего");
        return ExitUsage;
    }
    const UoCommand command = BuildUoCommand(card, device);
    if (int code = CheckStorable(
            *database, "УОО не программировалось: дату программирования некуда записать.",
            "запишите настройки в УОО");
        code != ExitSuccess)
        return code;

    OperationFacts& facts = journal.Facts();
    facts.card = card;
    facts.slot = slot;
    facts.device = device;
    facts.command.assign(command.begin(), command.end());
    const LinkOutcome outcome = RunLink(stopSignals, link, cable, opening, choice, journal,
                                        command.data(), static_cast<std::int32_t>(command.size()));
    if (int code = ReportOutcome(outcome, LinkOperation::WriteUo, ProgramFailedHeader,
                                 UoStoppedText, UoDoneText, journal);
        code != ExitSuccess)
        return code;

    const int stored = StoreInCard(
        *database, slot, [](CardRecord& card) { RecordUoProgrammed(card, CurrentDays()); },
        "УОО запрограммировано, но дата программирования не записана в базу карточек",
        &facts.message);
    if (stored != ExitSuccess) return stored;
    std::cout << UoDoneText << "\n";
    return ExitSuccess;
}

const CliCommandRegistrar registrar(CliGroup::Modem, "write-uo", "write-uo СТРОКА УОО [КАБЕЛЬ]",
                                    "записать в УОО (1..4) его шлейфы из карточки", WriteUo);

}  // namespace
}  // namespace gsmprog::cli
