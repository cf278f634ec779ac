// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The semicolon-separated summary of all cards in use ("Экспорт в CSV"): Windows-1251
// bytes, CR LF line ends, no byte-order mark.

#include <filesystem>
#include <string>

#include "cards/card_record.h"

namespace gsmprog {

inline constexpr const char* CsvHeader =
    "NCard;Object;KodUoo;KodLine;Pin1;Pin2;SIM1_ID;SIM2_ID\r\n";

// The export text of the cards in use among the first `count` of `cards`, in slot order.
std::string CsvText(const CardRecord* cards, int count);

// Writes CsvText to `fileName`, replacing an existing file (atomically: on failure the old
// file stays as it was). False when the file could not be written.
bool ExportCsv(const std::filesystem::path& fileName, const CardRecord* cards, int count);

}  // namespace gsmprog
