// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The processes of the system as /proc shows them, each with the files it holds open, read once
// so that every question of a check gets the same answer. /proc/PID/fd of another user's
// process can be read by root alone: those processes are known by name, not by their files.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace gsmprog {

struct SeenProcess {
    int pid = 0;
    std::string name;  // /proc/PID/comm: the program's name, at most 15 bytes
};

class ProcessTable {
public:
    explicit ProcessTable(const std::filesystem::path& procRoot = "/proc");

    std::vector<SeenProcess> Named(std::string_view name) const;
    // The processes other than this one with `file` open, `file` named as the system names it
    // ("/dev/ttyUSB0").
    std::vector<SeenProcess> Holding(const std::string& file) const;
    // The processes other than this one that hold the master side of pseudo-terminal `index`
    // (/dev/pts/`index`): whoever answers on that line, a modem emulator for a virtual cable.
    std::vector<SeenProcess> HoldingPtyMaster(int index) const;

private:
    struct Entry {
        SeenProcess process;
        std::vector<std::string> openFiles;
        std::vector<int> ptyMasters;  // the terminals whose master side it holds, by index
    };
    std::vector<Entry> entries_;
};

// "minicom (PID 1234)"; several joined by ", ".
std::string ProcessesText(const std::vector<SeenProcess>& processes);

}  // namespace gsmprog
