// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The journal entry of one exchange with a modem as a program collects it: what is sent and
// for which card before it starts, the cable and what came back when the link ends, and how
// it ended as the user was told. The window and the command line fill it alike.

#include <chrono>
#include <string>

#include "link/ftdi_controller.h"
#include "ops/operation_facts.h"

namespace gsmprog {

class ExchangeRecord {
public:
    // `program` names the program in the entry: "gsmprog", "gsmprog-cli".
    ExchangeRecord(JournalOperation operation, std::string program);

    OperationFacts& Facts() { return facts_; }
    const OperationFacts& Facts() const { return facts_; }

    // The exchange begins now; only a begun exchange is journalled.
    void Begin();
    bool Begun() const { return begun_; }
    // The link's exchange ended: its duration, the cable it ran on (the first of the list when
    // none was asked for), the modem's version and, for a read, the bytes read.
    void Exchanged(const FTDI_Controller& link);
    // How it ended, with the message the user was given.
    void End(JournalResult result, std::string message);

private:
    OperationFacts facts_;
    bool begun_ = false;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace gsmprog
