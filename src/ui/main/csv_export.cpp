// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// "Экспорт в CSV": the cards in use, as stored (unsaved edits are not exported).

#include <QFile>
#include <cerrno>

#include "cards/csv_export.h"
#include "ui/main/main.h"
#include "ui/main/user_dialogs.h"
#include "ui/main/write_error.h"

namespace gsmprog {

void TForm1::SpeedButton4Click() {
    const QString fileName = dialogs_.AskSaveFileName(
        this, QStringLiteral("Export_%1.CSV").arg(QLatin1String(CardDatabase::DatabaseFileName)));
    if (fileName.isEmpty()) return;
    const std::filesystem::path path = QFile::encodeName(fileName).toStdString();
    if (RefuseProtectedOutput(dialogs_, this, path, database_->Directory())) return;
    if (!ExportCsv(path, database_->cards.data(), CardDatabase::SlotCount))
        ShowWriteError(dialogs_, this, path, errno);
}

}  // namespace gsmprog
