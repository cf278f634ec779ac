// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/journal_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace gsmprog {

namespace {

constexpr std::size_t ChunkSize = 1 << 20;

class FileReader {
public:
    explicit FileReader(const std::filesystem::path& path)
        // Reading follows a link: reading harms nothing, and a journal kept elsewhere stays
        // readable.
        : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
    ~FileReader() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    int fd() const { return fd_; }

private:
    const int fd_;
};

}  // namespace

JournalReadStats ReadJournal(const std::filesystem::path& journal, const JournalVisitor& visit) {
    JournalReadStats stats;
    const FileReader file(journal);
    struct stat info {};
    if (file.fd() < 0 || ::fstat(file.fd(), &info) != 0) {
        stats.error = errno;
        return stats;
    }
    // A device or pipe under the journal's name could be endless.
    if (!S_ISREG(info.st_mode)) {
        stats.error = EINVAL;
        return stats;
    }
    const auto take = [&](std::string_view line) {
        if (line.empty()) return;
        if (auto entry = ParseJournalLine(line)) {
            ++stats.entries;
            visit(std::move(*entry), line);
        } else {
            ++stats.skipped;
        }
    };
    std::vector<char> buffer(ChunkSize);
    std::string carried;    // the start of a line the last chunk cut
    bool overlong = false;  // the line being read is too long: dropped up to its end
    for (;;) {
        const ssize_t got = ::read(file.fd(), buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            stats.error = errno;
            break;
        }
        if (got == 0) break;
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
        }
    }
    // A last line without its line feed is torn by a crash mid-append unless it parses whole.
    if (overlong) ++stats.skipped;
    else take(carried);
    return stats;
}

std::deque<JournalEntry> LastJournalEntries(const std::filesystem::path& journal, std::size_t count,
                                            JournalReadStats* stats) {
    std::deque<JournalEntry> last;
    const JournalReadStats read = ReadJournal(journal, [&](JournalEntry&& entry, std::string_view) {
        if (count == 0) return;
        if (last.size() == count) last.pop_front();
        last.push_back(std::move(entry));
    });
    if (stats) *stats = read;
    return last;
}

std::optional<JournalEntry> LastJournalEntry(
    const std::filesystem::path& journal, const std::function<bool(const JournalEntry&)>& wanted) {
    std::optional<JournalEntry> last;
    ReadJournal(journal, [&](JournalEntry&& entry, std::string_view) {
        if (wanted(entry)) last = std::move(entry);
    });
    return last;
}

std::string SkippedEntriesText(std::size_t skipped) {
    return "пропущено записей: " + std::to_string(skipped);
}

}  // namespace gsmprog
