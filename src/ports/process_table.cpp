// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/process_table.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <system_error>

namespace gsmprog {

namespace fs = std::filesystem;

namespace {

bool IsPid(const std::string& name) {
    return !name.empty() && name.size() <= 9 &&
           std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A master opened through /dev/ptmx (or devpts' own ptmx) names its terminal in fdinfo as
// "tty-index:\tN"; -1 when it does not.
int PtyIndex(const fs::path& fdinfo) {
    std::ifstream in(fdinfo);
    constexpr std::string_view key = "tty-index:";
    for (std::string line; std::getline(in, line);) {
        if (!line.starts_with(key)) continue;
        const std::size_t at = line.find_first_not_of(" \t", key.size());
        int index = -1;
        if (at != std::string::npos)
            std::from_chars(line.data() + at, line.data() + line.size(), index);
        return index;
    }
    return -1;
}

void ReadOpenFiles(const fs::path& process, std::vector<std::string>& files,
                   std::vector<int>& ptyMasters) {
    std::error_code error;
    for (fs::directory_iterator it(process / "fd", error), end; !error && it != end;
         it.increment(error)) {
        std::error_code inner;
        const fs::path target = fs::read_symlink(it->path(), inner);
        if (inner) continue;
        files.push_back(target.string());
        if (target.filename() != "ptmx") continue;
        if (const int index = PtyIndex(process / "fdinfo" / it->path().filename()); index >= 0)
            ptyMasters.push_back(index);
    }
}

}  // namespace

ProcessTable::ProcessTable(const fs::path& procRoot) {
    std::error_code error;
    for (fs::directory_iterator it(procRoot, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!IsPid(name)) continue;
        Entry entry;
        entry.process.pid = std::stoi(name);
        std::ifstream comm(it->path() / "comm");
        if (!std::getline(comm, entry.process.name)) continue;  // gone meanwhile
        ReadOpenFiles(it->path(), entry.openFiles, entry.ptyMasters);
        entries_.push_back(std::move(entry));
    }
    std::sort(entries_.begin(), entries_.end(),
              [](const Entry& a, const Entry& b) { return a.process.pid < b.process.pid; });
}

std::vector<SeenProcess> ProcessTable::Named(std::string_view name) const {
    std::vector<SeenProcess> found;
    for (const Entry& entry : entries_)
        if (entry.process.name == name) found.push_back(entry.process);
    return found;
}

std::vector<SeenProcess> ProcessTable::Holding(const std::string& file) const {
    std::vector<SeenProcess> found;
    for (const Entry& entry : entries_) {
        if (entry.process.pid == ::getpid()) continue;
        if (std::find(entry.openFiles.begin(), entry.openFiles.end(), file) !=
            entry.openFiles.end())
            found.push_back(entry.process);
    }
    return found;
}

std::vector<SeenProcess> ProcessTable::HoldingPtyMaster(int index) const {
    std::vector<SeenProcess> found;
    for (const Entry& entry : entries_)
        if (entry.process.pid != ::getpid() &&
            std::find(entry.ptyMasters.begin(), entry.ptyMasters.end(), index) !=
                entry.ptyMasters.end())
            found.push_back(entry.process);
    return found;
}

std::string ProcessesText(const std::vector<SeenProcess>& processes) {
    std::string text;
    for (const SeenProcess& process : processes) {
        if (!text.empty()) text += ", ";
        text += process.name + " (PID " + std::to_string(process.pid) + ")";
    }
    return text;
}

}  // namespace gsmprog
