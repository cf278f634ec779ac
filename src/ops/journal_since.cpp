// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/journal_since.h"

#include <unistd.h>

#include <optional>
#include <string>

#include "ops/journal_time.h"

namespace gsmprog {

namespace {

// What one probe reads: dozens of entries, so that a few torn lines do not hide the time.
constexpr std::size_t ProbeBytes = 128 * 1024;

struct Probe {
    std::optional<std::uint64_t> lineStart;  // the first line starting at or after the offset
    std::optional<std::int64_t> time;        // the time of the first entry from there
};

Probe ProbeAt(const OpenJournal& file, std::uint64_t offset) {
    // From the byte before, so that a line starting at `offset` is found as such.
    const std::uint64_t from = offset == 0 ? 0 : offset - 1;
    std::string bytes(ProbeBytes, '\0');
    const ssize_t got = ::pread(file.Fd(), bytes.data(), bytes.size(), off_t(from));
    bytes.resize(got > 0 ? std::size_t(got) : 0);
    const std::string_view text(bytes);
    std::size_t pos = 0;
    if (offset > 0) {
        const std::size_t feed = text.find('\n');
        if (feed == std::string_view::npos) return {};
        pos = feed + 1;
    }
    Probe probe{from + pos, {}};
    for (std::size_t feed = text.find('\n', pos); feed != std::string_view::npos;
         pos = feed + 1, feed = text.find('\n', pos)) {
        const auto entry = ParseJournalLine(text.substr(pos, feed - pos), JournalParts::Listed);
        if (entry && (probe.time = IsoTimeSeconds(entry->time))) break;
    }
    return probe;
}

}  // namespace

std::uint64_t JournalStartSince(const OpenJournal& file, std::int64_t since) {
    if (file.Error() != 0) return 0;
    // Every entry probed at or before `low` is older than `since`; the one at `high` is not,
    // or gave no time, which counts as not older so that nothing is passed over for it.
    std::uint64_t low = 0;
    std::uint64_t high = file.Stamp().size;
    while (high - low > ProbeBytes) {
        const std::uint64_t middle = low + (high - low) / 2;
        const Probe probe = ProbeAt(file, middle);
        if (probe.time && *probe.time < since) low = middle;
        else high = middle;
    }
    if (low <= JournalClockMargin) return 0;
    // A line longer than a probe there: read from the start rather than from within it.
    return ProbeAt(file, low - JournalClockMargin).lineStart.value_or(0);
}

}  // namespace gsmprog
