// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/ftdi_listing.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include "diag/debug_log.h"
#include "ports/latency_timer.h"
#include "ports/system_files.h"
#include "ports/usb_sysfs.h"

namespace gsmprog {

namespace fs = std::filesystem;

namespace {

// A cable with the path udev sorts its ports by: that of its tty in sysfs.
struct FoundPort {
    std::string ttyPath;
    ListedCable cable;
};

// A sysfs attribute as udev reads it: the whole file without its line ends.
std::string Attribute(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string value{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
    return value;
}

// The port `name` of the FTDI adapter `usbDevice`, once the system made its tty.
void AddPort(const fs::path& root, const std::string& name, const fs::path& tty,
             const fs::path& usbDevice, fs::path latencyTimerFile, std::vector<FoundPort>& found) {
    std::error_code error;
    if (!fs::is_directory(tty, error)) return;
    const fs::path device = BelowRoot(root, "/dev/" + name);
    const std::string serial = UdevSerialNumber(Attribute(usbDevice / "serial"));
    if (serial.empty()) {
        if (DebugLogOn())
            DebugLog("кабель", "FTDI без серийного номера пропущен: " + device.string());
        return;
    }
    found.push_back({tty.string(),
                     {serial.substr(0, SerialNumberCapacity), device, std::move(latencyTimerFile),
                      FtdiDefaultLatencyTimerMs}});
}

// The usb-serial bus links each port (ttyUSB0 -> .../1-1.2/1-1.2:1.0/ttyUSB0): its tty is
// tty/ttyUSB0 inside, its USB device two levels up, and ftdi_sio shows its latency timer there.
void AddUsbSerialPorts(const fs::path& root, std::vector<FoundPort>& found) {
    const fs::path bus = root / "sys/bus/usb-serial/devices";
    std::error_code error;
    for (fs::directory_iterator it(bus, error), end; !error && it != end; it.increment(error)) {
        std::error_code inner;
        const fs::path port = fs::canonical(it->path(), inner);
        if (inner || !IsFtdiUsbDevice(port.parent_path().parent_path())) continue;
        const std::string name = it->path().filename().string();
        AddPort(root, name, port / "tty" / name, port.parent_path().parent_path(),
                it->path() / "latency_timer", found);
    }
}

// The ACM driver links the interfaces it drives (1-2:1.0 -> .../1-2/1-2:1.0) beside its own
// files; an interface with a port holds it as tty/ttyACM0. Such a port has no latency timer:
// the FTDI default is assumed for it.
void AddAcmPorts(const fs::path& root, std::vector<FoundPort>& found) {
    std::error_code error;
    for (fs::directory_iterator it(root / "sys/bus/usb/drivers/cdc_acm", error), end;
         !error && it != end; it.increment(error)) {
        if (it->path().filename().string().find(':') == std::string::npos) continue;
        std::error_code inner;
        const fs::path interface = fs::canonical(it->path(), inner);
        if (inner || !IsFtdiUsbDevice(interface.parent_path())) continue;
        for (fs::directory_iterator tty(interface / "tty", inner), last; !inner && tty != last;
             tty.increment(inner))
            AddPort(root, tty->path().filename().string(), tty->path(), interface.parent_path(), {},
                    found);
    }
}

}  // namespace

std::vector<ListedCable> ListFtdiCables(const fs::path& root) {
    std::vector<FoundPort> found;
    AddUsbSerialPorts(root, found);
    AddAcmPorts(root, found);
    std::sort(found.begin(), found.end(),
              [](const FoundPort& a, const FoundPort& b) { return a.ttyPath < b.ttyPath; });
    std::vector<ListedCable> cables;
    for (FoundPort& port : found) cables.push_back(std::move(port.cable));
    if (DebugLogOn())
        DebugLog("кабель", "кабелей FTDI в системе: " + std::to_string(cables.size()));
    return cables;
}

std::string UdevSerialNumber(const std::string& serial) {
    if (std::any_of(serial.begin(), serial.end(),
                    [](unsigned char c) { return c < 0x20 || c > 0x7F || c == ','; }))
        return {};
    std::string named;
    bool blank = false;
    for (std::size_t i = 0; i < serial.size(); ++i) {
        const char c = serial[i];
        if (c == ' ') {
            blank = true;
            continue;
        }
        if (blank && !named.empty()) named += '_';
        blank = false;
        if (c == '\\' && i + 1 < serial.size() && serial[i + 1] == 'x') {
            named += serial.substr(i++, 2);
            continue;
        }
        const bool kept = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                          (c >= 'a' && c <= 'z') || std::strchr("#+-.:=@_", c) != nullptr;
        named += kept ? c : '_';
    }
    return named;
}

}  // namespace gsmprog
