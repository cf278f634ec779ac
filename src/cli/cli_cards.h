// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the card commands of gsmprog-cli share: the row argument, loading and saving the
// database of the working directory, and the texts of dates, codes and fields.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "cards/card_database.h"
#include "text/win1251.h"

namespace gsmprog::cli {

// Parses a grid row 1..9000 into its slot 0..8999. Prints the reason and returns ExitUsage
// for anything else; returns ExitSuccess otherwise.
int ParseRow(const std::string& text, int& slot);

// Loads the database of the current directory into `database`. A file that exists but
// cannot be opened, or that is no regular file, is reported with the reason (ExitUsage); a
// file that could not be loaded whole, or a link that leads to no file, is named with the
// reason on stderr, and the command goes on.
int LoadCards(std::unique_ptr<CardDatabase>& database);

// For the commands that show cards: says on stderr that the working directory holds no card
// database, when LoadCards found none, so that an empty output is not taken for an empty one.
void NoteMissingDatabase(const CardDatabase& database);

// `file` as an absolute name, for messages that name it wherever the user is.
std::string FileName(const std::filesystem::path& file);

// Why the database's link is not followed, the database named absolutely; empty when it is.
std::string DatabaseLinkText(const CardDatabase& database);

// Why a file that exists did not load whole; empty when it did.
std::string IncompleteLoadText(const CardDatabase& database);

// Why the last save or check of `database` failed, errno being `error`: "Ошибка записи на
// диск (FILE): REASON".
std::string WriteFailureText(const CardDatabase& database, int error);
// Why writing `file` failed, errno being `error`: "Ошибка записи на диск (FILE): REASON".
std::string WriteFailureText(const std::filesystem::path& file, int error);

// ExitUsage, with the reason printed, when writing `output` would destroy a file of the
// database of the current directory (the database, its lock, a copy, the journal).
int RefuseProtectedOutput(const std::filesystem::path& output);

// "не удалось прочитать журнал операций JOURNAL: REASON", errno being `error`.
std::string UnreadJournalText(const std::filesystem::path& journal, int error);

// ExitUsage, with the reason printed, when slot `slot` holds no card.
int RequireCard(const CardDatabase& database, int slot);

// "YYYY-MM-DD HH:MM:SS" of a date that is set (at least 0.001), else empty.
std::string DateText(double days);

// `text` as UTF-8 that cannot break a line or a column of the output: a backslash becomes
// "\\", tab, LF and CR "\t", "\n" and "\r", any other control character "\xNN". With
// `keepLineBreaks` tab, LF and CR stay as they are, for a format that quotes them (CSV).
std::string Printable(const QString& text);
std::string Printable(std::string_view utf8, bool keepLineBreaks = false);
// The same, appended to `out`.
void AppendPrintable(std::string& out, std::string_view utf8, bool keepLineBreaks = false);

// A text field as printable UTF-8.
template <std::size_t N>
std::string Utf8(const char (&field)[N]) {
    return Printable(FromField(field));
}

// Prints a failure text on stderr.
void PrintFailure(const std::string& text);

}  // namespace gsmprog::cli
