// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/journal_listing.h"

#include <deque>
#include <future>
#include <utility>

namespace gsmprog {

namespace {

// Blocks parsed at once: enough to keep two cores busy while one more is read.
constexpr std::size_t InFlight = 3;

struct ListedBlock {
    std::string lines;  // the reader's buffer, handed back for it to reuse
    std::string out;
    JournalReadStats stats;
};

}  // namespace

JournalReadStats ListJournal(const OpenJournal& file, std::uint64_t from,
                             const JournalReadScope& scope, const JournalFormatter& format,
                             const JournalOutput& write) {
    JournalReadStats parsed;
    std::deque<std::future<ListedBlock>> pending;
    std::string spare;  // a finished block's buffer, for the reader's next
    const auto finishOldest = [&] {
        ListedBlock block = pending.front().get();
        pending.pop_front();
        write(block.out);
        parsed.entries += block.stats.entries;
        parsed.skipped += block.stats.skipped;
        spare = std::move(block.lines);
    };
    JournalBlockTail tail;
    JournalReadStats stats = ReadJournalBlocks(
        file, from,
        [&](std::string& buffer, std::size_t lines, std::uint64_t offset) {
            if (pending.size() == InFlight) finishOldest();
            ListedBlock block;
            block.lines.swap(buffer);
            buffer.swap(spare);
            pending.push_back(std::async(
                std::launch::async, [&, block = std::move(block), lines, offset]() mutable {
                    block.out.reserve(lines / 2);
                    JournalEntry entry;
                    block.stats = ParseJournalBlock(
                        std::string_view(block.lines).substr(0, lines), offset,
                        [&](JournalEntry&& read, std::string_view line, std::uint64_t) {
                            format(read, line, block.out);
                        },
                        entry, scope);
                    return std::move(block);
                }));
        },
        tail);
    while (!pending.empty()) finishOldest();
    stats.entries += parsed.entries;
    stats.skipped += parsed.skipped;
    JournalEntry entry;
    if (TakeUnterminated(tail, entry, stats, scope)) {
        std::string out;
        format(entry, tail.unterminated, out);
        write(out);
    }
    return stats;
}

}  // namespace gsmprog
