// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cable check: for every FTDI adapter on USB and every virtual cable, what the system shows
// of it (IDs, driver, port node and its rights, the processes holding it, the latency timer)
// and of the services around it (ModemManager, brltty, gsmprog's udev rule), each problem
// ending in one Russian verdict with its remedy. The command line, the window and the cable's
// own one-line notes all judge by it, so that they never disagree.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ports/cable_directory.h"
#include "ports/port_access.h"
#include "ports/process_table.h"
#include "ports/system_services.h"
#include "ports/usb_sysfs.h"

namespace gsmprog {

struct CheckedCable {
    std::string serial;                     // the serial number the cable list names it by
    std::optional<FtdiUsbDevice> usb;       // an FTDI adapter; nothing for a virtual cable
    std::vector<SeenProcess> usbfsHolders;  // programs talking to the adapter past the driver
    std::vector<SeenProcess> modem;         // a virtual cable's own modem
    std::string node;                       // "/dev/ttyUSB0", "/dev/pts/3"; empty without a port
    PortAccess access;
    std::vector<SeenProcess> holders;  // other programs with the port open
    std::optional<int> latencyTimerMs;
    std::optional<bool> modemManagerIgnores;  // nothing when udev keeps no record of the port
    bool heldByBrltty = false;
    std::vector<std::string> verdicts;
    bool usable = false;  // gsmprog can list and open it now
};

struct CableCheck {
    SystemServices services;
    std::filesystem::path cableDirectory;
    std::string virtualDistrust;               // why the virtual cables are not used; usually empty
    std::vector<RefusedCable> refusedVirtual;  // links of the cable directory that are no cables
    std::vector<CheckedCable> cables;   // the FTDI adapters by USB path, then the virtual cables
    std::vector<std::string> verdicts;  // problems of no single cable
    bool Usable() const;
};

struct CheckPlaces {
    std::filesystem::path root = "/";  // where /sys, /proc, /dev, /run, /etc and /usr are found
    std::filesystem::path cableDirectory;
};

CableCheck CheckCables(const CheckPlaces& places);

// An FTDI adapter is attached that brltty holds (the verdict of the check), read from sysfs,
// /proc and the rules below `root` without opening any port.
bool FtdiAdapterHeldByBrltty(const std::filesystem::path& root = "/");

}  // namespace gsmprog
