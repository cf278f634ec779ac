// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli show ROW: every stored field of one card as Name=value lines, and its last
// programming from the operations journal.

#include <cstdio>
#include <iostream>

#include "cards/error_text.h"
#include "cli/cli_cards.h"
#include "cli/cli_command.h"
#include "ops/card_history.h"
#include "ops/journal_append.h"

namespace gsmprog::cli {
namespace {

// The four entries of a device array; `entry(i)` copies entry i out of the packed record.
template <typename Entry>
std::string Entries(Entry entry) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) text += ',';
        text += std::to_string(entry(i));
    }
    return text;
}

std::string Hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", unsigned(value));
    return text;
}

std::string ShowText(const CardRecord& c) {
    std::string out;
    auto line = [&out](const char* name, const std::string& value) {
        out += name;
        out += '=';
        out += value;
        out += '\n';
    };
    line("NCardEdit", Utf8(c.NCardEdit));
    line("Edit1", Utf8(c.Edit1));
    line("FIOEdit", Utf8(c.FIOEdit));
    line("RemarkEdit", Utf8(c.RemarkEdit));
    line("UoCode", Entries([&c](int i) { return unsigned(c.UoCode[i]); }));
    line("UoLineAddress", Entries([&c](int i) { return unsigned(c.UoLineAddress[i]); }));
    line("UoType", Entries([&c](int i) { return unsigned(c.UoType[i]); }));
    line("Pin1Edit", Utf8(c.Pin1Edit));
    line("Pin2Edit", Utf8(c.Pin2Edit));
    line("Ip1GsmEdit", Utf8(c.Ip1GsmEdit));
    line("Ip2GsmEdit", Utf8(c.Ip2GsmEdit));
    line("Port1GsmEdit", Utf8(c.Port1GsmEdit));
    line("Port2GsmEdit", Utf8(c.Port2GsmEdit));
    line("APN1Edit", Utf8(c.APN1Edit));
    line("APN2Edit", Utf8(c.APN2Edit));
    line("LoginGsm1Edit", Utf8(c.LoginGsm1Edit));
    line("LoginGsm2Edit", Utf8(c.LoginGsm2Edit));
    line("PassGsm1Edit", Utf8(c.PassGsm1Edit));
    line("PassGsm2Edit", Utf8(c.PassGsm2Edit));
    line("UpdateFlags", std::to_string(c.UpdateFlags));
    line("SmsFlags", std::to_string(c.SmsFlags));
    line("smsNumber1Edit", Utf8(c.smsNumber1Edit));
    line("smsNumber2Edit", Utf8(c.smsNumber2Edit));
    line("smsObjNameEdit", Utf8(c.smsObjNameEdit));
    line("ipUpdateEdit", Utf8(c.ipUpdateEdit));
    line("portParamsEdit", Utf8(c.portParamsEdit));
    line("portUpdateEdit", Utf8(c.portUpdateEdit));
    line("balCodeSim1", Utf8(c.balCodeSim1));
    line("balCodeSim2", Utf8(c.balCodeSim2));
    line("balCritical", std::to_string(std::uint16_t(c.balCritical)));
    line("BalanceFlags", std::to_string(std::uint16_t(c.BalanceFlags)));
    line("PUK1_Edit", Utf8(c.PUK1_Edit));
    line("Number1_Edit", Utf8(c.Number1_Edit));
    line("SIM_ID1_Edit", Utf8(c.SIM_ID1_Edit));
    line("DateChanged", DateText(c.DateChanged));
    line("DateProgrammed", DateText(c.DateProgrammed));
    line("ProgID1", Hex4(c.ProgID1));
    line("ProgID2", Hex4(c.ProgID2));
    line("PUK2_Edit", Utf8(c.PUK2_Edit));
    line("Number2_Edit", Utf8(c.Number2_Edit));
    line("SIM_ID2_Edit", Utf8(c.SIM_ID2_Edit));
    line("VersionCombo", std::to_string(c.VersionCombo));
    line("UoGuardCords", Entries([&c](int i) { return unsigned(c.UoGuardCords[i]); }));
    line("UoFireCords", Entries([&c](int i) { return unsigned(c.UoFireCords[i]); }));
    line("UoModes", Entries([&c](int i) { return unsigned(c.UoModes[i]); }));
    line("UoSpare", Entries([&c](int i) { return unsigned(c.UoSpare[i]); }));
    return out;
}

int Show(CliContext& context) {
    if (context.args.size() != 1) return UsageError("show ожидает номер строки");
    int slot = 0;
    if (int status = ParseRow(context.args[0], slot)) return status;
    std::unique_ptr<CardDatabase> database;
    if (int status = LoadCards(database)) return status;
    NoteMissingDatabase(*database);
    const CardRecord& card = database->cards[std::size_t(slot)];
    if (!card.InUse()) {
        std::cout << "empty\n" << std::flush;
        return ExitSuccess;
    }
    const std::filesystem::path journal = JournalFile();
    int readError = 0;
    const std::optional<JournalEntry> programming =
        LastProgramming(journal, slot, card, &readError);
    // A journal not read says nothing of the card: never "no entries" for it.
    std::string history = CardHistoryText(programming);
    if (readError != 0) {
        PrintFailure(UnreadJournalText(journal, readError));
        if (!programming)
            history = "журнал операций не прочитан: " + ReadErrorText(journal, readError);
    }
    std::cout << ShowText(card) << "LastOperation=" << Printable(history) << '\n' << std::flush;
    return ExitSuccess;
}

const CliCommandRegistrar registrar(CliGroup::Cards, "show", "show СТРОКА",
                                    "все поля карточки строки СТРОКА, как Имя=значение", Show);

}  // namespace
}  // namespace gsmprog::cli
