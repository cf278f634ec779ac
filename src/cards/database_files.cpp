// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cards/database_files.h"

#include <limits.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "cards/card_database.h"
#include "cards/error_text.h"

namespace gsmprog {

namespace fs = std::filesystem;

namespace {

constexpr int MaxLinkHops = 40;  // as the kernel follows at most

// Whether a link owned by `owner` in a folder described by `folder` may be followed: root,
// who may write anything anyway, the folder's owner, who may replace anything in it, and the
// user; anyone else only where nobody else may write.
bool MayFollow(uid_t owner, const struct stat& folder) {
    return owner == ::geteuid() || owner == 0 || owner == folder.st_uid ||
           (folder.st_mode & (S_IWGRP | S_IWOTH | S_ISVTX)) == 0;
}

}  // namespace

fs::path DatabaseLocation::LockFile() const {
    fs::path lock = file;
    lock += LockFileSuffix;
    return lock;
}

std::optional<ForeignLink> FindForeignLink(const fs::path& path) {
    fs::path step = path;
    for (int hop = 0; hop < MaxLinkHops; ++hop) {
        struct stat link {}, folder{};
        if (::lstat(step.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return {};
        const fs::path parent = step.has_parent_path() ? step.parent_path() : fs::path(".");
        if (::stat(parent.c_str(), &folder) == 0 && !MayFollow(link.st_uid, folder))
            return ForeignLink{step, link.st_uid};
        char target[PATH_MAX];
        const ssize_t length = ::readlink(step.c_str(), target, sizeof target);
        if (length <= 0 || std::size_t(length) == sizeof target) return {};
        const fs::path next(std::string(target, std::size_t(length)));
        // Relative to the link's folder, which `parent` names whatever links lead to it.
        step = next.is_absolute() ? next : parent / next;
    }
    return {};
}

namespace {

// Where the file `path` names really is.
DatabaseLocation LocateFile(const fs::path& path) {
    DatabaseLocation location;
    location.file = path;
    struct stat info {};
    if (::lstat(location.file.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return location;
    location.foreign = FindForeignLink(location.file);
    if (location.foreign) {
        location.linkError = EACCES;
        return location;
    }
    char resolved[PATH_MAX];
    if (::realpath(location.file.c_str(), resolved) != nullptr) {
        location.file = resolved;
        return location;
    }
    location.linkError = errno;
    char target[PATH_MAX] = {};
    const ssize_t length = ::readlink(location.file.c_str(), target, sizeof target - 1);
    if (length > 0) location.linkTarget.assign(target, std::size_t(length));
    return location;
}

}  // namespace

DatabaseLocation LocateDatabase(const fs::path& directory) {
    const fs::path name = directory / CardDatabase::DatabaseFileName;
    DatabaseLocation location = LocateFile(name);
    struct stat info {};
    if (::lstat(name.c_str(), &info) != 0) {
        // The file of the earlier generation is read in its place and saved as a new one.
        location.foreign = FindForeignLink(directory / CardDatabase::OldDatabaseFileName);
        if (location.foreign) location.linkError = EACCES;
        return location;
    }
    // A link may lead anywhere: only a database is written through it, never another file.
    if (location.linkError == 0 && location.file != name &&
        ::stat(location.file.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        !CardDatabase::SizeFitsAFormat(std::uintmax_t(info.st_size))) {
        location.linkError = EMEDIUMTYPE;
        location.linkTarget = location.file.string();
        location.file = name;
    }
    return location;
}

std::string BrokenLinkText(const DatabaseLocation& location) {
    if (location.linkError == 0) return {};
    if (location.foreign)
        return location.foreign->link.string() + " — символическая ссылка пользователя " +
               UserName(location.foreign->owner) +
               " в папке, куда могут писать другие; там программа переходит только по своим "
               "ссылкам и ссылкам владельца папки";
    const std::string link = location.file.string() + " — символическая ссылка";
    if (location.linkError == ENOENT)
        return link + " на несуществующий файл " + location.linkTarget;
    if (location.linkError == ELOOP) return link + ", замкнутая в кольцо";
    if (location.linkError == EMEDIUMTYPE)
        return link + " на файл " + location.linkTarget +
               ", размер которого не подходит ни к одному формату базы карточек";
    return link + " на " + location.linkTarget +
           ", которая не ведёт к файлу: " + ReadErrorText(location.linkError);
}

std::string JournalNameOf(const fs::path& database) {
    const std::string name = database.filename().string();
    const std::string journal = database.stem().string() + JournalSuffix;
    return journal == name ? name + JournalSuffix : journal;  // never the database itself
}

std::string UserName(uid_t uid) {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[1024];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found)
        return found->pw_name;
    return std::to_string(uid);
}

}  // namespace gsmprog
