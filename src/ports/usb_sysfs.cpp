#include "ports/usb_sysfs.h"

#include <fstream>
#include <string>
#include <system_error>

#include "diag/debug_log.h"

namespace gsmprog {

namespace fs = std::filesystem;

namespace {

bool IsFtdi(const fs::path& device) {
    std::ifstream in(device / "idVendor");
    std::string vendor;
    return in >> vendor && vendor == "0403";
}

// One of the device's interfaces ("1-1.2:1.0") holds a tty: ttyUSB0 from the USB serial
// drivers, tty/ from cdc-acm.
bool HasSerialPort(const fs::path& device) {
    const std::string interfacePrefix = device.filename().string() + ":";
    std::error_code error;
    for (fs::directory_iterator it(device, error), end; !error && it != end; it.increment(error)) {
        if (!it->path().filename().string().starts_with(interfacePrefix)) continue;
        std::error_code inner;
        for (fs::directory_iterator port(it->path(), inner); !inner && port != end;
             port.increment(inner))
            if (port->path().filename().string().starts_with("tty")) return true;
    }
    return false;
}

}  // namespace

bool FtdiAdapterWithoutPort(const fs::path& sysfsRoot) {
    std::error_code error;
    for (fs::directory_iterator it(sysfsRoot / "bus" / "usb" / "devices", error), end;
         !error && it != end; it.increment(error)) {
        if (!IsFtdi(it->path()) || HasSerialPort(it->path())) continue;
        if (DebugLogOn())
            DebugLog("кабель", "USB " + it->path().filename().string() +
                                   ": адаптер FTDI без последовательного порта (его взяла другая "
                                   "служба системы, например brltty)");
        return true;
    }
    return false;
}

}  // namespace gsmprog
