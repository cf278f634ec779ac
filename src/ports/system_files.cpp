// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/system_files.h"

#include <fstream>

namespace gsmprog {

std::filesystem::path BelowRoot(const std::filesystem::path& root, const std::string& absolute) {
    return root / absolute.substr(absolute.starts_with('/') ? 1 : 0);
}

std::string FirstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace gsmprog
