// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/journal_table.h"

#include "cards/csv_field.h"
#include "text/charset.h"

namespace gsmprog {

namespace {

std::string OperationText(const JournalEntry& entry) {
    switch (entry.operation) {
    case JournalOperation::Program: return "Программирование";
    case JournalOperation::Read: return "Считывание";
    case JournalOperation::WriteUo:
        return entry.device ? "Запись УОО " + std::to_string(*entry.device) : "Запись УОО";
    }
    return {};
}

const char* ResultText(JournalResult result) {
    switch (result) {
    case JournalResult::Ok: return "успешно";
    case JournalResult::Failed: return "сбой";
    case JournalResult::Stopped: return "остановлено";
    }
    return "";
}

// Character by character, so that one character without a byte costs only itself.
std::string Win1251OrMark(const std::string& utf8) {
    std::string bytes;
    if (Utf8ToWin1251(utf8, bytes)) return bytes;
    bytes.clear();
    std::size_t i = 0;
    while (i < utf8.size()) {
        std::size_t length = 1;
        while (i + length < utf8.size() &&
               (static_cast<unsigned char>(utf8[i + length]) & 0xC0) == 0x80)
            ++length;
        std::string one;
        bytes += Utf8ToWin1251(utf8.substr(i, length), one) ? one : "?";
        i += length;
    }
    return bytes;
}

}  // namespace

const JournalRow& JournalColumnTitles() {
    static const JournalRow titles{"Время",    "Операция",     "Результат", "Строка",
                                   "Карточка", "Объект",       "Коды УОО",  "Версия модема",
                                   "ID",       "Пользователь", "Кабель",    "Сообщение"};
    return titles;
}

bool IdNotWritten(const JournalEntry& entry) {
    return entry.operation == JournalOperation::Program && entry.result != JournalResult::Ok &&
           !entry.imageCrc.empty();
}

std::string_view JournalColumnText(const JournalEntry& entry, std::size_t column,
                                   std::string& scratch) {
    switch (column) {
    case 0: return entry.time;
    case 1: return scratch = OperationText(entry);
    case 2: return ResultText(entry.result);
    case 3: return scratch = entry.row ? std::to_string(*entry.row) : std::string();
    case 4: return entry.cardNumber;
    case 5: return entry.object;
    case 6: return entry.deviceCodes;
    case 7: return entry.modemVersion;
    case 8: return IdNotWritten(entry) ? std::string_view(IdNotWrittenText) : entry.imageCrc;
    case 9: return entry.user;
    case 10: return entry.cable.empty() ? entry.port : entry.cable;
    case 11: return entry.message;
    }
    return {};
}

JournalRow JournalRowTexts(const JournalEntry& entry) {
    JournalRow row;
    std::string scratch;
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = JournalColumnText(entry, i, scratch);
    return row;
}

PackedJournalRow::PackedJournalRow(const JournalRow& row) {
    std::size_t size = 0;
    for (const std::string& text : row) size += text.size();
    texts_.reserve(size);
    for (std::size_t i = 0; i < row.size(); ++i) {
        texts_ += row[i];
        ends_[i] = static_cast<std::uint32_t>(texts_.size());
    }
}

std::string_view PackedJournalRow::Text(std::size_t column) const {
    const std::uint32_t start = column == 0 ? 0 : ends_[column - 1];
    return std::string_view(texts_).substr(start, ends_[column] - start);
}

JournalRow PackedJournalRow::Unpacked() const {
    JournalRow row;
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = Text(i);
    return row;
}

std::string JournalCsvLine(const JournalRow& row) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0) line += ';';
        AppendCsvField(line, Win1251OrMark(row[i]));
    }
    return line + "\r\n";
}

}  // namespace gsmprog
