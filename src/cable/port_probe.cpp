// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cable/port_probe.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace gsmprog {

std::string SystemErrorText(int error) {
    char buffer[128];
    return strerror_r(error, buffer, sizeof buffer);
}

CableFailure LockPort(int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return {};
    const int error = errno;
    return {CableFailureKind::Busy, error, SystemErrorText(error)};
}

CableFailure ProbePort(const std::string& device) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        const auto kind = error == EBUSY ? CableFailureKind::Busy : CableFailureKind::Refused;
        return {kind, error, SystemErrorText(error)};
    }
    const CableFailure locked = LockPort(fd);
    ::close(fd);  // also lets go of the probe's own lock
    return locked;
}

}  // namespace gsmprog
