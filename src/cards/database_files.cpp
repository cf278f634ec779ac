// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cards/database_files.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "cards/card_database.h"
#include "cards/error_text.h"

namespace gsmprog {

namespace fs = std::filesystem;

fs::path DatabaseLocation::LockFile() const {
    fs::path lock = file;
    lock += LockFileSuffix;
    return lock;
}

DatabaseLocation LocateDatabase(const fs::path& directory) {
    DatabaseLocation location;
    location.file = directory / CardDatabase::DatabaseFileName;
    struct stat info {};
    if (::lstat(location.file.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return location;
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

std::string BrokenLinkText(const DatabaseLocation& location) {
    if (location.linkError == 0) return {};
    const std::string link = location.file.string() + " — символическая ссылка";
    if (location.linkError == ENOENT)
        return link + " на несуществующий файл " + location.linkTarget;
    if (location.linkError == ELOOP) return link + ", замкнутая в кольцо";
    return link + " на " + location.linkTarget +
           ", которая не ведёт к файлу: " + ReadErrorText(location.linkError);
}

}  // namespace gsmprog
