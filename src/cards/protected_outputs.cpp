// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cards/protected_outputs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <vector>

#include "cards/card_database.h"
#include "cards/database_files.h"
#include "cards/file_writes.h"

namespace gsmprog {

namespace fs = std::filesystem;

namespace {

constexpr const char* DatabaseRole = "это файл базы карточек";
constexpr const char* LockRole = "это файл блокировки базы карточек";
constexpr const char* CopyRole = "это сохранённая копия базы карточек";
constexpr const char* JournalRole = "это журнал операций базы карточек";

// A folder and the name of the database file in it: the files named after it belong to it.
struct DatabaseFolder {
    fs::path directory;
    std::string database;
};

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// "NAME.unread-YYYYMMDD-HHMMSS", perhaps with "-N": a copy a save kept of a database.
bool IsKeptCopyName(const std::string& name) {
    const auto at = name.find(UnreadCopyInfix);
    if (at == std::string::npos || at == 0) return false;
    const std::string stamp = name.substr(at + std::strlen(UnreadCopyInfix));
    if (stamp.size() < 15) return false;
    for (std::size_t i = 0; i < 15; ++i)
        if (i == 8 ? stamp[i] != '-' : !std::isdigit(static_cast<unsigned char>(stamp[i])))
            return false;
    return true;
}

// What the file named `name` in the folder of `database` is to the database; empty: nothing.
std::string RoleOf(const std::string& name, const std::string& database) {
    if (name == database || name == CardDatabase::OldDatabaseFileName) return DatabaseRole;
    if (name == database + LockFileSuffix) return LockRole;
    if (name.starts_with(database + UnreadCopyInfix)) return CopyRole;
    if (name == JournalNameOf(database) || name == JournalFileName) return JournalRole;
    if (name.starts_with("." + database + ".")) return "это временный файл базы карточек";
    return {};
}

// The first bytes of the regular file `file`; empty when it cannot be read.
std::string FirstBytes(const fs::path& file, std::size_t count) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return {};
    std::string bytes(count, '\0');
    const ssize_t got = ::pread(fd, bytes.data(), count, 0);
    ::close(fd);
    bytes.resize(got > 0 ? std::size_t(got) : 0);
    return bytes;
}

// A card database wherever it lies: a size of its formats and binary blocks, which no text
// the programs write (a CSV, a report, a log) has; judged by its size alone when unreadable.
bool LooksLikeDatabase(const fs::path& file, const struct stat& info) {
    if (!S_ISREG(info.st_mode) || info.st_size == 0 ||
        !CardDatabase::SizeFitsAFormat(std::uintmax_t(info.st_size)))
        return false;
    const std::string block = FirstBytes(file, CardDatabase::OldBlockSize);
    return block.empty() || block.find('\0') != std::string::npos;
}

bool IsDatabase(const fs::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) return false;
    const std::string name = file.filename().string();
    return name == CardDatabase::DatabaseFileName || name == CardDatabase::OldDatabaseFileName ||
           LooksLikeDatabase(file, info);
}

// What an existing file is, by its name and contents, in any folder: a database, the lock
// beside one, a journal, a copy kept of one.
std::string RoleByKind(const fs::path& file, const struct stat& info) {
    if (!S_ISREG(info.st_mode)) return {};
    const std::string name = file.filename().string();
    if (IsKeptCopyName(name)) return CopyRole;
    if (IsDatabase(file)) return DatabaseRole;
    if (name.ends_with(LockFileSuffix)) {
        const std::string locked = name.substr(0, name.size() - std::strlen(LockFileSuffix));
        if (locked == CardDatabase::DatabaseFileName || IsDatabase(file.parent_path() / locked))
            return LockRole;
    }
    if (name.ends_with(JournalSuffix) && FirstBytes(file, 2) == "{\"") return JournalRole;
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
    if (exists)
        if (std::string role = RoleByKind(written, file); !role.empty())
            return role;
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
