// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/package_files.h"

#include <cerrno>
#include <sstream>
#include <system_error>
#include <vector>

#include "cards/error_text.h"
#include "ops/command_output.h"
#include "ports/system_files.h"

namespace gsmprog {

namespace fs = std::filesystem;

namespace {

constexpr const char* PackageName = "gsmprog";

CommandOutput Query(const std::string& dpkgQuery, const fs::path& root,
                    std::vector<std::string> arguments) {
    std::vector<std::string> argv{dpkgQuery};
    if (root != "/") argv.push_back("--root=" + root.string());
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunCommand(argv);
}

// dpkg-query's own reason, its first line, for a package it cannot list.
std::string FirstTextLine(const std::string& text) { return text.substr(0, text.find('\n')); }

}  // namespace

std::string PackageFilesText(const fs::path& root, const std::string& dpkgQuery) {
    const CommandOutput files = Query(dpkgQuery, root, {"--listfiles", PackageName});
    if (files.startError == ENOENT)
        return "Файлы пакета не проверены: нет программы dpkg-query (система без dpkg?).\n";
    if (files.startError != 0)
        return "Файлы пакета не проверены: dpkg-query не запущен: " +
               ErrorText(files.startError) + "\n";
    if (files.exitStatus != 0) {
        std::string text = "Пакет gsmprog не установлен";
        if (!files.err.empty()) text += " (" + FirstTextLine(files.err) + ")";
        return text + ".\n";
    }
    std::string text =
        Query(dpkgQuery, root,
              {"--show", "--showformat=  Status: ${Status}\\n  Version: ${Version}\\n", PackageName})
            .out;
    std::istringstream list(files.out);
    for (std::string file; std::getline(list, file);) {
        if (file.empty() || file.front() != '/') continue;
        std::error_code error;
        const fs::file_status status = fs::symlink_status(BelowRoot(root, file), error);
        if (fs::is_directory(status)) continue;
        text += (fs::exists(status) ? "  есть " : "  НЕТ  ") + file + "\n";
    }
    return text;
}

}  // namespace gsmprog
