// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The support report's part on the gsmprog package: its state and version, and every file it
// installed, present or missing. dpkg's database is dpkg's own, so dpkg-query is asked.

#include <filesystem>
#include <string>

namespace gsmprog {

// "  Status: install ok installed\n  Version: 1.38\n" and a line per installed file ("  есть
// /usr/bin/gsmprog" or "  НЕТ  /usr/bin/gsmprog"); folders are left out. A system whose root is
// at `root` (other than "/") is asked with dpkg-query's --root. When the package is not
// installed or `dpkgQuery` cannot be run, a line that says so.
std::string PackageFilesText(const std::filesystem::path& root,
                             const std::string& dpkgQuery = "dpkg-query");

}  // namespace gsmprog
