// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the benchmarks of the card file share: a scratch folder in the current directory (run
// them from the disk that matters), a full database, and the plain write+fsync of the same
// size that saving is measured against.

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cards/card_database.h"

namespace gsmprog::bench {

// The bytes of a database file: 9000 cards and the template.
inline constexpr std::size_t DatabaseFileSize = (CardDatabase::SlotCount + 1) * CardRecordSize;

// A fresh folder in the current directory, removed with its files at the end.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::current_path() / "gsmprog-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// 9000 cards in use in `directory`, each with a number, an object and a date of change; every
// one writes a 444-byte settings image. Not yet saved.
inline std::unique_ptr<CardDatabase> FullDatabase(const std::filesystem::path& directory) {
    auto database = std::make_unique<CardDatabase>(directory);
    for (int i = 0; i < CardDatabase::SlotCount; ++i) {
        CardRecord& card = database->cards[std::size_t(i)];
        std::snprintf(card.NCardEdit, sizeof card.NCardEdit, "%d", i + 1);
        std::snprintf(card.Edit1, sizeof card.Edit1, "object %d", i);
        card.DateChanged = 45000.5 + i;
        card.VersionCombo = 1;
    }
    return database;
}

// Writes `bytes` to `file` and syncs it, as plainly as it can be done.
inline void PlainWriteFsync(const std::filesystem::path& file, const std::vector<char>& bytes) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()) ||
        ::fsync(fd) != 0)
        std::abort();
    ::close(fd);
}

}  // namespace gsmprog::bench
