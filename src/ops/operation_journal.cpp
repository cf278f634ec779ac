// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/operation_journal.h"

#include "ops/journal_append.h"

namespace gsmprog {

OperationJournal::OperationJournal(const std::filesystem::path& directory)
    : file_(JournalFile(directory)) {}

std::string OperationJournal::Record(const ExchangeRecord& record) {
    if (!record.Begun()) return {};
    const std::string failure =
        AppendJournalLine(file_, JournalLine(BuildJournalEntry(record.Facts())));
    if (failure.empty() || failureTold_) return {};
    failureTold_ = true;
    return JournalFailureText(file_, failure);
}

}  // namespace gsmprog
