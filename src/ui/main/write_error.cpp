// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/write_error.h"

#include <QFile>

#include "cards/card_database.h"
#include "cards/error_text.h"
#include "cards/protected_outputs.h"
#include "ui/main/user_dialogs.h"

namespace gsmprog {

void ShowWriteError(UserDialogs& dialogs, QWidget* parent, const std::filesystem::path& file,
                    int error) {
    const QString detail = QStringLiteral("%1: %2").arg(
        QFile::decodeName(file.string().c_str()), QString::fromStdString(ErrorText(file, error)));
    dialogs.ShowMessageWithDetail(parent, QString::fromUtf8(CardDatabase::WriteErrorCaption),
                                  QString::fromUtf8(CardDatabase::WriteErrorText), detail);
}

bool RefuseProtectedOutput(UserDialogs& dialogs, QWidget* parent, const std::filesystem::path& file,
                           const std::filesystem::path& databaseDirectory) {
    const std::string reason = ProtectedOutputReason(file, databaseDirectory);
    if (reason.empty()) return false;
    const std::string text = ProtectedOutputRefusal(file, reason);
    dialogs.ShowMessage(parent, QString::fromUtf8(CardDatabase::WriteErrorCaption),
                        QFile::decodeName(QByteArray::fromStdString(text)));
    return true;
}

}  // namespace gsmprog
