// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the system's files below a root ("/" on a running system, a folder in tests).

#include <filesystem>
#include <string>

namespace gsmprog {

// `absolute` ("/proc/version") below `root`.
std::filesystem::path BelowRoot(const std::filesystem::path& root, const std::string& absolute);

// The first line of `file` without its end, as sysfs attributes and /proc files hold one value;
// empty when it cannot be read.
std::string FirstLine(const std::filesystem::path& file);

}  // namespace gsmprog
