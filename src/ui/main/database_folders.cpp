// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/database_folders.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <cerrno>
#include <sys/stat.h>

#include "cards/card_database.h"
#include "cards/error_text.h"

namespace gsmprog {

namespace {
const QString Recent = QStringLiteral("databaseFolders/recent");
const QString Organisation = QStringLiteral("gsmprog");
const QString Application = QStringLiteral("gsmprog");
constexpr const char* FirstFolder = "gsmprog";

bool IsFolder(const std::filesystem::path& path) {
    std::error_code failed;
    return std::filesystem::is_directory(path, failed);
}

bool HoldsDatabase(const std::filesystem::path& folder) {
    std::error_code failed;
    return std::filesystem::exists(folder / CardDatabase::DatabaseFileName, failed) ||
           std::filesystem::exists(folder / CardDatabase::OldDatabaseFileName, failed);
}

void StoreRecent(const QStringList& folders) {
    QSettings(Organisation, Application).setValue(Recent, folders);
}

// The folder of a first start; the home folder itself when ~/gsmprog cannot be made.
MenuStartFolder FirstStartFolder() {
    const std::filesystem::path home = FolderPath(QDir::homePath());
    if (HoldsDatabase(home)) return {home, {}};
    const std::filesystem::path folder = home / FirstFolder;
    if (::mkdir(folder.c_str(), 0700) == 0 || (errno == EEXIST && IsFolder(folder)))
        return {folder, {}};
    const int error = errno == EEXIST ? ENOTDIR : errno;
    return {home, QStringLiteral("Не удалось создать папку базы карточек %1: %2. Открыта "
                                 "домашняя папка %3.")
                      .arg(FolderText(folder), QString::fromStdString(ErrorText(error)),
                           FolderText(home))};
}
}  // namespace

QString FolderText(const std::filesystem::path& folder) {
    return QFile::decodeName(folder.c_str());
}

std::filesystem::path FolderPath(const QString& folder) {
    return std::filesystem::path(QFile::encodeName(folder).toStdString());
}

QStringList RecentFolders() {
    return QSettings(Organisation, Application).value(Recent).toStringList();
}

void RememberFolder(const std::filesystem::path& folder) {
    const QString text = FolderText(AbsoluteFolder(folder));
    QStringList folders = RecentFolders();
    folders.removeAll(text);
    folders.prepend(text);
    StoreRecent(folders.mid(0, RecentFolderCount));
}

void ForgetFolder(const std::filesystem::path& folder) {
    QStringList folders = RecentFolders();
    folders.removeAll(FolderText(AbsoluteFolder(folder)));
    StoreRecent(folders);
}

MenuStartFolder FolderForMenuStart() {
    const QStringList recent = RecentFolders();
    if (recent.isEmpty()) return FirstStartFolder();
    const std::filesystem::path last = FolderPath(recent.front());
    if (IsFolder(last)) return {last, {}};
    // A stick pulled, a share not mounted: said, and the first start's folder instead.
    MenuStartFolder instead = FirstStartFolder();
    const QString problem = MissingFolderText(last) +
                            QStringLiteral(" Открыта папка %1.").arg(FolderText(instead.folder));
    instead.problem =
        instead.problem.isEmpty() ? problem : problem + QLatin1Char('\n') + instead.problem;
    return instead;
}

std::filesystem::path AbsoluteFolder(const std::filesystem::path& folder) {
    // Empty: the current directory, as CardDatabase takes it.
    const std::filesystem::path given = folder.empty() ? std::filesystem::path(".") : folder;
    std::error_code failed;
    std::filesystem::path absolute = std::filesystem::absolute(given, failed);
    if (failed) absolute = given;
    absolute = absolute.lexically_normal();
    // "/a/b/" and "/a/b" are one folder, remembered once.
    if (!absolute.has_filename() && absolute != absolute.root_path())
        absolute = absolute.parent_path();
    return absolute;
}

QString FolderName(const std::filesystem::path& folder) {
    const QString text = FolderText(AbsoluteFolder(folder));
    const QString home = QDir::homePath();
    if (home == QStringLiteral("/")) return text;
    if (text == home) return QStringLiteral("~");
    if (text.startsWith(home + QLatin1Char('/'))) return QLatin1Char('~') + text.mid(home.size());
    return text;
}

QString MissingFolderText(const std::filesystem::path& folder) {
    return QStringLiteral("Папки базы карточек %1 нет.").arg(FolderText(AbsoluteFolder(folder)));
}

}  // namespace gsmprog
