// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The files that belong to the card database of a directory, and where the database really is
// when ProgInfo_12.GAD is a symbolic link: one file has one lock, one journal and one set of
// companions, whatever the path it was reached by.
//
// In a folder others may write, a link is followed only when it belongs to the user, to the
// folder's owner or to root, the kernel's own rule for shared folders (protected_symlinks):
// anyone else's link could lead the user's writes into the user's own files elsewhere.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

namespace gsmprog {

inline constexpr const char* LockFileSuffix = ".lock";
inline constexpr const char* UnreadCopyInfix = ".unread-";
inline constexpr const char* JournalSuffix = ".journal";
inline constexpr const char* JournalFileName = "ProgInfo_12.journal";

// A link on the way to a file that is not followed: another user's, in a folder others may write.
struct ForeignLink {
    std::filesystem::path link;
    uid_t owner = 0;
};

struct DatabaseLocation {
    // The file with its links followed; the name itself while it is no link, or a link that
    // leads nowhere or is not followed.
    std::filesystem::path file;
    // ENOENT or ELOOP (or the like) when the name is a link that leads to no file: a dangling
    // link, a loop; EACCES, as the kernel says it, when a link on the way is not followed
    // (`foreign` names it); for the database, EMEDIUMTYPE when its link leads to a file whose
    // size fits no format of one. 0 otherwise, also when there is no file of the name at all.
    int linkError = 0;
    std::string linkTarget;  // what a link that leads nowhere says
    std::optional<ForeignLink> foreign;

    // The lock file beside the database: ProgInfo_12.GAD.lock for a database that is no link.
    std::filesystem::path LockFile() const;
};

// Where ProgInfo_12.GAD of `directory` really is: never, through a link, a file that is no
// database. While there is none, a link ProgInfo_11.GAD that is not followed stands for it.
DatabaseLocation LocateDatabase(const std::filesystem::path& directory);

// The first link on the way from `path` to its file that is not followed; none when every link
// may be followed (or `path` is no link).
std::optional<ForeignLink> FindForeignLink(const std::filesystem::path& path);

// "ФАЙЛ — ссылка на несуществующий файл ЦЕЛЬ", "ФАЙЛ — символическая ссылка пользователя ИМЯ
// в папке, …" and the like; empty for a location whose link leads to a file.
std::string BrokenLinkText(const DatabaseLocation& location);

// The journal's name for the database file `database`: named after it, "clientA.GAD" keeps
// "clientA.journal", so ProgInfo_12.GAD keeps ProgInfo_12.journal.
std::string JournalNameOf(const std::filesystem::path& database);

// The login name of `uid`, or its number.
std::string UserName(uid_t uid);

}  // namespace gsmprog
