// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The operations journal's readers on files of any content. Read from the end in blocks of any
// size, a journal must give exactly the entries, lines and offsets of the forward read in the
// reverse order, with the same count of skipped lines; the listing, which parses blocks on
// other threads, must give them in the forward order; the last entries must be the forward
// read's last ones; a listing's parse must agree with the whole one; the cheap tests made
// before a parse must accept every entry's own row and card number; and the start found for
// --since must be a line's start.
//
// Input: a byte giving the backward read's block size (1 + its value), then the file.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "ops/journal_backward.h"
#include "ops/journal_line_match.h"
#include "ops/journal_listing.h"
#include "ops/journal_reader.h"
#include "ops/journal_since.h"
#include "ops/journal_time.h"

namespace {

using namespace gsmprog;

struct Seen {
    std::string line;
    std::uint64_t offset = 0;
    std::string time;
};

const std::filesystem::path& JournalPath() {
    static const std::filesystem::path path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "journal-XXXXXX").string();
        const int fd = ::mkstemp(pattern.data());
        FUZZ_CHECK(fd >= 0);
        ::close(fd);
        return std::filesystem::path(pattern);
    }();
    return path;
}

void CheckParts(const JournalEntry& entry, std::string_view line) {
    const auto listed = ParseJournalLine(line, JournalParts::Listed);
    FUZZ_CHECK(listed);
    JournalEntry whole = entry;
    whole.image.clear();
    whole.command.clear();
    FUZZ_CHECK(JournalLine(*listed) == JournalLine(whole));
    if (entry.row) FUZZ_CHECK(LineMayHaveRow(line, *entry.row));
    FUZZ_CHECK(LineMayHaveText(line, entry.cardNumber));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t blockSize = std::size_t(data[0]) + 1;
    {
        std::ofstream out(JournalPath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 1), std::streamsize(size - 1));
    }
    std::vector<Seen> forward;
    const JournalReadStats read = ReadPlacedJournal(
        JournalPath(), [&](JournalEntry&& entry, std::string_view line, std::uint64_t offset) {
            CheckParts(entry, line);
            forward.push_back({std::string(line), offset, entry.time});
        });
    FUZZ_CHECK(read.error == 0);

    const OpenJournal file(JournalPath());
    std::vector<Seen> backward;
    const JournalReadStats back = ReadJournalBackward(
        file,
        [&](JournalEntry&& entry, std::string_view line, std::uint64_t offset) {
            backward.push_back({std::string(line), offset, entry.time});
            return true;
        },
        {}, blockSize);
    FUZZ_CHECK(back.error == 0);
    FUZZ_CHECK(back.entries == read.entries && back.skipped == read.skipped);
    FUZZ_CHECK(backward.size() == forward.size());
    for (std::size_t i = 0; i < forward.size(); ++i) {
        const Seen& one = forward[i];
        const Seen& other = backward[backward.size() - 1 - i];
        FUZZ_CHECK(one.line == other.line && one.offset == other.offset);
    }

    std::string listed;
    const JournalReadStats list = ListJournal(
        file, 0, {},
        [](const JournalEntry&, std::string_view line, std::string& out) {
            out += line;
            out += '\n';
        },
        [&](std::string_view out) { listed += out; });
    std::string expected;
    for (const Seen& one : forward) expected += one.line + '\n';
    FUZZ_CHECK(listed == expected);
    FUZZ_CHECK(list.entries == read.entries && list.skipped == read.skipped);

    const auto last = LastJournalEntries(JournalPath(), 3);
    FUZZ_CHECK(last.size() == std::min<std::size_t>(3, forward.size()));
    for (std::size_t i = 0; i < last.size(); ++i)
        FUZZ_CHECK(last[i].time == forward[forward.size() - last.size() + i].time);

    // Since the first entry's time (or any time): a line's start within the file.
    std::int64_t since = 0;
    if (!forward.empty()) since = IsoTimeSeconds(forward.front().time).value_or(0);
    const std::uint64_t start = JournalStartSince(file, since);
    FUZZ_CHECK(start <= size - 1);
    FUZZ_CHECK(start == 0 || data[1 + start - 1] == '\n');
    return 0;
}
