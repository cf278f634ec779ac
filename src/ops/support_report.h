// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The support report: one UTF-8 text to hand to support when a cable or a modem does not work,
// with what support asks first: the program's version, the system and its kernel, the cable
// check, the files of the gsmprog package, the last entries of the operations journal and, from
// the window, the last lines of the diagnostic log of its run. Every PIN, access point, login
// and password in them is replaced by "***". It never holds the card database, and stays under
// SupportReportLimit bytes however long its parts grow.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ports/cable_check.h"

namespace gsmprog {

inline constexpr std::size_t SupportReportLimit = 1000 * 1000;
inline constexpr std::size_t SupportReportJournalEntries = 20;

struct SupportReportInput {
    std::string program;  // "gsmprog-cli 1.38"
    std::string logNote;  // where the diagnostic log of a failure is to be found
    CheckPlaces places;
    std::filesystem::path journal;                     // the card database's operations journal
    std::optional<std::vector<std::string>> logLines;  // the window's diagnostic log, oldest first
};

// A heading line per part ("== Проверка кабеля =="), the parts in the order above. The log's
// oldest lines are left out when the whole would not fit.
std::string SupportReportText(const SupportReportInput& input);

}  // namespace gsmprog
