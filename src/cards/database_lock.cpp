// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cards/database_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <thread>

#include "cards/card_database.h"
#include "cards/database_files.h"
#include "cards/error_text.h"

namespace gsmprog {

namespace {

constexpr int HolderReadTries = 25;  // a holder writes itself right after taking the lock
constexpr std::chrono::milliseconds HolderReadPause{10};

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "?";
    return name;
}

// Written in place and cut to its length afterwards: the file is never emptied first, so a
// reader finds either a whole text or one that does not parse.
bool WriteHolder(int fd, const LockHolder& holder) {
    const std::string text = "program=" + holder.program + "\nhost=" + holder.host +
                             "\nuser=" + holder.user + "\npid=" + std::to_string(holder.pid) +
                             "\nsince=" + std::to_string(holder.since) + "\n";
    return ::pwrite(fd, text.data(), text.size(), 0) == ssize_t(text.size()) &&
           ::ftruncate(fd, off_t(text.size())) == 0;
}

// A text left by a holder that was killed names a process that is gone; it says nothing of
// whoever holds the lock now.
bool NamesTheDead(const LockHolder& holder) {
    return holder.host == HostName() && ::kill(pid_t(holder.pid), 0) != 0 && errno == ESRCH;
}

bool InGroup(gid_t group) {
    if (group == ::getegid()) return true;
    gid_t groups[256];
    const int count = ::getgroups(256, groups);
    for (int i = 0; i < count; ++i)
        if (groups[i] == group) return true;
    return false;
}

std::string NotRegularText(mode_t mode) {
    return "это " + FileKindText(mode) + ", а не обычный файл";
}

// Why the file `info` describes cannot serve as the lock file; empty when it can.
std::string LockFileProblem(const struct stat& info) {
    if (!S_ISREG(info.st_mode)) return NotRegularText(info.st_mode);
    // A second name could be the database itself, which writing the holder would destroy.
    if (info.st_nlink != 1) return "у файла есть другие имена (жёсткие ссылки)";
    if (info.st_uid != ::geteuid() && !((info.st_mode & S_IWGRP) && InGroup(info.st_gid)))
        return "файл принадлежит пользователю " + UserName(info.st_uid) +
               ", а писать в него его группе не разрешено";
    return {};
}

// Whoever may write the database may take its lock too, however the lock file was made.
void ShareWithDatabaseWriters(int fd, const std::filesystem::path& database) {
    struct stat lock {
    }, data{};
    if (::fstat(fd, &lock) != 0 || lock.st_uid != ::geteuid() ||
        ::stat(database.c_str(), &data) != 0)
        return;
    const mode_t wanted = (lock.st_mode & 0777) | (data.st_mode & 0666);
    if (wanted != (lock.st_mode & 0777)) ::fchmod(fd, wanted);
}

constexpr int OpenFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// The holder a lock file names; pid stays 0 while the file is not whole.
LockHolder ParseHolder(const std::string& text) {
    LockHolder holder;
    if (text.empty() || text.back() != '\n') return holder;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "program") holder.program = value;
        else if (key == "host") holder.host = value;
        else if (key == "user") holder.user = value;
        else if (key == "pid") holder.pid = std::strtol(value.c_str(), nullptr, 10);
        else if (key == "since") holder.since = std::strtoll(value.c_str(), nullptr, 10);
    }
    if (holder.since == 0) holder.pid = 0;
    return holder;
}

}  // namespace

std::string LockHolder::Text() const {
    const std::time_t at = std::time_t(since), now = std::time(nullptr);
    std::tm then{}, today{};
    localtime_r(&at, &then);
    localtime_r(&now, &today);
    const bool sameDay = then.tm_year == today.tm_year && then.tm_yday == today.tm_yday;
    char time[32];
    std::strftime(time, sizeof time, sameDay ? "%H:%M" : "%d.%m.%Y %H:%M", &then);
    return program + " на " + host + ", пользователь " + user + ", с " + time;
}

DatabaseLock::DatabaseLock(std::filesystem::path directory)
    : directory_(std::move(directory)), lockFile_(directory_ / LockFileName) {}

DatabaseLock::~DatabaseLock() { Release(); }

int DatabaseLock::OpenLockFile(const std::filesystem::path& database) {
    // Never created through a link: with O_EXCL even a dangling link counts as taken.
    int fd = ::open(lockFile_.c_str(), O_RDWR | O_CREAT | O_EXCL | OpenFlags, 0666);
    if (fd >= 0) writable_ = true;
    else if (errno == EEXIST) fd = OpenExisting();
    else error_ = errno;
    if (fd >= 0) ShareWithDatabaseWriters(fd, database);
    return fd;
}

