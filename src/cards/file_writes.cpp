// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cards/file_writes.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <vector>

namespace gsmprog {

namespace fs = std::filesystem;

namespace {

// Closes `fd` without losing the errno of the failure being reported.
void CloseKeepingErrno(int fd) {
    const int error = errno;
    ::close(fd);
    errno = error;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
    auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        bytes += written;
        size -= std::size_t(written);
    }
    return true;
}

bool WriteChunks(int fd, std::span<const ByteChunk> chunks) {
    for (const ByteChunk& chunk : chunks)
        if (!WriteAll(fd, chunk.data, chunk.size)) return false;
    return true;
}

fs::path DirectoryOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

// A rename or a new name only lasts a power loss once the directory itself is synced.
// Some file systems refuse to sync a directory; the rename has happened all the same.
void SyncDirectory(const fs::path& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::string HiddenPrefix(const fs::path& target) {
    return "." + target.filename().string() + ".tmp-";
}

// Calls `make` with fresh hidden names of `target` until one is not taken (EEXIST).
template <typename Make>
bool OnFreeHiddenName(const fs::path& target, Make make) {
    static std::atomic<unsigned> counter{0};
    const std::string base = HiddenPrefix(target) + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (make(DirectoryOf(target) / (base + std::to_string(counter++)))) return true;
        if (errno != EEXIST) return false;
    }
    return false;
}

// Locks a hidden file for its writer. A file system without locks writes all the same.
bool LockForWriter(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK; }

// What ReplaceRegularFile refuses before writing anything; `old` is filled when a file exists.
bool MayReplace(const fs::path& target, struct stat& old, bool& exists) {
    exists = ::stat(target.c_str(), &old) == 0;
    if (!exists) return true;
    if (!S_ISREG(old.st_mode)) {
        errno = EINVAL;
        return false;
    }
    // A rename needs only a writable directory: a file its owner made read-only would be
    // replaced all the same, where writing it in place is refused.
    return ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0;
}

}  // namespace

AsideFile::AsideFile(const fs::path& target, mode_t mode) : target_(target) {
    fd_ = ::open(DirectoryOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_EX | LOCK_NB);  // held before it ever gets a name
        return;
    }
    const bool named = OnFreeHiddenName(target, [&](const fs::path& name) {
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0) return false;
        struct stat info {};
        // Locked and still named: a cleanup that took the new file in between removed it.
        if (LockForWriter(fd) && ::fstat(fd, &info) == 0 && info.st_nlink > 0) {
            fd_ = fd;
            hiddenName_ = name;
            return true;
        }
        ::close(fd);
        errno = EEXIST;  // another name, then
        return false;
    });
    // A folder that is there but makes no new files (/proc, /sys) says it has no such file.
    struct stat folder {};
    if (!named && errno == ENOENT && ::stat(DirectoryOf(target).c_str(), &folder) == 0 &&
        S_ISDIR(folder.st_mode))
        errno = EOPNOTSUPP;
}

AsideFile::~AsideFile() {
    if (fd_ < 0) return;
    if (!hiddenName_.empty()) ::unlink(hiddenName_.c_str());
    ::close(fd_);
}

bool AsideFile::Write(std::span<const ByteChunk> chunks) { return WriteChunks(fd_, chunks); }

bool AsideFile::NameIt(const fs::path& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
        (errno == ENOENT && ::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0)) {
        hiddenName_ = name;
        return true;
    }
    return false;
}

bool AsideFile::Publish(bool replace) {
    if (::fsync(fd_) != 0) return false;
    if (hiddenName_.empty()) {
        // Unnamed so far: it becomes the new file at once, or gets a hidden name to be renamed.
        if (!replace) {
            if (!NameIt(target_)) return false;
            hiddenName_.clear();
            SyncDirectory(DirectoryOf(target_));
            return true;
        }
        if (!OnFreeHiddenName(target_, [this](const fs::path& name) { return NameIt(name); }))
            return false;
    }
    bool named = replace ? ::rename(hiddenName_.c_str(), target_.c_str()) == 0
                         : ::renameat2(AT_FDCWD, hiddenName_.c_str(), AT_FDCWD, target_.c_str(),
                                       RENAME_NOREPLACE) == 0;
    if (!named && !replace && errno == EINVAL) {
        // A file system without that kind of rename: a second name never replaces either.
        named = ::link(hiddenName_.c_str(), target_.c_str()) == 0;
        if (named) ::unlink(hiddenName_.c_str());
    }
    if (!named) return false;
    hiddenName_.clear();
    SyncDirectory(DirectoryOf(target_));
    return true;
}

