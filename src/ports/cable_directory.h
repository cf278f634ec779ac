// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Virtual cables: a modem emulator shows up as a cable through a directory of symbolic
// links, each named by the cable's serial number and pointing at a pseudo-terminal.
// Plain C++ so that the emulator can register itself without Qt.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace gsmprog {

struct VirtualCable {
    std::string serialNumber;
    std::filesystem::path device;  // the pseudo-terminal the link points at
};

// A virtual cable may announce, beside its link, how far apart (in ms) the pieces of one
// reply can reach the host, as sysfs has latency_timer beside an FTDI port: a file
// "<serial>.latency_timer" holding the number. No file: every reply comes in one piece.
std::filesystem::path LatencyTimerFile(const std::filesystem::path& directory,
                                       const std::string& serialNumber);

// $XDG_RUNTIME_DIR/gsmprog/cables when XDG_RUNTIME_DIR is set and not empty,
// else /tmp/gsmprog-<uid>/cables.
std::filesystem::path DefaultCableDirectory();

// 1..15 printable ASCII characters without '/', and neither "." nor "..", which as names in
// the cable directory would be the directory itself or the one above it.
bool IsValidCableSerial(const std::string& serialNumber);

// Cables are taken only from a directory that, like the directory above it, belongs to this
// user and that no one else may write: anyone who can plant a link there to a pseudo-terminal
// of their own would receive the settings image and could answer as a modem. Says why
// `directory` fails that, in Russian; empty when it passes or does not exist (then it simply
// holds no cables).
std::string CableDirectoryDistrust(const std::filesystem::path& directory);

// A link of the cable directory that is not taken for a cable, and why (in Russian).
struct RefusedCable {
    std::string serialNumber;
    std::string reason;
};

// The virtual cables of `directory`, sorted by name (byte order). A cable is a link to a
// pseudo-terminal's slave side that belongs to this user; a link to anything else (a file, a
// FIFO, /dev/null, /dev/ptmx, a folder) or to another user's terminal is refused, its reason
// in `refused`. Left out without a word: names that are not valid serial numbers, and links
// whose target is gone or whose modem died (see RegisterVirtualCable). A directory that is not
// to be trusted lists nothing, its reason in `distrust`.
std::vector<VirtualCable> ListVirtualCables(const std::filesystem::path& directory,
                                            std::string* distrust = nullptr,
                                            std::vector<RefusedCable>* refused = nullptr);

// "Виртуальные кабели из DIR не используются: " and the directory's distrust; the listing and
// the cable check say it alike.
std::string DistrustText(const std::filesystem::path& directory, const std::string& distrust);
// "Виртуальный кабель SERIAL из DIR не используется: " and the reason.
std::string RefusalText(const std::filesystem::path& directory, const RefusedCable& cable);

enum class RegisterResult { Registered, InvalidSerial, AlreadyPresent, Untrusted, Failed };

// Creates the directory and those above it if needed (owner-only), refuses one that is not
// to be trusted (see CableDirectoryDistrust) and makes the link `serialNumber` -> `device`,
// announcing `latencyTimerMs` when given (and withdrawing an announcement left behind when
// not). The registering process holds SERIAL.lock beside the link until it unregisters or
// dies, so a link left behind by a dead modem is replaced, and not listed meanwhile, wherever
// it points.
RegisterResult RegisterVirtualCable(const std::filesystem::path& directory,
                                    const std::string& serialNumber,
                                    const std::filesystem::path& device,
                                    std::optional<int> latencyTimerMs = std::nullopt);

// Removes the link, its announcement and its lock file, but only while the link still points
// at `device`.
void UnregisterVirtualCable(const std::filesystem::path& directory, const std::string& serialNumber,
                            const std::filesystem::path& device);

}  // namespace gsmprog
