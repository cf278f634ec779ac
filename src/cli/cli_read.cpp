// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli read: reads the settings image and the version out of the modem and prints
// them as the read-result window shows them, one Name=value line per control, then the card
// of the working directory's database that the modem belongs to, and on request how that card
// differs from the modem, or a new card made from the modem.

#include <cerrno>
#include <iostream>

#include "ops/card_match.h"
#include "cli/cli_cable.h"
#include "cli/cli_cards.h"
#include "cli/cli_command.h"
#include "cli/cli_settings.h"
#include "cards/file_writes.h"
#include "link/ftdi_read_ctrl.h"
#include "ops/read_result.h"
#include "ops/image_settings.h"
#include "text/win1251.h"

namespace gsmprog::cli {
namespace {

// What the modem holds is printed as safely as the cards it came from.
std::string Shown(const std::string& win1251) { return Printable(FromWin1251(win1251)); }

void PrintView(const ReadResultView& view, const std::string& version, int variant) {
    auto text = [](const char* name, const std::string& value) {
        std::cout << name << '=' << value << '\n';
    };
    auto tick = [](const char* name, bool value) {
        std::cout << name << '=' << (value ? 1 : 0) << '\n';
    };
    text("versionEdit", Printable(QString::fromStdString(version)));
    text("CodeUoo", Shown(view.CodeUoo));
    text("numLine", Shown(view.numLine));
    text("Pin1Edit", Shown(view.Pin1Edit));
    text("Pin2Edit", Shown(view.Pin2Edit));
    text("Ip1GsmEdit", Shown(view.Ip1GsmEdit));
    text("Ip2GsmEdit", Shown(view.Ip2GsmEdit));
    text("Port1GsmEdit", Shown(view.Port1GsmEdit));
    text("Port2GsmEdit", Shown(view.Port2GsmEdit));
    text("APN1Edit", Shown(view.APN1Edit));
    text("APN2Edit", Shown(view.APN2Edit));
    text("LoginGsm1Edit", Shown(view.LoginGsm1Edit));
    text("LoginGsm2Edit", Shown(view.LoginGsm2Edit));
    text("PassGsm1Edit", Shown(view.PassGsm1Edit));
    text("PassGsm2Edit", Shown(view.PassGsm2Edit));
    tick("sendSMS1Check", view.sendSMS1Check);
    tick("sendSMS2Check", view.sendSMS2Check);
    tick("smsGuardModeCheck", view.smsGuardModeCheck);
    tick("smsFireCheck", view.smsFireCheck);
    tick("smsKtcCheck", view.smsKtcCheck);
    tick("smsAlarmCheck", view.smsAlarmCheck);
    tick("saveSMSCheck", view.saveSMSCheck);
    text("smsNumber1Edit", Shown(view.smsNumber1Edit));
    text("smsNumber2Edit", Shown(view.smsNumber2Edit));
    text("smsObjNameEdit", Shown(view.smsObjNameEdit));
    if (view.balanceGroupVisible) {
        text("balCodeSim1", Shown(view.balCodeSim1));
        text("balCodeSim2", Shown(view.balCodeSim2));
        text("balCritical", view.balCritical);
        tick("balSendPcnCheck", view.balSendPcnCheck);
    }
    text("ProgID1", view.ProgID1);
    std::cout << "ReadVariant=" << variant << '\n';
}

void PrintModemCard(const ModemCard& card) {
    std::cout << "CardRow=";
    if (card.match != CardMatch::None) std::cout << card.slot + 1;
    std::cout << "\nCardMatch=" << CardMatchWord(card.match) << '\n';
}

int Read(CliContext& context) {
    CableChoice choice;
    if (int code = TakeCableOption(context.args, choice); code != ExitSuccess) return code;
    std::filesystem::path imageFile;
    bool showDifferences = false, makeCard = false;
    for (std::size_t i = 0; i < context.args.size(); ++i) {
        const std::string& arg = context.args[i];
        if (arg == "--image" && i + 1 < context.args.size() && imageFile.empty())
            imageFile = context.args[++i];
        else if (arg == "--diff") showDifferences = true;
        else if (arg == "--new-card") makeCard = true;
        else
            return UsageError(
                "read принимает только --image ФАЙЛ, --diff, --new-card и ключ кабеля");
    }
    if (!imageFile.empty())
        if (int code = RefuseProtectedOutput(imageFile)) return code;

    StopSignals stopSignals;
    ExchangeJournal journal(JournalOperation::Read);
    HeardCable cable(MakeCable(choice));
    FTDI_ReadCtrl link{cable};
    OpeningCable opening(link, choice);
    const LinkOutcome outcome = RunLink(stopSignals, link, cable, opening, choice, journal);
    if (int code = ReportOutcome(outcome, LinkOperation::ReadModem, ReadFailedHeader,
                                 ReadStoppedText, "", journal);
        code != ExitSuccess)
        return code;

    WideImage image;
    if (!EvaluateReadImage(link.Data, static_cast<std::size_t>(link.DataLen), image)) {
        const std::string failure = std::string(ReadFailedHeader) + BadReadDataText;
        PrintText(failure);
        journal.End(JournalResult::Failed, failure);
        return ExitDeviceFailure;
    }
    if (!imageFile.empty()) {
        const ByteChunk chunk{image.bytes.data(), image.bytes.size()};
        if (!ReplaceRegularFile(imageFile, {&chunk, 1})) {
            PrintFailure(WriteFailureText(imageFile, errno));
            return ExitWriteFailure;
        }
    }
    // A database that cannot be opened is reported and leaves no cards: what was read is
    // still worth showing, so the read succeeds with no card found.
    std::unique_ptr<CardDatabase> database;
    LoadCards(database);
    const ReadResultView view = DescribeReadImage(image);
    const ModemCard modemCard = FindModemCard(*database, image);
    PrintView(view, link.Version, image.variant);
    PrintModemCard(modemCard);
    if (showDifferences && modemCard.match != CardMatch::None)
        PrintDifferences(modemCard.differences);
    OperationFacts& facts = journal.Facts();
    facts.imageCrc = std::uint16_t(std::stoul(view.ProgID1, nullptr, 16));
    if (modemCard.match != CardMatch::None) {
        facts.card = database->cards[std::size_t(modemCard.slot)];
        facts.slot = modemCard.slot;
    }
    return makeCard ? MakeNewCard(image, -1) : ExitSuccess;
}

const CliCommandRegistrar registrar(CliGroup::Modem, "read",
                                    "read [--image ФАЙЛ] [--diff] [--new-card] [КАБЕЛЬ]",
                                    "считать модем и найти его карточку", Read);

}  // namespace
}  // namespace gsmprog::cli
