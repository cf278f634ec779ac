// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cards/protected_outputs.h"

#include <sys/stat.h>

#include <vector>

#include "cards/card_database.h"
#include "cards/database_files.h"
#include "cards/file_writes.h"

namespace gsmprog {

namespace fs = std::filesystem;

namespace {

// A folder and the name of the database file in it: the files named after it belong to it.
struct DatabaseFolder {
    fs::path directory;
    std::string database;
};

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// What the file named `name` in the folder of `database` is to the database; empty: nothing.
std::string RoleOf(const std::string& name, const std::string& database) {
    if (name == database || name == CardDatabase::OldDatabaseFileName)
        return "это файл базы карточек";
    if (name == database + LockFileSuffix) return "это файл блокировки базы карточек";
    if (name.starts_with(database + UnreadCopyInfix)) return "это сохранённая копия базы карточек";
    if (name == JournalFileName) return "это журнал операций базы карточек";
    if (name.starts_with("." + database + ".")) return "это временный файл базы карточек";
    return {};
}

// The folder the database's path names, and the one its links lead to.
std::vector<DatabaseFolder> DatabaseFolders(const fs::path& directory) {
    std::vector<DatabaseFolder> folders{
        {directory.empty() ? fs::path(".") : directory, CardDatabase::DatabaseFileName}};
    const DatabaseLocation location = LocateDatabase(directory);
    if (location.file != directory / CardDatabase::DatabaseFileName)
        folders.push_back({location.file.parent_path(), location.file.filename().string()});
    return folders;
}

// An existing output that is one of the database's files under any of their names.
std::string RoleByIdentity(const struct stat& written, const DatabaseFolder& folder) {
    std::error_code error;
    fs::directory_iterator entries(folder.directory, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const std::string role = RoleOf(entries->path().filename().string(), folder.database);
        struct stat info {};
        if (!role.empty() && ::stat(entries->path().c_str(), &info) == 0 && SameFile(info, written))
            return role;
    }
    return {};
}

}  // namespace

std::string ProtectedOutputReason(const fs::path& output, const fs::path& directory) {
    const fs::path written = ResolveLinks(output);
    const fs::path parent = written.has_parent_path() ? written.parent_path() : fs::path(".");
    struct stat file {
    }, folder{};
    const bool exists = ::stat(written.c_str(), &file) == 0;
    const bool inFolder = ::stat(parent.c_str(), &folder) == 0;
    for (const DatabaseFolder& database : DatabaseFolders(directory)) {
        struct stat databaseFolder {};
        if (inFolder && ::stat(database.directory.c_str(), &databaseFolder) == 0 &&
            SameFile(folder, databaseFolder)) {
            if (std::string role = RoleOf(written.filename().string(), database.database);
                !role.empty())
                return role;
        }
        if (exists)
            if (std::string role = RoleByIdentity(file, database); !role.empty()) return role;
    }
    return {};
}

std::string ProtectedOutputRefusal(const fs::path& output, const std::string& reason) {
    return "Нельзя записать в " + output.string() + ": " + reason;
}

}  // namespace gsmprog
