// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli export-csv FILE: the same bytes as the window's "Экспорт в CSV".

#include <cerrno>

#include "cli/cli_cards.h"
#include "cli/cli_command.h"
#include "cards/csv_export.h"

namespace gsmprog::cli {
namespace {

int ExportCsvCommand(CliContext& context) {
    if (context.args.size() != 1 || context.args[0].empty())
        return UsageError("export-csv ожидает имя файла");
    if (int status = RefuseProtectedOutput(context.args[0])) return status;
    std::unique_ptr<CardDatabase> database;
    if (int status = LoadCards(database)) return status;
    NoteMissingDatabase(*database);
    if (!ExportCsv(context.args[0], database->cards.data(), CardDatabase::SlotCount)) {
        PrintFailure(WriteFailureText(context.args[0], errno));
        return ExitWriteFailure;
    }
    return ExitSuccess;
}

const CliCommandRegistrar registrar(CliGroup::Cards, "export-csv", "export-csv ФАЙЛ",
                                    "записать ФАЙЛ, как «Экспорт в CSV» окна", ExportCsvCommand);

}  // namespace
}  // namespace gsmprog::cli
