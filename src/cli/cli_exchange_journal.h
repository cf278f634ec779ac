// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The journal entry of a command's exchange with a modem. The command notes what it sends and
// for which card; RunLink notes the cable and what came back, ReportOutcome how it ended; the
// entry is appended when the command is done with it, whatever the end. A journal that cannot
// be written is said once on stderr and changes nothing else. Create it after StopSignals, so
// that the line is written before a second Ctrl-C could end the command.

#include "link/ftdi_controller.h"
#include "ops/exchange_record.h"

namespace gsmprog::cli {

struct CableChoice;

class ExchangeJournal {
public:
    explicit ExchangeJournal(JournalOperation operation);
    // Appends the entry when an exchange was begun.
    ~ExchangeJournal();
    ExchangeJournal(const ExchangeJournal&) = delete;
    ExchangeJournal& operator=(const ExchangeJournal&) = delete;

    OperationFacts& Facts() { return record_.Facts(); }

    // The exchange begins now.
    void Begin() { record_.Begin(); }
    // It ended: the cable it ran on, with its device and latency timer as the cable list of
    // `choice` shows them, and what the modem gave back.
    void Exchanged(const FTDI_Controller& link, const CableChoice& choice);
    // How it ended, with the message the user was given.
    void End(JournalResult result, std::string message) { record_.End(result, std::move(message)); }

private:
    ExchangeRecord record_;
};

}  // namespace gsmprog::cli
