#pragma once
// What sysfs shows of FTDI adapters on the USB bus, whether or not the serial driver got them:
// a service such as brltty claims FT232R adapters on some systems, and the cable then has no
// port to list.

#include <filesystem>

namespace gsmprog {

// An FTDI adapter (USB vendor 0403) is attached none of whose interfaces has a serial (tty)
// port. `sysfsRoot` is where sysfs is mounted.
bool FtdiAdapterWithoutPort(const std::filesystem::path& sysfsRoot = "/sys");

}  // namespace gsmprog
