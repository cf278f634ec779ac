// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/journal_reader.h"

#include "ops/journal_backward.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cards/database_files.h"

namespace gsmprog {

namespace {

constexpr std::size_t ChunkSize = 1 << 20;

}  // namespace

OpenJournal::OpenJournal(const std::filesystem::path& path)
    // Reading follows a link, so that a journal kept elsewhere stays readable; but not, as the
    // kernel says it (EACCES), another user's link in a shared folder: it could lead to the
    // user's own files, which a support report would then carry.
    : fd_(FindForeignLink(path) ? (errno = EACCES, -1)
                                : ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0) {
        error_ = errno;
        return;
    }
    // A device or pipe under the journal's name could be endless.
    if (!S_ISREG(info.st_mode)) {
        error_ = EINVAL;
        return;
    }
    stamp_ = {std::uint64_t(info.st_dev), std::uint64_t(info.st_ino), std::uint64_t(info.st_size),
              std::int64_t(info.st_mtim.tv_sec), std::int64_t(info.st_mtim.tv_nsec)};
}

OpenJournal::~OpenJournal() {
    if (fd_ >= 0) ::close(fd_);
}

std::string OpenJournal::BytesBefore(std::uint64_t end, std::size_t count) const {
    const std::uint64_t start = end > count ? end - count : 0;
    std::string bytes(std::size_t(end - start), '\0');
    const ssize_t got = ::pread(fd_, bytes.data(), bytes.size(), off_t(start));
    bytes.resize(got > 0 ? std::size_t(got) : 0);
    return bytes;
}

JournalReadStats ReadJournalBlocks(const OpenJournal& file, std::uint64_t from,
                                   const JournalBlockVisitor& visit, JournalBlockTail& tail,
                                   const std::atomic<bool>* stop) {
    JournalReadStats stats;
    tail = {from, {}};
    if (file.Error() != 0) {
        stats.error = file.Error();
        return stats;
    }
    // Its size is what can be read into, kept from chunk to chunk: made longer only when it
    // must be, as filling a megabyte with zeros each time would cost as much as reading it.
    std::string buffer;
    std::size_t kept = 0;         // bytes at its start: the start of a line the last chunk cut
    bool overlong = false;        // that line is too long: dropped up to its end
    std::uint64_t offset = from;  // of the buffer's first byte
    for (;;) {
        if (stop && stop->load()) break;
        if (buffer.size() < kept + ChunkSize) buffer.resize(kept + ChunkSize);
        const ssize_t got =
            ::pread(file.Fd(), buffer.data() + kept, ChunkSize, off_t(offset + kept));
        if (got < 0) {
            if (errno == EINTR) continue;
            stats.error = errno;
            break;
        }
        if (got == 0) break;
        stats.bytes += std::uint64_t(got);
        std::string_view data(buffer.data(), kept + std::size_t(got));
        kept = 0;
        if (overlong) {
            // Still the line that was too long, up to its line feed if this chunk has it.
            const std::size_t feed = data.find('\n');
            const std::size_t dropped = feed == std::string_view::npos ? data.size() : feed + 1;
            offset += dropped;
            if (feed == std::string_view::npos) continue;
            ++stats.skipped;
            overlong = false;
            tail.wholeLinesEnd = offset;
            buffer.erase(0, dropped);
            data = std::string_view(buffer.data(), data.size() - dropped);
        }
        const std::size_t whole = data.rfind('\n');
        const std::size_t lines = whole == std::string_view::npos ? 0 : whole + 1;
        const std::string rest(data.substr(lines));
        if (lines > 0) {
            tail.wholeLinesEnd = offset + lines;
            visit(buffer, lines, offset);  // may hand back another buffer, whose memory is reused
            offset += lines;
        }
        if (rest.size() > MaxJournalLine) {
            overlong = true;
            offset += rest.size();
            continue;
        }
        if (buffer.size() < rest.size()) buffer.resize(rest.size());
        rest.copy(buffer.data(), rest.size());
        kept = rest.size();
    }
    if (overlong) ++stats.skipped;
    else tail.unterminated.assign(buffer, 0, kept);
    return stats;
}

