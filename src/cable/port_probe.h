// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Why a serial device would not open, told by an open of our own: the serial port library
// reports a refusal without the system's reason.

#include <string>

#include "link/cable.h"

namespace gsmprog {

// Busy when another program holds `device`: its exclusive mode (TIOCEXCL) refuses the open
// with EBUSY, or it holds the lock every gsmprog takes on the device. Refused with the
// system's reason when the open fails otherwise; None when nothing stands in the way now.
CableFailure ProbePort(const std::string& device);

// The lock every gsmprog holds on a device it has open: exclusive, never waited for.
// Busy with the system's reason when another program holds it.
CableFailure LockPort(int fd);

// The system's text for an errno value.
std::string SystemErrorText(int error);

}  // namespace gsmprog
