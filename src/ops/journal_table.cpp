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

JournalRow JournalRowTexts(const JournalEntry& entry) {
    return {entry.time,
            OperationText(entry),
            ResultText(entry.result),
            entry.row ? std::to_string(*entry.row) : std::string(),
            entry.cardNumber,
            entry.object,
            entry.deviceCodes,
            entry.modemVersion,
            IdNotWritten(entry) ? std::string(IdNotWrittenText) : entry.imageCrc,
            entry.user,
            entry.cable.empty() ? entry.port : entry.cable,
            entry.message};
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
