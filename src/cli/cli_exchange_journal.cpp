// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_exchange_journal.h"

#include "ports/latency_timer.h"
#include "cli/cli_cable.h"
#include "cli/cli_cards.h"
#include "ops/operation_journal.h"

namespace gsmprog::cli {

ExchangeJournal::ExchangeJournal(JournalOperation operation) : record_(operation, "gsmprog-cli") {}

ExchangeJournal::~ExchangeJournal() {
    if (const std::string failure = OperationJournal().Record(record_); !failure.empty())
        PrintFailure(failure);
}

void ExchangeJournal::Exchanged(const FTDI_Controller& link, const CableChoice& choice) {
    record_.Exchanged(link);
    OperationFacts& facts = record_.Facts();
    facts.port = choice.port;
    if (const auto listed = FindListedCable(choice, facts.cable)) {
        facts.port = listed->device;
        facts.latencyMs = ReadLatencyTimer(*listed);
    }
}

}  // namespace gsmprog::cli
