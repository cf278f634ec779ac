// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a program knows of an exchange with a modem when it ends, and the journal entry made of
// it: the window and the command line collect the same facts and get the same entry.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cards/card_record.h"
#include "ops/journal_entry.h"

namespace gsmprog {

struct OperationFacts {
    JournalOperation operation = JournalOperation::Program;
    JournalResult result = JournalResult::Failed;
    std::string message;  // the message the user saw (UTF-8)
    std::chrono::system_clock::time_point started{};
    std::chrono::milliseconds duration{0};

    std::string program;  // "gsmprog-cli", "gsmprog"
    std::string cable;    // serial number; empty when no cable was found
    std::string port;     // device path
    std::optional<int> latencyMs;

    // The card the exchange was for (programming, object device) or that the modem was found
    // to belong to (read), as it was then.
    std::optional<CardRecord> card;
    int slot = -1;

    std::string modemVersion;  // the DEVICE reply; empty when none came
    std::optional<std::uint16_t> imageCrc;
    std::optional<std::uint16_t> previousId;
    std::vector<std::uint8_t> image;    // written (programming) or read
    std::optional<int> device;          // object device 0..3
    std::vector<std::uint8_t> command;  // its command bytes
};

// The entry of `facts`, with the user, host and version of this program filled in.
JournalEntry BuildJournalEntry(const OperationFacts& facts);

}  // namespace gsmprog
