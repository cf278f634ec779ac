// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/cable_directory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <system_error>

#include "ports/pseudo_terminal.h"

namespace gsmprog {

namespace fs = std::filesystem;

fs::path DefaultCableDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') return fs::path(runtime) / "gsmprog" / "cables";
    return fs::path("/tmp") / ("gsmprog-" + std::to_string(getuid())) / "cables";
}

fs::path LatencyTimerFile(const fs::path& directory, const std::string& serialNumber) {
    return directory / (serialNumber + ".latency_timer");
}

bool IsValidCableSerial(const std::string& serialNumber) {
    if (serialNumber.empty() || serialNumber.size() > 15) return false;
    if (serialNumber == "." || serialNumber == "..") return false;
    return std::all_of(serialNumber.begin(), serialNumber.end(),
                       [](char c) { return c > ' ' && c < 0x7F && c != '/'; });
}

namespace {

// A registering modem holds a lock on SERIAL.lock beside its link for as long as it lives;
// the kernel drops it when the modem dies, even by SIGKILL. So a link left behind is told
// from a living cable although its pseudo-terminal's number may belong to someone else now.
fs::path OwnerLockFile(const fs::path& directory, const std::string& serialNumber) {
    return directory / (serialNumber + ".lock");
}

// The owner locks this process holds, by lock file.
std::mutex ownerLocksLock;
std::map<fs::path, int> ownerLocks;

// False only when the cable has a lock file that nobody holds: a link without one is taken
// for a living cable, as before such files existed.
bool OwnerAlive(const fs::path& directory, const std::string& serialNumber) {
    const int fd = ::open(OwnerLockFile(directory, serialNumber).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return true;
    const bool free = ::flock(fd, LOCK_SH | LOCK_NB) == 0;
    ::close(fd);  // also lets go of the probe's own lock
    return !free;
}

// Whether `file` still names the file open as `fd`.
bool NamesOpenFile(const fs::path& file, int fd) {
    struct stat named {
    }, open{};
    return ::lstat(file.c_str(), &named) == 0 && ::fstat(fd, &open) == 0 &&
           named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

// Takes the owner lock for this process, keeping it until UnregisterVirtualCable.
bool TakeOwnerLock(const fs::path& directory, const std::string& serialNumber) {
    const fs::path file = OwnerLockFile(directory, serialNumber);
    std::lock_guard guard(ownerLocksLock);
    if (ownerLocks.count(file) != 0) return true;
    // A modem that ends removes its lock file while still holding it; a file opened before
    // that is nobody's any more, and locking it would let two modems own one cable. So the
    // file locked must still be the one of that name, else it is opened afresh.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) return false;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return false;
        }
        if (NamesOpenFile(file, fd)) {
            ownerLocks[file] = fd;
            return true;
        }
        ::close(fd);
    }
    return false;
}

// Lets go of the owner lock and removes its file, which is only safe while it is held.
void ReleaseOwnerLock(const fs::path& directory, const std::string& serialNumber) {
    std::lock_guard guard(ownerLocksLock);
    const auto it = ownerLocks.find(OwnerLockFile(directory, serialNumber));
    if (it == ownerLocks.end()) return;
    if (NamesOpenFile(it->first, it->second)) ::unlink(it->first.c_str());
    ::close(it->second);
    ownerLocks.erase(it);
}

// Why `folder` is no place for cables: not this user's, or others may write it.
std::string FolderDistrust(const fs::path& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return "каталог " + folder.string() + " недоступен: " + std::strerror(errno);
    if (!S_ISDIR(info.st_mode)) return folder.string() + " — не каталог";
    if (info.st_uid != ::geteuid())
        return "каталог " + folder.string() + " принадлежит другому пользователю (uid " +
               std::to_string(info.st_uid) + ")";
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return std::string("в каталог ") + folder.string() +
               " могут писать другие пользователи (права " + mode + ")";
    }
    return {};
}

// Why the file `device` (`info`) is no line of a virtual modem; empty when it is one.
std::string TerminalRefusal(const fs::path& device, const struct stat& info) {
    if (!PtySlaveIndex(info))
        return device.string() + " — " + FileKindText(info) + ", а не псевдотерминал /dev/pts/N";
    // Another user's pseudo-terminal is not taken even here: it would be theirs to answer.
    if (info.st_uid != ::geteuid())
        return device.string() + " — псевдотерминал другого пользователя (uid " +
               std::to_string(info.st_uid) + ")";
    return {};
}

