// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli support-report FILE: the support report (the program's version, the system, the
// cable check, the package's files, the last entries of the journal of the working directory's
// card database) written to FILE, which replaces it whole or not at all.

#include <cerrno>

#include "cards/error_text.h"
#include "cards/file_writes.h"
#include "cli/cli_cards.h"
#include "cli/cli_command.h"
#include "ops/journal_append.h"
#include "ops/support_report.h"
#include "ports/cable_directory.h"
#include "program_version.h"

namespace gsmprog::cli {
namespace {

constexpr const char* LogNote =
    "Обмен с модемом в отчёт не входит, только итог и сообщение каждой операции из журнала: "
    "повторите неудавшуюся команду с ключом --verbose и приложите её вывод ошибок, например: "
    "gsmprog-cli --verbose read 2>cable.log";

int SupportReport(CliContext& context) {
    if (context.args.size() != 1 || context.args[0].empty())
        return UsageError("support-report ожидает имя файла");
    if (int status = RefuseProtectedOutput(context.args[0])) return status;
    const std::string report = SupportReportText({std::string("gsmprog-cli ") + ProgramVersion,
                                                  LogNote,
                                                  {"/", DefaultCableDirectory()},
                                                  JournalFile(),
                                                  {}});
    const ByteChunk chunk{report.data(), report.size()};
    if (!ReplaceRegularFile(context.args[0], {&chunk, 1})) {
        PrintFailure("отчёт не записан в " + context.args[0] + ": " +
                     ErrorText(context.args[0], errno));
        return ExitWriteFailure;
    }
    return ExitSuccess;
}

const CliCommandRegistrar registrar(
    CliGroup::Modem, "support-report", "support-report ФАЙЛ",
    "записать в ФАЙЛ отчёт для поддержки (версии, система, проверка кабеля, журнал)",
    SupportReport);

}  // namespace
}  // namespace gsmprog::cli