namespace {

// A hidden file written aside for `target` or for a file named after it (".NAME.unread-...").
bool IsHiddenFileOf(const std::string& name, const fs::path& target) {
    const std::string family = "." + target.filename().string() + ".";
    return name.starts_with(HiddenPrefix(target)) ||
           (name.starts_with(family) && name.find(".tmp-", family.size()) != std::string::npos);
}

}  // namespace

fs::path ResolveLinks(const fs::path& path) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
    auto resolved = fs::weakly_canonical(path, error);
    return error ? path : resolved;
}

void RemoveLeftovers(const fs::path& target) {
    std::error_code error;
    fs::directory_iterator entries(DirectoryOf(target), error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const fs::path& path = entries->path();
        if (!IsHiddenFileOf(path.filename().string(), target)) continue;
        // Opened for writing where allowed: NFS grants an exclusive lock only to such a file.
        int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat held {
        }, named{};
        // Its writer is gone once its lock can be had; the name must still be that file.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 &&
            S_ISREG(held.st_mode) && ::lstat(path.c_str(), &named) == 0 &&
            named.st_ino == held.st_ino && named.st_dev == held.st_dev)
            ::unlink(path.c_str());
        ::close(fd);
    }
}

bool ReplaceRegularFile(const fs::path& path, std::span<const ByteChunk> chunks) {
    const fs::path target = ResolveLinks(path);
    struct stat old {};
    bool exists = false;
    if (!MayReplace(target, old, exists)) return false;
    RemoveLeftovers(target);
    AsideFile file(target, exists ? old.st_mode & 07777 : 0666);
    if (!file.Opened()) return false;
    if (exists) ::fchmod(file.Descriptor(), old.st_mode & 07777);  // the umask does not apply
    return file.Write(chunks) && file.Publish(true);
}

bool CanReplaceRegularFile(const fs::path& path, std::size_t size) {
    const fs::path target = ResolveLinks(path);
    struct stat old {};
    bool exists = false;
    if (!MayReplace(target, old, exists)) return false;
    AsideFile probe(target, 0600);
    if (!probe.Opened()) return false;
    // Room for the new file beside the old one, which goes only once the new one is whole.
    if (::fallocate(probe.Descriptor(), 0, 0, off_t(size)) == 0) return true;
    if (errno != EOPNOTSUPP) return false;
    struct statvfs disk {};
    if (::fstatvfs(probe.Descriptor(), &disk) != 0) return true;  // the save will tell
    if (std::uintmax_t(disk.f_bavail) * disk.f_frsize >= size) return true;
    errno = ENOSPC;
    return false;
}

bool KeepUnderNewName(const fs::path& from, const fs::path& to) {
    if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        SyncDirectory(DirectoryOf(to));
        return true;
    }
    if (errno == EEXIST) return false;
    // No second name here (a FAT stick, another file system): a copy, written aside.
    const int in = ::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (in < 0) return false;
    struct stat info {};
    ::fstat(in, &info);
    AsideFile copy(to, info.st_mode & 0666);
    bool ok = copy.Opened();
    // Readable by no one the original is not: its owner and group where they may be given,
    // else by its maker alone.
    if (ok && ::fchown(copy.Descriptor(), info.st_uid, info.st_gid) != 0)
        ::fchmod(copy.Descriptor(), info.st_mode & 0600);
    std::vector<char> buffer(1 << 20);
    while (ok) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        const ByteChunk chunk{buffer.data(), std::size_t(got)};
        ok = copy.Write({&chunk, 1});
    }
    ok = ok && copy.Publish(false);
    CloseKeepingErrno(in);
    return ok;
}

}  // namespace gsmprog
