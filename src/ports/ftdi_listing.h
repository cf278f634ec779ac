// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The FTDI cables of the system (USB vendor 0403): the ports the USB serial drivers made (the
// usb-serial bus) and those of the ACM driver, named by their USB serial numbers as udev names
// them, in the order udev lists its ports (by device path). Read from sysfs alone, port by
// port: the system's other terminals (consoles, pseudo-terminals, on-board serial ports) are
// never looked at, so that listing costs the same on a machine with hundreds of them.

#include <filesystem>
#include <string>
#include <vector>

#include "ports/listed_cable.h"

namespace gsmprog {

// The cables below `root` (where /sys and /dev are found).
std::vector<ListedCable> ListFtdiCables(const std::filesystem::path& root = "/");

// A USB serial number (the device's "serial" attribute without its line end) as udev keeps it
// in ID_SERIAL_SHORT: empty when it holds a control character, a byte above 0x7F or a comma;
// otherwise blanks trimmed, inner runs of blanks made one '_', and every character other than
// letters, digits, "#+-.:=@_" and a "\x" escape made '_'.
std::string UdevSerialNumber(const std::string& serial);

}  // namespace gsmprog
