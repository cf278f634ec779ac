// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the benchmarks of the operations journal share: a programming's entry as the window
// writes it, with its 444-byte image, and a journal of many of them.

#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "ops/hex_text.h"
#include "ops/journal_entry.h"
#include "ops/journal_time.h"

namespace gsmprog::bench {

inline JournalEntry ProgrammingEntry(int row) {
    JournalEntry entry;
    entry.time = "2026-12-07T10:42:13+03:00";
    entry.operation = JournalOperation::Program;
    entry.result = JournalResult::Ok;
    entry.message = "Программирование произведено успешно!";
    entry.durationMs = 1400;
    entry.user = "ivanov";
    entry.host = "laptop";
    entry.program = "gsmprog";
    entry.programVersion = "1.38";
    entry.cable = "FT4ABC12";
    entry.port = "/dev/ttyUSB0";
    entry.latencyMs = 1;
    entry.row = row;
    entry.cardNumber = std::to_string(1000 + row);
    entry.object = "Склад «Север», ворота 2";
    entry.deviceCodes = "1234 + 4000000000";
    entry.dateChanged = "2026-12-07T10:40:00";
    entry.imageCrc = "1A2B";
    entry.previousId = "00FF";
    std::uint8_t image[444];
    for (std::size_t i = 0; i < sizeof image; ++i) image[i] = std::uint8_t(i * 7 + row);
    entry.image = HexText(image, sizeof image);
    return entry;
}

// The time of the `index`th entry of WriteProgrammingJournal's journals: five minutes apart
// from 2016-01-01, so a million of them fill a busy decade.
inline std::int64_t ProgrammingEntrySeconds(int index) {
    return 1451606400 + std::int64_t(index) * 300;
}

// Writes `count` programmings, of rows 1..9000 in turn and in time order, as the journal
// `journal`: one real entry repeated with its row, card number and time changed; with `image`
// (hex) when given.
inline void WriteProgrammingJournal(const std::filesystem::path& journal, int count,
                                    const std::string& image = {}) {
    std::ofstream out(journal, std::ios::binary);
    JournalEntry entry = ProgrammingEntry(1);
    if (!image.empty()) entry.image = image;
    for (int i = 0; i < count; ++i) {
        entry.row = 1 + i % 9000;
        entry.cardNumber = std::to_string(1000 + *entry.row);
        entry.time = LocalIsoTime(
            std::chrono::system_clock::from_time_t(std::time_t(ProgrammingEntrySeconds(i))));
        out << JournalLine(entry);
    }
}

}  // namespace gsmprog::bench
