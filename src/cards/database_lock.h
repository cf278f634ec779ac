// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The right to write the card database of one directory, held by one program at a time: a
// kernel lock (flock) on ProgInfo_12.GAD.lock beside the database, which the kernel releases
// when its holder ends, however it ends. Only the kernel lock says whether the database is
// held; the file's text names the holder for the others to show while it holds it.
// Readers never take it.
//
// A database reached through symbolic links is locked beside the file they lead to, so every
// path to one file meets one lock; a link that is not followed (LocateDatabase) is refused. The lock file is accepted only as a regular file with no
// other name, owned by the user or, in a folder shared by a group, by another member who left
// it writable to the group; it is never opened through a link nor created through one, and
// its text is written only under the kernel lock. Anything else under its name is refused,
// and nothing is written.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace gsmprog {

struct LockHolder {
    std::string program;  // e.g. "gsmprog", "gsmprog-cli"
    std::string host;
    std::string user;
    long pid = 0;            // 0: the holder could not be read
    std::int64_t since = 0;  // seconds since the epoch

    // "gsmprog на host, пользователь user, с 10:42" (the date too when not today).
    std::string Text() const;
};

class DatabaseLock {
public:
    static constexpr const char* LockFileName = "ProgInfo_12.GAD.lock";

    enum class Outcome {
        Taken,   // this object holds it now
        Held,    // another program (or object) holds it: Holder() names it
        Failed,  // it cannot be taken here: Error() holds the errno, or Refusal() the reason
    };

    // For the database in `directory` (empty: the current one).
    explicit DatabaseLock(std::filesystem::path directory = {});
    ~DatabaseLock();  // releases it
    DatabaseLock(const DatabaseLock&) = delete;
    DatabaseLock& operator=(const DatabaseLock&) = delete;

    // Tries to take it for `program` once, without waiting.
    Outcome Take(const std::string& program);
    void Release();

    bool Taken() const { return fd_ >= 0; }
    const LockHolder& Holder() const { return holder_; }
    int Error() const { return error_; }
    // The lock file the last Take used: beside the file the database's links lead to.
    const std::filesystem::path& LockFile() const { return lockFile_; }
    // Why the last Take did not succeed, in Russian: the holder named, or the cause.
    std::string Refusal() const;
    // Whether the last Take failed for a cause of its own (Failed), not for a holder.
    bool Refused() const { return !brokenLink_.empty() || !problem_.empty() || error_ != 0; }

private:
    int OpenLockFile(const std::filesystem::path& database);
    int OpenExisting();
    void ReadHolder(int fd);

    std::filesystem::path directory_;
    std::filesystem::path lockFile_;
    int fd_ = -1;
    bool writable_ = false;  // the holder's text may be written (flock needs no write access)
    LockHolder holder_;
    int error_ = 0;
    std::string problem_;     // why the lock file is not accepted
    std::string brokenLink_;  // why the database's link leads to no file
};

}  // namespace gsmprog
