// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operations journal as one run of a program writes it: each exchange appended as it
// ends, and a journal that cannot be written told once per run, never failing the exchange.

#include <filesystem>
#include <string>

#include "ops/exchange_record.h"

namespace gsmprog {

class OperationJournal {
public:
    // The journal of the card database in `directory` (empty: the current one).
    explicit OperationJournal(const std::filesystem::path& directory = {});

    const std::filesystem::path& File() const { return file_; }

    // Appends the entry of `record` when its exchange was begun. The first failure of the run
    // is returned as "Журнал операций не записан (ФАЙЛ): ПРИЧИНА", to be shown under the
    // operation's result; otherwise empty.
    std::string Record(const ExchangeRecord& record);

private:
    std::filesystem::path file_;
    bool failureTold_ = false;
};

}  // namespace gsmprog
