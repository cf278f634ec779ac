// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/journal_place.h"

#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>

#include "ops/journal_reader.h"

namespace gsmprog {

namespace {

// A line that changed in any byte at the same place and length is told apart from the one
// read, short of a collision, which would need a deliberately made line. Places live only as
// long as the process, so the library's hash (eight bytes a step) serves.
std::uint64_t LineHash(std::string_view line) { return std::hash<std::string_view>{}(line); }

}  // namespace

JournalPlace PlaceOfLine(std::uint64_t offset, std::string_view line) {
    return {offset, static_cast<std::uint32_t>(line.size()), LineHash(line)};
}

PlacedEntry ReadEntryAt(const std::filesystem::path& journal, const JournalPlace& place) {
    const OpenJournal file(journal);
    if (file.Error() != 0) return {{}, file.Error()};
    if (place.length > MaxJournalLine || file.Stamp().size < place.offset + place.length) return {};
    std::string line(place.length, '\0');
    std::size_t got = 0;
    while (got < line.size()) {
        const ssize_t n =
            ::pread(file.Fd(), line.data() + got, line.size() - got, off_t(place.offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {{}, errno};
        if (n == 0) return {};
        got += std::size_t(n);
    }
    if (PlaceOfLine(place.offset, line).hash != place.hash) return {};
    return {ParseJournalLine(line), 0};
}

}  // namespace gsmprog
