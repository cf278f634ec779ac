#include "cable_directory.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
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

std::vector<VirtualCable> ListVirtualCables(const fs::path& directory) {
    std::vector<VirtualCable> cables;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!IsValidCableSerial(name) || !it->is_symlink(error)) continue;
        const fs::path target = fs::read_symlink(it->path(), error);
        if (error || !fs::exists(it->path(), error)) {
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
        // A link to this very device was left by a modem that died: the device is ours now.
        if (fs::exists(link, error) && fs::read_symlink(link, error) != device)
            return RegisterResult::AlreadyPresent;
        fs::remove(link, error);
    }
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
}

}  // namespace gsmprog
