// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/journal_append.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "cards/card_database.h"
#include "cards/database_files.h"
#include "cards/error_text.h"

namespace gsmprog {

namespace {

// Another append holds the lock for a few milliseconds; a holder that never lets go (a hung
// program on a network drive) must not hold up the end of an operation for longer.
constexpr std::chrono::seconds LockWait{5};
constexpr std::chrono::milliseconds LockPoll{5};

class JournalDescriptor {
public:
    // Read access lets the append see a torn last line; a journal only writable is still
    // appended to. Non-blocking: a named pipe planted under the name must not hang the open.
    explicit JournalDescriptor(const std::filesystem::path& journal) : fd_(Open(journal, O_RDWR)) {
        if (fd_ < 0 && errno == EACCES) fd_ = Open(journal, O_WRONLY);
    }
    ~JournalDescriptor() {
        if (fd_ >= 0) ::close(fd_);  // also releases the lock
    }
    JournalDescriptor(const JournalDescriptor&) = delete;
    JournalDescriptor& operator=(const JournalDescriptor&) = delete;
    int fd() const { return fd_; }

private:
    static int Open(const std::filesystem::path& journal, int access) {
        return ::open(journal.c_str(),
                      access | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
    }
    int fd_;
};

std::string Refusal(const struct stat& info) {
    if (!S_ISREG(info.st_mode)) return "это " + FileKindText(info.st_mode) + ", а не файл журнала";
    if (info.st_nlink > 1) return "у файла журнала есть другие имена (жёсткие ссылки)";
    return {};
}

bool TakeLock(int fd) {
    const auto deadline = std::chrono::steady_clock::now() + LockWait;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno != EWOULDBLOCK && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() >= deadline) {
            errno = EWOULDBLOCK;
            return false;
        }
        std::this_thread::sleep_for(LockPoll);
    }
}

// Whether the file ends inside a line: a torn line left by a crash, which the next line must
// not continue.
bool EndsInsideLine(int fd, off_t size) {
    char last = '\n';
    return size > 0 && ::pread(fd, &last, 1, size - 1) == 1 && last != '\n';
}

// Writes all of `text` at the end; on failure cuts the file back to `size`.
std::string WriteAll(int fd, std::string_view text, off_t size) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written > 0) {
            done += std::size_t(written);
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        const int error = written < 0 ? errno : ENOSPC;
        // A part of a line would be a torn line in the middle of the file; should even the cut
        // fail, readers skip that line.
        [[maybe_unused]] const int cut = ::ftruncate(fd, size);
        return ErrorText(error);
    }
    return {};
}

}  // namespace

std::filesystem::path JournalFile(const std::filesystem::path& directory) {
    namespace fs = std::filesystem;
    // Absolute, so that a warning names it wherever the user is.
    const fs::path database = LocateDatabase(directory).file;
    std::error_code error;
    const fs::path absolute = fs::absolute(database, error);
    const fs::path folder = (error ? database : absolute).parent_path();
    const fs::path named = folder / JournalNameOf(database);
    // Earlier, every database reached through a link kept ProgInfo_12.journal beside its file.
    // That journal goes on serving such a database until one named after it exists: it holds
    // the history that show, diff and the support report give, which a new empty journal
    // would drop without a word. It is another database's only where ProgInfo_12.GAD lies
    // beside it. Where two linked databases shared it, renaming it after one of them gives
    // it to that one alone.
    const fs::path earlier = folder / JournalFileName;
    if (named != earlier && !fs::exists(fs::symlink_status(named, error)) &&
        fs::exists(fs::symlink_status(earlier, error)) &&
        !fs::exists(fs::symlink_status(folder / CardDatabase::DatabaseFileName, error)))
        return earlier;
    return named;
}

std::string AppendJournalLine(const std::filesystem::path& journal, std::string_view line) {
    const JournalDescriptor file(journal);
    if (file.fd() < 0) {
        if (errno == ELOOP) return "это символическая ссылка, а не файл журнала";
        return ErrorText(errno);
    }
    struct stat info {};
    if (::fstat(file.fd(), &info) != 0) return ErrorText(errno);
    if (std::string refusal = Refusal(info); !refusal.empty()) return refusal;
    if (!TakeLock(file.fd())) {
        if (errno == EWOULDBLOCK) return "файл журнала занят другой программой";
        return ErrorText(errno);
    }
    // The size under the lock: another program may have appended since the open.
    if (::fstat(file.fd(), &info) != 0) return ErrorText(errno);
    std::string text;
    if (EndsInsideLine(file.fd(), info.st_size)) text += '\n';
    text += line;
    if (std::string failure = WriteAll(file.fd(), text, info.st_size); !failure.empty())
        return failure;
    if (::fdatasync(file.fd()) != 0) {
        const int error = errno;
        // Some network file systems cannot sync a single file: the line is written all the same.
        if (error != EINVAL && error != EROFS) return ErrorText(error);
    }
    return {};
}

std::string JournalFailureText(const std::filesystem::path& journal, const std::string& reason) {
    return "Журнал операций не записан (" + journal.string() + "): " + reason;
}

}  // namespace gsmprog
