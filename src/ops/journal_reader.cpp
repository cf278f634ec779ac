// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/journal_reader.h"

#include "ops/journal_backward.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace gsmprog {

namespace {

constexpr std::size_t ChunkSize = 1 << 20;

}  // namespace

OpenJournal::OpenJournal(const std::filesystem::path& path)
    // Reading follows a link: reading harms nothing, and a journal kept elsewhere stays
    // readable.
    : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
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

JournalReadStats ReadJournalLines(const OpenJournal& file, std::uint64_t from,
                                  const PlacedJournalVisitor& visit, JournalTail& tail,
                                  const std::atomic<bool>* stop, const JournalReadScope& scope) {
    JournalReadStats stats;
    tail = {from, {}, {}};
    if (file.Error() != 0) {
        stats.error = file.Error();
        return stats;
    }
    JournalEntry entry;  // one for all lines, so that its texts' memory is reused
    const auto parse = [&](std::string_view line) {
        if (line.empty() || (scope.wanted && !scope.wanted(line))) return false;
        const bool parsed = ParseJournalLine(line, entry, scope.parts);
        ++(parsed ? stats.entries : stats.skipped);
        return parsed;
    };
    const auto take = [&](std::string_view line) {
        // Called before wholeLinesEnd moves past the line: it is where the line starts.
        if (parse(line)) visit(std::move(entry), line, tail.wholeLinesEnd);
    };
    std::vector<char> buffer(ChunkSize);
    std::string carried;    // the start of a line the last chunk cut
    bool overlong = false;  // the line being read is too long: dropped up to its end
    std::uint64_t offset = from;  // of the buffer's first byte
    for (;;) {
        if (stop && stop->load()) break;
        const ssize_t got = ::pread(file.Fd(), buffer.data(), buffer.size(), off_t(offset));
        if (got < 0) {
            if (errno == EINTR) continue;
            stats.error = errno;
            break;
        }
        if (got == 0) break;
        stats.bytes += std::uint64_t(got);
        std::string_view chunk(buffer.data(), std::size_t(got));
        for (;;) {
            const std::size_t end = chunk.find('\n');
            const std::string_view piece = chunk.substr(0, end);
            if (overlong) {
                // Still the line that was too long.
            } else if (carried.size() + piece.size() > MaxJournalLine) {
                overlong = true;
                carried.clear();
            } else if (end != std::string_view::npos && carried.empty()) {
                take(piece);
            } else {
                carried.append(piece);
                if (end != std::string_view::npos) {
                    take(carried);
                    carried.clear();
                }
            }
            if (end == std::string_view::npos) break;
            if (overlong) {
                ++stats.skipped;
                overlong = false;
            }
            chunk.remove_prefix(end + 1);
            tail.wholeLinesEnd = offset + std::uint64_t(chunk.data() - buffer.data());
        }
        offset += std::uint64_t(got);
    }
    // A last line without its line feed is torn by a crash mid-append unless it parses whole.
    if (overlong) ++stats.skipped;
    else if (parse(carried)) {
        tail.unterminated = std::move(entry);
        tail.unterminatedLine = std::move(carried);
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
        read = ReadJournalBackward(file, [&](JournalEntry&& entry, std::string_view, std::uint64_t) {
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
