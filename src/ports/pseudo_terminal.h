// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Telling a pseudo-terminal's slave side from every other file a link may lead to: only the
// slave is a line a modem emulator answers on; the master multiplexer /dev/ptmx makes a new
// terminal at every open, and a file, a FIFO or /dev/null would swallow a settings image.

#include <sys/stat.h>

#include <optional>
#include <string>

namespace gsmprog {

// The number N of /dev/pts/N when `info` is a pseudo-terminal slave, the number the master's
// /proc/PID/fdinfo names as "tty-index"; nothing for any other file.
std::optional<int> PtySlaveIndex(const struct stat& info);

// What `info` is, in Russian, for a refusal: "обычный файл", "символьное устройство 1:3", …
std::string FileKindText(const struct stat& info);

}  // namespace gsmprog
