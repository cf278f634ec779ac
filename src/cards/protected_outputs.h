// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Outputs the user names (a CSV export, a saved image or log) that must never be written:
// the card database, its lock, the copies kept of it, its journal and its temporary files.
// Told by the file itself (device and inode), whatever name or link leads to it, and for an
// output not there yet by the folder it would be made in. In any other folder an existing
// file is told by its name and contents: a card database (ProgInfo_11.GAD, ProgInfo_12.GAD,
// or the size and binary blocks of one), the lock beside one, a journal, a kept copy.

#include <filesystem>
#include <string>

namespace gsmprog {

// Why writing `output` would destroy a file of the card database of `directory` (empty: the
// current one), e.g. "это файл базы карточек"; empty when it may be written.
std::string ProtectedOutputReason(const std::filesystem::path& output,
                                  const std::filesystem::path& directory = {});

// "Нельзя записать в ФАЙЛ: ПРИЧИНА", the refusal the programs show.
std::string ProtectedOutputRefusal(const std::filesystem::path& output, const std::string& reason);

}  // namespace gsmprog
