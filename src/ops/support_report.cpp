// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/support_report.h"

#include <cerrno>
#include <ctime>
#include <fstream>

#include "cards/error_text.h"
#include "ops/journal_reader.h"
#include "ops/package_files.h"
#include "ops/report_redaction.h"
#include "ports/cable_check_text.h"
#include "ports/system_files.h"

namespace gsmprog {

namespace fs = std::filesystem;

namespace {

constexpr const char* CutNote = "… отчёт обрезан: он длиннее 1 МБ\n";

std::string Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %z", &local);
    return text;
}

// PRETTY_NAME="Debian GNU/Linux 12 (bookworm)" of os-release, as the system names itself.
std::string OsRelease(const fs::path& root) {
    for (const char* file : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::ifstream in(BelowRoot(root, file));
        for (std::string line; std::getline(in, line);) {
            if (!line.starts_with("PRETTY_NAME=")) continue;
            std::string name = line.substr(12);
            if (name.size() >= 2 && (name.front() == '"' || name.front() == '\''))
                name = name.substr(1, name.size() - 2);
            return name;
        }
    }
    return "неизвестна (нет os-release)";
}

void AppendPart(std::string& report, const char* heading, const std::string& body) {
    report += "\n== ";
    report += heading;
    report += " ==\n";
    report += body;
}

// The last journal entries as the journal stores them, redacted; the secrets found in their
// images are handed back for masking the log too.
std::string JournalPart(const std::filesystem::path& journal, std::vector<std::string>& secrets) {
    JournalReadStats stats;
    const auto entries = LastJournalEntries(journal, SupportReportJournalEntries, &stats);
    if (stats.error == ENOENT) return "Журнала нет: " + journal.string() + "\n";
    std::string text = journal.string() + "\n";
    if (stats.error != 0)
        text += "Журнал прочитан не весь: " + ReadErrorText(journal, stats.error) + "\n";
    if (stats.skipped != 0) text += SkippedEntriesText(stats.skipped) + "\n";
    for (const JournalEntry& entry : entries) {
        const std::vector<std::string> found = ImageSecretTexts(entry.image);
        secrets.insert(secrets.end(), found.begin(), found.end());
    }
    for (const JournalEntry& entry : entries)
        text += JournalLine(RedactedJournalEntry(entry, secrets));
    return text;
}

// The newest log lines that fit in `room` bytes, oldest first, with the bytes that went over
// a cable and the journal's secrets masked.
std::string LogPart(const std::vector<std::string>& lines, const std::vector<std::string>& secrets,
                    std::size_t room) {
    std::vector<std::string> kept;
    std::size_t size = 0;
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        std::string masked = MaskSecretTexts(MaskedDebugLine(*line), secrets) + "\n";
        if (size + masked.size() > room) break;
        size += masked.size();
        kept.push_back(std::move(masked));
    }
    std::string text;
    if (kept.size() < lines.size())
        text = "… ранние строки не вошли: " + std::to_string(lines.size() - kept.size()) + "\n";
    for (auto line = kept.rbegin(); line != kept.rend(); ++line) text += *line;
    return text;
}

// Cut at a line end so that the whole stays under the limit with the note that says so.
void Bound(std::string& report) {
    const std::size_t room = SupportReportLimit - std::char_traits<char>::length(CutNote);
    if (report.size() < SupportReportLimit) return;
    const std::size_t lineEnd = report.rfind('\n', room - 1);
    report.resize(lineEnd == std::string::npos ? 0 : lineEnd + 1);
    report += CutNote;
}

}  // namespace

std::string SupportReportText(const SupportReportInput& input) {
    std::string report = "Отчёт gsmprog для поддержки\nСоставлен " + Now() + " программой " +
                         input.program + ".\n" + input.logNote + "\n";
    AppendPart(report, "Программа и система",
               input.program + "\nОС: " + OsRelease(input.places.root) +
                   "\nЯдро: " + FirstLine(BelowRoot(input.places.root, "/proc/version")) + "\n");
    AppendPart(report, "Проверка кабеля", CableCheckText(CheckCables(input.places)));
    AppendPart(report, "Файлы пакета gsmprog", PackageFilesText(input.places.root));
    std::vector<std::string> secrets;
    AppendPart(report, "Журнал операций: последние записи", JournalPart(input.journal, secrets));
    if (input.logLines) {
        constexpr const char* Heading = "Диагностический журнал этого запуска";
        // Room for the heading's line and the cut note's, so that only the log's oldest lines go.
        const std::size_t reserved = report.size() + std::char_traits<char>::length(Heading) + 8 +
                                     std::char_traits<char>::length(CutNote) + 64;
        const std::size_t room = reserved < SupportReportLimit ? SupportReportLimit - reserved : 0;
        AppendPart(report, Heading, LogPart(*input.logLines, secrets, room));
    }
    Bound(report);
    return report;
}

}  // namespace gsmprog
