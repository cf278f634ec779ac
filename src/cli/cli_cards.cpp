// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_cards.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <iostream>

#include "cards/card_dates.h"
#include "cards/database_files.h"
#include "cards/protected_outputs.h"
#include "cli/cli_command.h"
#include "text/byte_scan.h"
#include "cards/error_text.h"

namespace gsmprog::cli {

void PrintFailure(const std::string& text) { std::cerr << "gsmprog-cli: " << text << "\n"; }

int ParseRow(const std::string& text, int& slot) {
    int row = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), row);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || row < 1 ||
        row > CardDatabase::SlotCount) {
        return UsageError("номер строки должен быть числом от 1 до " +
                          std::to_string(CardDatabase::SlotCount) + ": " + text);
    }
    slot = row - 1;
    return ExitSuccess;
}

std::string FileName(const std::filesystem::path& file) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(file, error);
    return (error ? file : absolute).string();
}

namespace {

std::string KindOf(const std::filesystem::path& file) {
    struct stat info {};
    return FileKindText(::stat(file.c_str(), &info) == 0 ? info.st_mode : 0);
}

}  // namespace

std::string DatabaseLinkText(const CardDatabase& database) {
    return BrokenLinkText(
        LocateDatabase(std::filesystem::path(FileName(database.DatabasePath())).parent_path()));
}

std::string IncompleteLoadText(const CardDatabase& database) {
    if (database.LastLoadState() != CardDatabase::LoadState::Partial) return {};
    const CardDatabase::LoadDetail& detail = database.LastLoadDetail();
    const std::string file = "файл " + FileName(database.LoadedFile());
    if (detail.size == 0) return file + " пуст: карточек нет";
    if (!detail.sizeFits)
        return file + " не прочитан: его размер " + std::to_string(detail.size) +
               " байт не подходит ни к одному формату базы карточек";
    if (detail.cardBlocks > std::size_t(CardDatabase::SlotCount) &&
        detail.cardsRead == std::size_t(CardDatabase::SlotCount))
        return "в файле " + FileName(database.LoadedFile()) + " карточек больше " +
               std::to_string(CardDatabase::SlotCount) + " (" + std::to_string(detail.cardBlocks) +
               "): прочитаны первые " + std::to_string(CardDatabase::SlotCount);
    if (detail.cardsRead < std::min<std::size_t>(detail.cardBlocks, CardDatabase::SlotCount))
        return file + " прочитан не полностью: прочитано карточек " +
               std::to_string(detail.cardsRead) + " из " + std::to_string(detail.cardBlocks);
    return file + " прочитан не полностью: не прочитана последняя запись (образец новой карточки)";
}

int LoadCards(std::unique_ptr<CardDatabase>& database) {
    database = std::make_unique<CardDatabase>();
    database->LoadDatabase();
    switch (database->LastLoadState()) {
    case CardDatabase::LoadState::CannotOpen:
        PrintFailure("не удалось открыть файл " + database->LoadedFile().string() + ": " +
                     ReadErrorText(database->LastLoadDetail().error));
        return ExitUsage;
    case CardDatabase::LoadState::BrokenLink:
        PrintFailure("внимание: " +
                     DatabaseLinkText(*database) +
                     ": карточек нет, и записать базу через эту ссылку нельзя");
        return ExitSuccess;
    case CardDatabase::LoadState::NotRegular:
        PrintFailure(FileName(database->LoadedFile()) + " — " + KindOf(database->LoadedFile()) +
                     ", а не файл базы карточек");
        return ExitUsage;
    default:
        if (const std::string text = IncompleteLoadText(*database); !text.empty())
            PrintFailure("внимание: " + text);
        return ExitSuccess;
    }
}

void NoteMissingDatabase(const CardDatabase& database) {
    if (database.LastLoadState() != CardDatabase::LoadState::NoFile) return;
    const std::filesystem::path file = FileName(database.DatabasePath());
    PrintFailure("в каталоге " + file.parent_path().string() + " нет базы карточек (" +
                 file.filename().string() + ")");
}

std::string WriteFailureText(const CardDatabase& database, int error) {
    return WriteFailureText(FileName(database.DatabasePath()), error);
}

std::string WriteFailureText(const std::filesystem::path& file, int error) {
    return std::string(CardDatabase::WriteErrorText) + " (" + file.string() +
           "): " + ErrorText(file, error);
}

int RefuseProtectedOutput(const std::filesystem::path& output) {
    const std::string reason = ProtectedOutputReason(output);
    if (reason.empty()) return ExitSuccess;
    PrintFailure(ProtectedOutputRefusal(output, reason));
    return ExitUsage;
}

std::string UnreadJournalText(const std::filesystem::path& journal, int error) {
    return "не удалось прочитать журнал операций " + journal.string() + ": " +
           ReadErrorText(journal, error);
}

int RequireCard(const CardDatabase& database, int slot) {
    if (database.cards[std::size_t(slot)].InUse()) return ExitSuccess;
    PrintFailure("строка " + std::to_string(slot + 1) + " пуста: карточки нет");
    return ExitUsage;
}

void AppendPrintable(std::string& out, std::string_view utf8, bool keepLineBreaks) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        // Runs that need nothing are copied at once.
        const std::size_t plain = FindControlOrBackslash(utf8.data() + i, utf8.size() - i);
        out.append(utf8.data() + i, plain);
        i += plain;
        if (i == utf8.size()) break;
        const auto c = static_cast<unsigned char>(utf8[i]);
        // The C1 controls U+0080..U+009F are 0xC2 0x80..0x9F.
        const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0u;
        const bool c1 = c == 0xC2 && next >= 0x80 && next < 0xA0;
        const unsigned control = c1 ? next : c;
        if (c1) ++i;
        if (c == '\\') out += "\\\\";
        else if (keepLineBreaks && (c == '\t' || c == '\n' || c == '\r')) out += char(c);
        else if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c1 || c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += Digits[control >> 4];
            out += Digits[control & 0xF];
        } else {
            out += char(c);
        }
    }
}

std::string Printable(std::string_view utf8, bool keepLineBreaks) {
    std::string out;
    out.reserve(utf8.size());
    AppendPrintable(out, utf8, keepLineBreaks);
    return out;
}

std::string Printable(const QString& text) { return Printable(text.toStdString()); }

std::string DateText(double days) {
    return days >= CardRecord::InUseThreshold ? FormatDays(days) : std::string();
}

}  // namespace gsmprog::cli
