#pragma once
// The right to write the card database of one directory, held by one program at a time: a
// kernel lock (flock) on ProgInfo_12.GAD.lock beside the database, which the kernel releases
// when its holder ends, however it ends. The file names the holder for the others to show.
// Readers never take it.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace gsmprog {

struct LockHolder {
    std::string program;   // e.g. "gsmprog", "gsmprog-cli"
    std::string host;
    std::string user;
    long pid = 0;          // 0: the holder could not be read
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
        Failed,  // it cannot be taken here: Error() holds the errno
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
    std::filesystem::path LockFile() const { return directory_ / LockFileName; }
    // Why the last Take did not succeed, in Russian: the holder named, or the cause.
    std::string Refusal() const;

private:
    int OpenLockFile();
    void ReadHolder(int fd);

    std::filesystem::path directory_;
    int fd_ = -1;
    LockHolder holder_;
    int error_ = 0;
};

}  // namespace gsmprog
