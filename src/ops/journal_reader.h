// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the operations journal, which tolerates anything a shared file may hold: torn and
// garbage lines, unknown members, lines of a later version, lines of any length, a file of any
// size. Lines that give no entry are skipped and counted; memory stays bounded per line.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ops/journal_entry.h"

namespace gsmprog {

// Longer lines are no entry of this program (an image is at most 888 hex digits): they are
// skipped without being held.
inline constexpr std::size_t MaxJournalLine = 64 * 1024;

struct JournalReadStats {
    std::size_t entries = 0;  // lines that gave an entry
    std::size_t skipped = 0;  // lines that did not
    std::uint64_t bytes = 0;  // bytes read
    int error = 0;            // errno of a failed open or read; ENOENT when there is no journal
};

using JournalVisitor = std::function<void(JournalEntry&& entry, std::string_view line)>;
// The same with the offset in the file where the line starts.
using PlacedJournalVisitor =
    std::function<void(JournalEntry&& entry, std::string_view line, std::uint64_t offset)>;

// Which file a journal was and how it stood when opened: the same device and inode is the
// same file, appended to when only longer.
struct JournalStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t mtimeSeconds = 0;
    std::int64_t mtimeNanoseconds = 0;

    bool SameFile(const JournalStamp& other) const {
        return device == other.device && inode == other.inode;
    }
    bool operator==(const JournalStamp&) const = default;
};

// The journal opened for reading; a file that is no regular file is refused (EINVAL).
class OpenJournal {
public:
    explicit OpenJournal(const std::filesystem::path& path);
    ~OpenJournal();
    OpenJournal(const OpenJournal&) = delete;
    OpenJournal& operator=(const OpenJournal&) = delete;

    int Error() const { return error_; }  // errno of the failed open; 0 when open
    int Fd() const { return fd_; }
    const JournalStamp& Stamp() const { return stamp_; }
    // Up to `count` bytes that end at `end`, fewer near the file's start or when unreadable.
    std::string BytesBefore(std::uint64_t end, std::size_t count) const;

private:
    const int fd_;
    int error_ = 0;
    JournalStamp stamp_;
};

// What a read parses: `wanted`, a cheap test of a line's raw text that must accept every line
// of interest, lets it pass over the others unparsed and uncounted (null: every line); `parts`
// is what each entry keeps.
struct JournalReadScope {
    std::function<bool(std::string_view line)> wanted;
    JournalParts parts = JournalParts::All;
};

// Where a read of whole lines stopped, so that a later read takes only what came after.
struct JournalTail {
    std::uint64_t wholeLinesEnd = 0;  // just past the last line feed read
    // A last line without its line feed that parses whole (see ReadJournal), and its text: an
    // append may yet complete it, so it is not taken as read.
    std::optional<JournalEntry> unterminated;
    std::string unterminatedLine;
};

// Hands every entry of whole lines from offset `from` (a line's start) on to `visit`, oldest
// first; a last line without its line feed goes to `tail` instead. Counts as ReadJournal does.
// Once `stop` is set, the read ends at the next chunk, as if the file ended there.
JournalReadStats ReadJournalLines(const OpenJournal& file, std::uint64_t from,
                                  const PlacedJournalVisitor& visit, JournalTail& tail,
                                  const std::atomic<bool>* stop = nullptr,
                                  const JournalReadScope& scope = {});

// The journal a block of whole lines at a time, for a reader that parses blocks apart (on
// other threads): from offset `from` (a line's start) on, each block of lines, each with its
// line feed, goes to `visit` as the first `lines` bytes of `buffer`, with the offset of its
// first byte; `visit` may swap in another buffer, whose memory is then reused. Lines too long
// are dropped and counted as skipped; a last line without its line feed is left in the tail.
struct JournalBlockTail {
    std::uint64_t wholeLinesEnd = 0;  // just past the last line feed read
    std::string unterminated;
};
using JournalBlockVisitor =
    std::function<void(std::string& buffer, std::size_t lines, std::uint64_t offset)>;
JournalReadStats ReadJournalBlocks(const OpenJournal& file, std::uint64_t from,
                                   const JournalBlockVisitor& visit, JournalBlockTail& tail,
                                   const std::atomic<bool>* stop = nullptr);

// Parses a block of whole lines that starts at `offset`, into `entry` (whose texts' memory is
// reused), handing each entry to `visit` and counting as ReadJournal does.
JournalReadStats ParseJournalBlock(std::string_view lines, std::uint64_t offset,
                                   const PlacedJournalVisitor& visit, JournalEntry& entry,
                                   const JournalReadScope& scope = {});

// Whether the tail's last line without its line feed gives an entry, into `entry`; counted
// into `stats`. Such a line is torn by a crash mid-append unless it parses whole.
bool TakeUnterminated(const JournalBlockTail& tail, JournalEntry& entry, JournalReadStats& stats,
                      const JournalReadScope& scope = {});

// Hands every entry of `journal` to `visit` with the line it was read from, oldest first.
JournalReadStats ReadJournal(const std::filesystem::path& journal, const JournalVisitor& visit);
// The same with each line's offset.
JournalReadStats ReadPlacedJournal(const std::filesystem::path& journal,
                                   const PlacedJournalVisitor& visit,
                                   const std::atomic<bool>* stop = nullptr);

// The last `count` entries, oldest first, read from the end.
std::deque<JournalEntry> LastJournalEntries(const std::filesystem::path& journal, std::size_t count,
                                            JournalReadStats* stats = nullptr);

// "пропущено записей: N", told when lines were skipped.
std::string SkippedEntriesText(std::size_t skipped);

}  // namespace gsmprog
