// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/process_table.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <system_error>

namespace gsmprog {

namespace fs = std::filesystem;

namespace {

bool IsPid(const std::string& name) {
    return !name.empty() && name.size() <= 9 &&
           std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> OpenFiles(const fs::path& process) {
    std::vector<std::string> files;
    std::error_code error;
    for (fs::directory_iterator it(process / "fd", error), end; !error && it != end;
         it.increment(error)) {
        std::error_code inner;
        const fs::path target = fs::read_symlink(it->path(), inner);
        if (!inner) files.push_back(target.string());
    }
    return files;
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
        entry.openFiles = OpenFiles(it->path());
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

std::string ProcessesText(const std::vector<SeenProcess>& processes) {
    std::string text;
    for (const SeenProcess& process : processes) {
        if (!text.empty()) text += ", ";
        text += process.name + " (PID " + std::to_string(process.pid) + ")";
    }
    return text;
}

}  // namespace gsmprog
