#include "cards/database_lock.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <thread>

#include "cards/card_database.h"
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

std::string UserName() {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[1024];
    if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found)
        return found->pw_name;
    return std::to_string(::geteuid());
}

bool WriteHolder(int fd, const LockHolder& holder) {
    const std::string text = "program=" + holder.program + "\nhost=" + holder.host + "\nuser=" +
                             holder.user + "\npid=" + std::to_string(holder.pid) +
                             "\nsince=" + std::to_string(holder.since) + "\n";
    return ::ftruncate(fd, 0) == 0 && ::pwrite(fd, text.data(), text.size(), 0) == ssize_t(text.size());
}

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

DatabaseLock::DatabaseLock(std::filesystem::path directory) : directory_(std::move(directory)) {}

DatabaseLock::~DatabaseLock() { Release(); }

int DatabaseLock::OpenLockFile() {
    const std::filesystem::path file = LockFile();
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NONBLOCK | O_CLOEXEC, 0666);
    struct stat info {};
    if (fd >= 0) {
        // Whoever may write the database may take its lock too.
        const std::filesystem::path database = directory_ / CardDatabase::DatabaseFileName;
        if (::stat(database.c_str(), &info) == 0) ::fchmod(fd, info.st_mode & 0666);
        return fd;
    }
    if (errno != EEXIST) return -1;
    fd = ::open(file.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) return fd;
    ::close(fd);
    errno = EINVAL;
    return -1;
}

DatabaseLock::Outcome DatabaseLock::Take(const std::string& program) {
    if (fd_ >= 0) return Outcome::Taken;
    holder_ = LockHolder{};
    error_ = 0;
    for (;;) {
        const int fd = OpenLockFile();
        if (fd < 0) {
            error_ = errno;
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
        struct stat held {}, named {};
        if (::fstat(fd, &held) == 0 && ::stat(LockFile().c_str(), &named) == 0 &&
            held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
            fd_ = fd;
            break;
        }
        ::close(fd);
    }
    // Naming the holder is a courtesy to the others: a failure here does not give up the lock.
    WriteHolder(fd_, {program, HostName(), UserName(), long(::getpid()), std::int64_t(std::time(nullptr))});
    return Outcome::Taken;
}

void DatabaseLock::ReadHolder(int fd) {
    for (int attempt = 0; attempt < HolderReadTries; ++attempt) {
        char buffer[1024];
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, 0);
        holder_ = ParseHolder(got > 0 ? std::string(buffer, std::size_t(got)) : std::string());
        if (holder_.pid != 0) return;
        std::this_thread::sleep_for(HolderReadPause);
    }
}

void DatabaseLock::Release() {
    // The file keeps naming the last holder; only the kernel's lock counts.
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
}

std::string DatabaseLock::Refusal() const {
    if (error_ != 0)
        return "Не удалось заблокировать базу карточек для записи (" + LockFile().string() +
               "): " + ErrorText(error_);
    if (holder_.pid == 0) return "База карточек уже открыта другой программой";
    return "База карточек уже открыта: " + holder_.Text();
}

}  // namespace gsmprog