JournalReadStats ParseJournalBlock(std::string_view lines, std::uint64_t offset,
                                   const PlacedJournalVisitor& visit, JournalEntry& entry,
                                   const JournalReadScope& scope) {
    JournalReadStats stats;
    while (!lines.empty()) {
        const std::size_t end = std::min(lines.find('\n'), lines.size());
        const std::string_view line = lines.substr(0, end);
        if (line.size() > MaxJournalLine) {
            ++stats.skipped;
        } else if (!line.empty() && (!scope.wanted || scope.wanted(line))) {
            const bool parsed = ParseJournalLine(line, entry, scope.parts);
            ++(parsed ? stats.entries : stats.skipped);
            if (parsed) visit(std::move(entry), line, offset);
        }
        const std::size_t next = std::min(end + 1, lines.size());
        lines.remove_prefix(next);
        offset += next;
    }
    return stats;
}

bool TakeUnterminated(const JournalBlockTail& tail, JournalEntry& entry, JournalReadStats& stats,
                      const JournalReadScope& scope) {
    const std::string& line = tail.unterminated;
    if (line.empty() || (scope.wanted && !scope.wanted(line))) return false;
    const bool parsed = ParseJournalLine(line, entry, scope.parts);
    ++(parsed ? stats.entries : stats.skipped);
    return parsed;
}

JournalReadStats ReadJournalLines(const OpenJournal& file, std::uint64_t from,
                                  const PlacedJournalVisitor& visit, JournalTail& tail,
                                  const std::atomic<bool>* stop, const JournalReadScope& scope) {
    JournalEntry entry;  // one for all lines, so that its texts' memory is reused
    JournalReadStats parsed;
    JournalBlockTail blocksTail;
    JournalReadStats stats = ReadJournalBlocks(
        file, from,
        [&](std::string& buffer, std::size_t lines, std::uint64_t offset) {
            const JournalReadStats block = ParseJournalBlock(
                std::string_view(buffer).substr(0, lines), offset, visit, entry, scope);
            parsed.entries += block.entries;
            parsed.skipped += block.skipped;
        },
        blocksTail, stop);
    stats.entries += parsed.entries;
    stats.skipped += parsed.skipped;
    tail = {blocksTail.wholeLinesEnd, {}, {}};
    if (TakeUnterminated(blocksTail, entry, stats, scope)) {
        tail.unterminated = std::move(entry);
        tail.unterminatedLine = std::move(blocksTail.unterminated);
    }
    return stats;
}

JournalReadStats ReadPlacedJournal(const std::filesystem::path& journal,
                                   const PlacedJournalVisitor& visit,
                                   const std::atomic<bool>* stop) {
    const OpenJournal file(journal);
    JournalTail tail;
    const JournalReadStats stats = ReadJournalLines(file, 0, visit, tail, stop);
    if (tail.unterminated)
        visit(std::move(*tail.unterminated), tail.unterminatedLine, tail.wholeLinesEnd);
    return stats;
}

JournalReadStats ReadJournal(const std::filesystem::path& journal, const JournalVisitor& visit) {
    return ReadPlacedJournal(journal, [&](JournalEntry&& entry, std::string_view line,
                                          std::uint64_t) { visit(std::move(entry), line); });
}

std::deque<JournalEntry> LastJournalEntries(const std::filesystem::path& journal, std::size_t count,
                                            JournalReadStats* stats) {
    std::deque<JournalEntry> last;
    const OpenJournal file(journal);
    JournalReadStats read;
    if (count > 0) {
        read =
            ReadJournalBackward(file, [&](JournalEntry&& entry, std::string_view, std::uint64_t) {
                last.push_front(std::move(entry));
                return last.size() < count;
            });
    } else {
        read.error = file.Error();
    }
    if (stats) *stats = read;
    return last;
}

std::string SkippedEntriesText(std::size_t skipped) {
    return "пропущено записей: " + std::to_string(skipped);
}

}  // namespace gsmprog
