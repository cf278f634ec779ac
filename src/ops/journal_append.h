// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Appending to the operations journal, safely with several programs on one folder, local or on
// a network drive: the file is opened for appending without following a symbolic link and
// accepted only as a regular file with no other name; a kernel lock on the journal itself
// (never the database's lock, which a window holds for its whole run) covers one write of the
// whole line, which is flushed to disk before the lock goes. A crash mid-append leaves at most
// one torn last line: the next append starts on a line of its own, and readers skip it.

#include <filesystem>
#include <string>
#include <string_view>

namespace gsmprog {

// The journal of the card database in `directory` (empty: the current one): beside the file
// the database's links lead to and named after it, as its lock is, so every path to one
// database meets one journal and two databases never share one. Every reader and writer of
// the journal takes its name from here.
std::filesystem::path JournalFile(const std::filesystem::path& directory = {});

// Appends `line` (a whole line with its line feed) to `journal`, creating the file when there
// is none. Empty when it was written and flushed, else the reason in Russian; a refused or
// failed append leaves the file as it was.
std::string AppendJournalLine(const std::filesystem::path& journal, std::string_view line);

// "Журнал операций не записан (ФАЙЛ): ПРИЧИНА", the warning the programs give once.
std::string JournalFailureText(const std::filesystem::path& journal, const std::string& reason);

}  // namespace gsmprog