int DatabaseLock::OpenExisting() {
    struct stat named {};
    if (::lstat(lockFile_.c_str(), &named) != 0) {
        error_ = errno;  // ENOENT: removed meanwhile, made anew on the next try
        return -1;
    }
    // Nothing else is even opened: a device may act on an open.
    problem_ = LockFileProblem(named);
    if (!problem_.empty()) return -1;
    int fd = ::open(lockFile_.c_str(), O_RDWR | OpenFlags);
    writable_ = fd >= 0;
    // flock needs no write access: a lock file that stayed read-only still serves.
    if (fd < 0 && errno == EACCES) fd = ::open(lockFile_.c_str(), O_RDONLY | OpenFlags);
    if (fd < 0) {
        error_ = errno;
        if (error_ == ELOOP) problem_ = NotRegularText(S_IFLNK);  // swapped in since the check
        return -1;
    }
    // What was opened is what was checked, not a file swapped in since.
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || opened.st_ino != named.st_ino || opened.st_dev != named.st_dev)
        error_ = EAGAIN;
    else problem_ = LockFileProblem(opened);
    if (error_ == 0 && problem_.empty()) return fd;
    ::close(fd);
    return -1;
}

DatabaseLock::Outcome DatabaseLock::Take(const std::string& program) {
    if (fd_ >= 0) return Outcome::Taken;
    holder_ = LockHolder{};
    const DatabaseLocation location = LocateDatabase(directory_);
    problem_.clear();
    brokenLink_ = BrokenLinkText(location);
    if (!brokenLink_.empty()) return Outcome::Failed;  // a save would make a file nobody meant
    lockFile_ = location.LockFile();
    for (int attempt = 0;; ++attempt) {
        error_ = 0;
        const int fd = OpenLockFile(location.file);
        if (fd < 0) {
            // A lock file removed or replaced between two steps: once more with the new one.
            if ((error_ == ENOENT || error_ == EAGAIN) && problem_.empty() && attempt < 10)
                continue;
            return Outcome::Failed;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            if (error == EWOULDBLOCK) ReadHolder(fd);
            ::close(fd);
            error_ = error == EWOULDBLOCK ? 0 : error;
            return error == EWOULDBLOCK ? Outcome::Held : Outcome::Failed;
        }
        // A lock file removed between the open and the lock guards nothing: open the new one.
        struct stat held {
        }, named{};
        if (::fstat(fd, &held) == 0 && ::lstat(lockFile_.c_str(), &named) == 0 &&
            held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
            fd_ = fd;
            break;
        }
        ::close(fd);
    }
    // Naming the holder is a courtesy to the others: a failure here does not give up the lock.
    if (writable_)
        WriteHolder(fd_, {program, HostName(), UserName(::geteuid()), long(::getpid()),
                          std::int64_t(std::time(nullptr))});
    return Outcome::Taken;
}

void DatabaseLock::ReadHolder(int fd) {
    for (int attempt = 0; attempt < HolderReadTries; ++attempt) {
        char buffer[1024];
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, 0);
        holder_ = ParseHolder(got > 0 ? std::string(buffer, std::size_t(got)) : std::string());
        if (holder_.pid > 0 && !NamesTheDead(holder_)) return;
        std::this_thread::sleep_for(HolderReadPause);
    }
    holder_ = LockHolder{};  // held by someone who has not named itself (yet)
}

void DatabaseLock::Release() {
    if (fd_ < 0) return;
    // Emptied while still held: a name left behind would be shown for the next holder, who
    // takes the lock before it can write its own. Should emptying fail, the next holder's
    // name replaces it a moment later.
    [[maybe_unused]] const int emptied = writable_ ? ::ftruncate(fd_, 0) : 0;
    ::close(fd_);
    fd_ = -1;
}

std::string DatabaseLock::Refusal() const {
    if (!brokenLink_.empty()) return "Базу карточек нельзя открыть для записи: " + brokenLink_;
    std::error_code failed;
    const std::filesystem::path absolute = std::filesystem::absolute(lockFile_, failed);
    const std::string file = (failed ? lockFile_ : absolute).string();
    if (!problem_.empty())
        return "Файл блокировки базы карточек " + file + " не подходит: " + problem_;
    if (error_ != 0)
        return "Не удалось заблокировать базу карточек для записи (" + file +
               "): " + ErrorText(error_);
    if (holder_.pid == 0) return "База карточек уже открыта другой программой";
    return "База карточек уже открыта: " + holder_.Text();
}

}  // namespace gsmprog
