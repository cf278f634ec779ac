// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/pseudo_terminal.h"

#include <sys/sysmacros.h>

namespace gsmprog {

namespace {
// The kernel's Unix98 slave majors (/proc/devices lists the first as "pts"); kernels of today
// give every slave the first with its number as the minor, older ones spread them 256 a major.
constexpr unsigned FirstSlaveMajor = 136, LastSlaveMajor = 143;
}  // namespace

std::optional<int> PtySlaveIndex(const struct stat& info) {
    if (!S_ISCHR(info.st_mode)) return std::nullopt;
    const unsigned major = ::major(info.st_rdev), minor = ::minor(info.st_rdev);
    if (major < FirstSlaveMajor || major > LastSlaveMajor) return std::nullopt;
    return static_cast<int>((major - FirstSlaveMajor) * 256 + minor);
}

std::string FileKindText(const struct stat& info) {
    switch (info.st_mode & S_IFMT) {
    case S_IFREG: return "обычный файл";
    case S_IFDIR: return "каталог";
    case S_IFIFO: return "канал (FIFO)";
    case S_IFSOCK: return "сокет";
    case S_IFBLK: return "блочное устройство";
    case S_IFCHR:
        return "символьное устройство " + std::to_string(::major(info.st_rdev)) + ":" +
               std::to_string(::minor(info.st_rdev));
    }
    return "файл неизвестного вида";
}

}  // namespace gsmprog
