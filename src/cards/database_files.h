// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The files that belong to the card database of a directory, and where the database really is
// when ProgInfo_12.GAD is a symbolic link: one file has one lock and one set of companions,
// whatever the path it was reached by.

#include <filesystem>
#include <string>

namespace gsmprog {

inline constexpr const char* LockFileSuffix = ".lock";
inline constexpr const char* UnreadCopyInfix = ".unread-";
inline constexpr const char* JournalFileName = "ProgInfo_12.journal";

struct DatabaseLocation {
    // ProgInfo_12.GAD of the directory with its links followed; the name itself while it is
    // no link, or a link that leads nowhere.
    std::filesystem::path file;
    // ENOENT or ELOOP (or the like) when ProgInfo_12.GAD is a link that leads to no file: a
    // dangling link, a loop. 0 otherwise, also when there is no ProgInfo_12.GAD at all.
    int linkError = 0;
    std::string linkTarget;  // what a link that leads nowhere says

    // The lock file beside the database: ProgInfo_12.GAD.lock for a database that is no link.
    std::filesystem::path LockFile() const;
};

DatabaseLocation LocateDatabase(const std::filesystem::path& directory);

// "ФАЙЛ — ссылка на несуществующий файл ЦЕЛЬ" and the like; empty for a location without a
// broken link.
std::string BrokenLinkText(const DatabaseLocation& location);

}  // namespace gsmprog