// Creates `folder` and the missing ones above it for the owner alone.
void MakeOwnFolders(const fs::path& folder) {
    std::error_code error;
    if (folder.empty() || fs::exists(fs::symlink_status(folder, error))) return;
    MakeOwnFolders(folder.parent_path());
    ::mkdir(folder.c_str(), 0700);
}

}  // namespace

std::string CableDirectoryDistrust(const fs::path& directory) {
    // Judged where the path leads, so that a link swapped afterwards cannot redirect the listing.
    std::error_code error;
    const fs::path resolved = fs::canonical(directory, error);
    if (error) return {};
    std::string distrust = FolderDistrust(resolved);
    if (distrust.empty()) distrust = FolderDistrust(resolved.parent_path());
    return distrust;
}

std::vector<VirtualCable> ListVirtualCables(const fs::path& directory, std::string* distrust,
                                            std::vector<RefusedCable>* refused) {
    std::vector<VirtualCable> cables;
    if (std::string reason = CableDirectoryDistrust(directory); !reason.empty()) {
        if (distrust != nullptr) *distrust = std::move(reason);
        return cables;
    }
    std::error_code error;
    const fs::path resolved = fs::canonical(directory, error);
    for (fs::directory_iterator it(resolved, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!IsValidCableSerial(name) || !it->is_symlink(error)) continue;
        const fs::path target = fs::read_symlink(it->path(), error);
        struct stat device {};
        if (error || ::stat(it->path().c_str(), &device) != 0 || !OwnerAlive(resolved, name)) {
            error.clear();
            continue;
        }
        const fs::path path = target.is_absolute() ? target : directory / target;
        if (std::string reason = TerminalRefusal(path, device); !reason.empty()) {
            if (refused != nullptr) refused->push_back({name, std::move(reason)});
            continue;
        }
        cables.push_back({name, path});
    }
    const auto byName = [](const auto& a, const auto& b) {
        return a.serialNumber < b.serialNumber;
    };
    std::sort(cables.begin(), cables.end(), byName);
    if (refused != nullptr) std::sort(refused->begin(), refused->end(), byName);
    return cables;
}

std::string DistrustText(const fs::path& directory, const std::string& distrust) {
    return "Виртуальные кабели из " + directory.string() + " не используются: " + distrust;
}

std::string RefusalText(const fs::path& directory, const RefusedCable& cable) {
    return "Виртуальный кабель " + cable.serialNumber + " из " + directory.string() +
           " не используется: " + cable.reason;
}

RegisterResult RegisterVirtualCable(const fs::path& directory, const std::string& serialNumber,
                                    const fs::path& device, std::optional<int> latencyTimerMs) {
    if (!IsValidCableSerial(serialNumber)) return RegisterResult::InvalidSerial;
    std::error_code error;
    // Directories made here are the owner's alone; existing ones are left as they are, but a
    // cable is not put where the listing would refuse it.
    MakeOwnFolders(directory);
    if (!fs::is_directory(directory, error)) return RegisterResult::Failed;
    if (!CableDirectoryDistrust(directory).empty()) return RegisterResult::Untrusted;
    const fs::path link = directory / serialNumber;
    if (fs::is_symlink(fs::symlink_status(link, error))) {
        // Left by a modem that died: its device is gone, is ours now, or its owner lock is free.
        if (fs::exists(link, error) && fs::read_symlink(link, error) != device &&
            OwnerAlive(directory, serialNumber))
            return RegisterResult::AlreadyPresent;
        fs::remove(link, error);
    }
    if (!TakeOwnerLock(directory, serialNumber)) return RegisterResult::AlreadyPresent;
    // Announced before the link appears, so that no host finds the cable without it.
    const fs::path announcement = LatencyTimerFile(directory, serialNumber);
    if (latencyTimerMs) {
        std::ofstream(announcement) << *latencyTimerMs << "\n";
    } else {
        fs::remove(announcement, error);
        error.clear();
    }
    fs::create_symlink(device, link, error);
    if (error) {
        ReleaseOwnerLock(directory, serialNumber);
        return error == std::errc::file_exists ? RegisterResult::AlreadyPresent
                                               : RegisterResult::Failed;
    }
    return RegisterResult::Registered;
}

void UnregisterVirtualCable(const fs::path& directory, const std::string& serialNumber,
                            const fs::path& device) {
    std::error_code error;
    const fs::path link = directory / serialNumber;
    if (fs::read_symlink(link, error) != device || error) return;
    fs::remove(LatencyTimerFile(directory, serialNumber), error);
    fs::remove(link, error);
    ReleaseOwnerLock(directory, serialNumber);
}

}  // namespace gsmprog
