// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli journal: the entries of the operations journal beside the card database, oldest
// first, as tab-separated columns, as the journal window's CSV export, or as stored.

#include <cerrno>
#include <functional>
#include <iostream>
#include <optional>

#include "cards/error_text.h"
#include "cli/cli_cards.h"
#include "cli/cli_command.h"
#include "ops/journal_append.h"
#include "ops/journal_line_match.h"
#include "ops/journal_listing.h"
#include "ops/journal_reader.h"
#include "ops/journal_since.h"
#include "ops/journal_table.h"
#include "ops/journal_time.h"

namespace gsmprog::cli {
namespace {

enum class Format { Tsv, Csv, Json };

struct JournalFilter {
    std::optional<int> row;
    std::optional<std::string> card;
    std::optional<std::int64_t> since;

    bool Accepts(const JournalEntry& entry) const {
        if (row && entry.row != row) return false;
        if (card && entry.cardNumber != *card) return false;
        if (since) {
            const auto time = IsoTimeSeconds(entry.time);
            if (!time || *time < *since) return false;
        }
        return true;
    }
};

int TakeOptions(std::vector<std::string>& args, JournalFilter& filter, Format& format) {
    for (std::size_t i = 0; i < args.size(); i += 2) {
        const std::string& option = args[i];
        if (option != "--row" && option != "--card" && option != "--since" && option != "--format")
            return UsageError("journal: неизвестный аргумент " + option);
        if (i + 1 >= args.size()) return UsageError("после " + option + " нужно значение");
        const std::string& value = args[i + 1];
        if (option == "--row") {
            int slot = 0;
            if (int code = ParseRow(value, slot); code != ExitSuccess) return code;
            filter.row = slot + 1;
        } else if (option == "--card") {
            filter.card = value;
        } else if (option == "--since") {
            filter.since = UserTimeSeconds(value);
            if (!filter.since)
                return UsageError("неверная дата " + value +
                                  ": ожидается ГГГГ-ММ-ДД или ГГГГ-ММ-ДД ЧЧ:ММ");
        } else if (value == "tsv") {
            format = Format::Tsv;
        } else if (value == "csv") {
            format = Format::Csv;
        } else if (value == "json") {
            format = Format::Json;
        } else {
            return UsageError("формат журнала — tsv, csv или json: " + value);
        }
    }
    return ExitSuccess;
}

// CSV quotes its line breaks and tabs, so that a message keeps its lines there; any other
// control character is escaped as `list` escapes it.
JournalRow CsvPrintableRow(JournalRow row) {
    for (std::string& text : row) text = Printable(text, true);
    return row;
}

void AppendTsvLine(std::string& out, const JournalEntry& entry) {
    std::string scratch;
    for (std::size_t i = 0; i < JournalColumnCount; ++i) {
        if (i > 0) out += '\t';
        AppendPrintable(out, JournalColumnText(entry, i, scratch));  // as `list` escapes its texts
    }
    out += '\n';
}

// Output goes out in blocks as entries are read: the first lines show at once, and memory
// stays the same for a journal of any size.
constexpr std::size_t OutputBlock = 64 * 1024;

void Flush(std::string& out) {
    std::cout.write(out.data(), std::streamsize(out.size()));
    out.clear();
}

// The cheap test of a line before it is parsed, when only one row or card is asked for.
std::function<bool(std::string_view)> WantedLines(const JournalFilter& filter) {
    if (!filter.row && !filter.card) return {};
    return [&filter](std::string_view line) {
        return (!filter.row || LineMayHaveRow(line, *filter.row)) &&
               (!filter.card || LineMayHaveText(line, *filter.card));
    };
}

int Journal(CliContext& context) {
    JournalFilter filter;
    Format format = Format::Tsv;
    if (int code = TakeOptions(context.args, filter, format); code != ExitSuccess) return code;
    const std::filesystem::path journal = JournalFile();
    std::string out;
    out.reserve(2 * OutputBlock);
    if (format == Format::Csv) out = JournalCsvLine(JournalColumnTitles());
    const auto print = [&](const JournalEntry& entry, std::string_view line, std::string& into) {
        if (!filter.Accepts(entry)) return;
        switch (format) {
        case Format::Tsv: AppendTsvLine(into, entry); break;
        case Format::Csv: into += JournalCsvLine(CsvPrintableRow(JournalRowTexts(entry))); break;
        case Format::Json:
            into += line;
            into += '\n';
            break;
        }
    };
    const OpenJournal file(journal);
    const std::uint64_t from = filter.since ? JournalStartSince(file, *filter.since) : 0;
    const JournalReadStats stats =
        ListJournal(file, from, {WantedLines(filter), JournalParts::Listed}, print,
                    [&](std::string_view block) {
                        out += block;
                        if (out.size() >= OutputBlock) Flush(out);
                    });
    Flush(out);
    std::cout.flush();
    if (stats.error == ENOENT) {
        PrintFailure("журнала операций " + journal.string() +
                     " нет: операций с модемом здесь не было");
    } else if (stats.error != 0) {
        PrintFailure(UnreadJournalText(journal, stats.error));
        return ExitUsage;
    }
    if (stats.skipped > 0) PrintFailure(SkippedEntriesText(stats.skipped));
    return ExitSuccess;
}

const CliCommandRegistrar registrar(
    CliGroup::Cards, "journal",
    "journal [--row СТРОКА] [--card НОМЕР] [--since ДАТА] [--format tsv|csv|json]",
    "журнал операций с модемами, от старых к новым", Journal);

}  // namespace
}  // namespace gsmprog::cli
