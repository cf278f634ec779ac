// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/usb_sysfs.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "ports/system_files.h"

namespace gsmprog {

namespace fs = std::filesystem;

namespace {

std::optional<int> Number(const fs::path& file) {
    std::ifstream in(file);
    int value = 0;
    if (in >> value) return value;
    return std::nullopt;
}

std::vector<fs::path> Entries(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

// A USB serial driver puts its port right in the interface (ttyUSB0/); cdc-acm one level
// down (tty/ttyACM0/). Either way the port's own tty/NAME/dev holds its numbers.
void ReadPort(const fs::path& interface, UsbInterface& found) {
    for (const fs::path& entry : Entries(interface)) {
        const std::string name = entry.filename().string();
        if (name == "tty") {
            for (const fs::path& inner : Entries(entry)) {
                found.tty = inner.filename().string();
                found.ttyNumbers = FirstLine(inner / "dev");
                return;
            }
        } else if (name.starts_with("tty")) {
            found.tty = name;
            found.ttyNumbers = FirstLine(entry / "tty" / name / "dev");
            found.latencyTimerMs = Number(entry / "latency_timer");
            return;
        }
    }
}

UsbInterface ReadInterface(const fs::path& interface) {
    UsbInterface found;
    found.name = interface.filename().string();
    std::error_code error;
    const fs::path driver = fs::read_symlink(interface / "driver", error);
    if (!error) found.driver = driver.filename().string();
    ReadPort(interface, found);
    return found;
}

FtdiUsbDevice ReadDevice(const fs::path& device) {
    FtdiUsbDevice found;
    found.usbPath = device.filename().string();
    found.vendorId = FirstLine(device / "idVendor");
    found.productId = FirstLine(device / "idProduct");
    found.product = FirstLine(device / "product");
    found.manufacturer = FirstLine(device / "manufacturer");
    found.serial = FirstLine(device / "serial");
    found.numbers = FirstLine(device / "dev");
    found.busNumber = Number(device / "busnum").value_or(0);
    found.deviceNumber = Number(device / "devnum").value_or(0);
    const std::string interfacePrefix = found.usbPath + ":";
    for (const fs::path& entry : Entries(device))
        if (entry.filename().string().starts_with(interfacePrefix))
            found.interfaces.push_back(ReadInterface(entry));
    return found;
}

}  // namespace

bool IsFtdiUsbDevice(const fs::path& device) {
    return FirstLine(device / "idVendor") == FtdiVendorHex;
}

std::vector<FtdiUsbDevice> ListFtdiUsbDevices(const fs::path& sysfsRoot) {
    std::vector<FtdiUsbDevice> devices;
    // The interfaces ("1-1.2:1.0") are listed there too; only devices have an idVendor.
    for (const fs::path& entry : Entries(sysfsRoot / "bus" / "usb" / "devices"))
        if (entry.filename().string().find(':') == std::string::npos && IsFtdiUsbDevice(entry))
            devices.push_back(ReadDevice(entry));
    return devices;
}

std::string UsbfsNode(const FtdiUsbDevice& device) {
    char node[40];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", device.busNumber,
                  device.deviceNumber);
    return node;
}

std::string RuleHex(const std::string& id) {
    const std::size_t first = id.find_first_not_of('0');
    std::string hex = first == std::string::npos ? "0" : id.substr(first);
    std::transform(hex.begin(), hex.end(), hex.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return hex;
}

}  // namespace gsmprog
