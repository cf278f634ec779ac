// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cards/file_reads.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace gsmprog {

bool ReadRegularFile(const std::filesystem::path& path, std::size_t most,
                     std::vector<std::uint8_t>& bytes) {
    // Opened without waiting: a named pipe opens at once, and is then refused as the rest.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    if (ok && !S_ISREG(info.st_mode)) {
        errno = EINVAL;
        ok = false;
    }
    bytes.resize(ok ? most : 0);
    std::size_t got = 0;
    while (ok && got < most) {
        const ssize_t count = ::read(fd, bytes.data() + got, most - got);
        if (count < 0 && errno == EINTR) continue;
        ok = count >= 0;
        if (count <= 0) break;
        got += std::size_t(count);
    }
    bytes.resize(got);
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
}

}  // namespace gsmprog
