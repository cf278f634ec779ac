#include "cable/cable_directory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <system_error>

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
    ::close(fd);   // also lets go of the probe's own lock
    return !free;
}

// Takes the owner lock for this process, keeping it until UnregisterVirtualCable.
bool TakeOwnerLock(const fs::path& directory, const std::string& serialNumber) {
    const fs::path file = OwnerLockFile(directory, serialNumber);
    std::lock_guard guard(ownerLocksLock);
    if (ownerLocks.count(file) != 0) return true;
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    ownerLocks[file] = fd;
    return true;
}

void ReleaseOwnerLock(const fs::path& directory, const std::string& serialNumber) {
    std::lock_guard guard(ownerLocksLock);
    const auto it = ownerLocks.find(OwnerLockFile(directory, serialNumber));
    if (it == ownerLocks.end()) return;
    ::close(it->second);   // the file stays: removing it could let two modems lock two files
    ownerLocks.erase(it);
}

}  // namespace

std::vector<VirtualCable> ListVirtualCables(const fs::path& directory) {
    std::vector<VirtualCable> cables;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!IsValidCableSerial(name) || !it->is_symlink(error)) continue;
        const fs::path target = fs::read_symlink(it->path(), error);
        if (error || !fs::exists(it->path(), error) || !OwnerAlive(directory, name)) {
            error.clear();
            continue;
        }
        cables.push_back({name, target.is_absolute() ? target : directory / target});
    }
    std::sort(cables.begin(), cables.end(), [](const VirtualCable& a, const VirtualCable& b) {
        return a.serialNumber < b.serialNumber;
    });
    return cables;
}

RegisterResult RegisterVirtualCable(const fs::path& directory, const std::string& serialNumber,
                                    const fs::path& device, std::optional<int> latencyTimerMs) {
    if (!IsValidCableSerial(serialNumber)) return RegisterResult::InvalidSerial;
    std::error_code error;
    // Directories made here are the owner's alone; existing ones are left as they are.
    const fs::path parent = directory.parent_path();
    if (!parent.empty() && fs::create_directories(parent, error))
        fs::permissions(parent, fs::perms::owner_all, fs::perm_options::replace, error);
    if (fs::create_directory(directory, error))
        fs::permissions(directory, fs::perms::owner_all, fs::perm_options::replace, error);
    if (error || !fs::is_directory(directory, error)) return RegisterResult::Failed;
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
