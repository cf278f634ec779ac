// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What sysfs shows of FTDI adapters on the USB bus (vendor 0403), whether or not a driver got
// them: a counterfeit chip whose product ID was erased to 0000 is bound by no driver, and a
// service such as brltty may take an adapter away from the serial driver.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace gsmprog {

inline constexpr const char* FtdiVendorHex = "0403";

struct UsbInterface {
    std::string name;        // "1-1.2:1.0"
    std::string driver;      // "ftdi_sio", "usbfs" (a program took it); empty when none is bound
    std::string tty;         // "ttyUSB0"; empty without a serial port
    std::string ttyNumbers;  // the tty's "major:minor", as udev names its records; may be empty
    std::optional<int> latencyTimerMs;
};

struct FtdiUsbDevice {
    std::string usbPath;   // "1-1.2": bus 1, port 1, then port 2 of the hub there
    std::string vendorId;  // four hex digits, as the device reports them
    std::string productId;
    std::string product;  // the device's own words; may be empty
    std::string manufacturer;
    std::string serial;
    std::string numbers;  // the device's "major:minor"; may be empty
    int busNumber = 0;
    int deviceNumber = 0;
    std::vector<UsbInterface> interfaces;
};

// Whether the USB device whose sysfs folder is `device` reports FTDI's vendor ID.
bool IsFtdiUsbDevice(const std::filesystem::path& device);

// The FTDI adapters below `sysfsRoot` (where sysfs is mounted), by USB path.
std::vector<FtdiUsbDevice> ListFtdiUsbDevices(const std::filesystem::path& sysfsRoot = "/sys");

// The node through which programs talk to the device directly (usbfs): /dev/bus/usb/001/005.
std::string UsbfsNode(const FtdiUsbDevice& device);

// An ID as udev's rules write it: lower-case hex without leading zeros ("403", "6001").
std::string RuleHex(const std::string& id);

}  // namespace gsmprog
