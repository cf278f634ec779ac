// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a file the user names, which may be anything: only a regular file is read, and
// nothing waits for a writer that never comes (a named pipe).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace gsmprog {

// The first `most` bytes (or fewer) of the regular file `path`. False with errno saying why;
// EINVAL, at once, for a path naming anything but a regular file.
bool ReadRegularFile(const std::filesystem::path& path, std::size_t most,
                     std::vector<std::uint8_t>& bytes);

}  // namespace gsmprog
