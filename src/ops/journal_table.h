// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The journal as a table: the columns the journal window shows and exports and the command
// line prints, and the CSV export of them.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "ops/journal_entry.h"

namespace gsmprog {

inline constexpr std::size_t JournalColumnCount = 12;
using JournalRow = std::array<std::string, JournalColumnCount>;

// "Время", "Операция", "Результат", "Строка", "Карточка", "Объект", "Коды УОО",
// "Версия модема", "ID", "Пользователь", "Кабель", "Сообщение".
const JournalRow& JournalColumnTitles();

// The texts of `entry` in those columns (UTF-8), e.g. "Запись УОО 2", "сбой". A programming
// that did not end well has "не записан" for its ID: the modem was never confirmed to hold the
// ID the entry keeps.
JournalRow JournalRowTexts(const JournalEntry& entry);
// The text of one column, without copying what the entry holds: valid while `entry` and
// `scratch` (which holds a text made for it) are.
std::string_view JournalColumnText(const JournalEntry& entry, std::size_t column,
                                   std::string& scratch);

inline constexpr const char* IdNotWrittenText = "не записан";
// The entry's ID did not get into a modem: a programming that did not end well.
bool IdNotWritten(const JournalEntry& entry);

// A row's texts in one allocation, for a window that keeps a row of each of many entries.
class PackedJournalRow {
public:
    PackedJournalRow() = default;
    explicit PackedJournalRow(const JournalRow& row);

    std::string_view Text(std::size_t column) const;
    JournalRow Unpacked() const;

private:
    std::string texts_;  // one after the other
    std::array<std::uint32_t, JournalColumnCount> ends_{};
};

// One CSV line of `row` as the card export writes them: Windows-1251 (a character without a
// Windows-1251 byte becomes '?'), fields separated by ';' and quoted when they hold ';', '"'
// or a line break, CR LF at the end.
std::string JournalCsvLine(const JournalRow& row);

}  // namespace gsmprog
