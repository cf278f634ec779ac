// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/journal_backward.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace gsmprog {

namespace {

// Reads [start, start + count) whole; errno when that fails.
int ReadBlock(const OpenJournal& file, std::uint64_t start, std::string& block, std::size_t count) {
    block.resize(count);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got =
            ::pread(file.Fd(), block.data() + done, count - done, off_t(start + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        if (got == 0) return EIO;  // cut while being read: the part before the cut stands
        done += std::size_t(got);
    }
    return 0;
}

}  // namespace

JournalReadStats ReadJournalBackward(const OpenJournal& file, const BackwardJournalVisitor& visit,
                                     const JournalReadScope& scope, std::size_t blockSize) {
    JournalReadStats stats;
    if (file.Error() != 0) {
        stats.error = file.Error();
        return stats;
    }
    JournalEntry entry;  // one for all lines, so that its texts' memory is reused
    // False once `visit` said stop.
    const auto take = [&](std::string_view line, std::uint64_t offset) {
        if (line.size() > MaxJournalLine) {
            ++stats.skipped;
            return true;
        }
        if (line.empty() || (scope.wanted && !scope.wanted(line))) return true;
        if (!ParseJournalLine(line, entry, scope.parts)) {
            ++stats.skipped;
            return true;
        }
        ++stats.entries;
        return visit(std::move(entry), line, offset);
    };
    std::string buffer;     // a block, followed by the end of the line it cuts
    std::string pending;    // the end of a line whose start lies before the block read next
    bool overlong = false;  // that line is too long already: dropped back to its start
    std::uint64_t end = file.Stamp().size;
    while (end > 0) {
        const std::uint64_t step = std::max<std::size_t>(blockSize, 1);
        const std::uint64_t start = end > step ? end - step : 0;
        if (const int error = ReadBlock(file, start, buffer, std::size_t(end - start))) {
            stats.error = error;
            return stats;
        }
        stats.bytes += end - start;
        buffer += pending;
        std::size_t lineEnd = buffer.size();
        for (;;) {
            const void* found = lineEnd == 0 ? nullptr : ::memrchr(buffer.data(), '\n', lineEnd);
            if (found == nullptr) break;
            const std::size_t feed = std::size_t(static_cast<const char*>(found) - buffer.data());
            const std::string_view line(buffer.data() + feed + 1, lineEnd - feed - 1);
            if (overlong) {
                ++stats.skipped;
                overlong = false;
            } else if (!take(line, start + feed + 1)) {
                return stats;
            }
            lineEnd = feed;
        }
        const std::string_view head(buffer.data(), lineEnd);
        if (start == 0) {
            if (overlong) ++stats.skipped;
            else take(head, 0);
            break;
        }
        overlong = overlong || head.size() > MaxJournalLine;
        if (overlong) pending.clear();
        else pending.assign(head);
        end = start;
    }
    return stats;
}

}  // namespace gsmprog
