// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/cable_check.h"

#include <sys/stat.h>

#include <algorithm>
#include <system_error>

#include "diag/debug_log.h"
#include "ports/cable_directory.h"
#include "ports/cable_verdicts.h"
#include "ports/latency_timer.h"
#include "ports/pseudo_terminal.h"

namespace gsmprog {

namespace fs = std::filesystem;

namespace {

void CheckPort(CheckedCable& cable, const fs::path& node, const ProcessTable& processes) {
    cable.access = CheckPortAccess(node);
    cable.holders = processes.Holding(cable.node);
    std::erase_if(cable.holders, [&](const SeenProcess& holder) {
        return std::any_of(cable.modem.begin(), cable.modem.end(),
                           [&](const SeenProcess& modem) { return modem.pid == holder.pid; });
    });
}

CheckedCable CheckAdapter(const FtdiUsbDevice& device, const CheckPlaces& places,
                          const ProcessTable& processes, const SystemServices& services) {
    CheckedCable cable;
    cable.serial = device.serial;
    cable.usb = device;
    cable.usbfsHolders = processes.Holding(UsbfsNode(device));
    cable.heldByBrltty = HeldByBrltty(device, cable.usbfsHolders, services);
    const auto port =
        std::find_if(device.interfaces.begin(), device.interfaces.end(),
                     [](const UsbInterface& interface) { return !interface.tty.empty(); });
    if (port == device.interfaces.end()) return cable;
    cable.node = "/dev/" + port->tty;
    cable.latencyTimerMs = port->latencyTimerMs;
    // ModemManager also honours the mark on the USB device the port belongs to.
    cable.modemManagerIgnores = MarkedForModemManagerToIgnore(places.root, port->ttyNumbers);
    if (cable.modemManagerIgnores != true) {
        if (auto onDevice = MarkedForModemManagerToIgnore(places.root, device.numbers); onDevice)
            cable.modemManagerIgnores = onDevice;
    }
    CheckPort(cable, places.root / "dev" / port->tty, processes);
    return cable;
}

CheckedCable CheckVirtual(const VirtualCable& found, const fs::path& directory,
                          const ProcessTable& processes) {
    CheckedCable cable;
    cable.serial = found.serialNumber;
    cable.node = found.device.string();
    // The modem is whoever holds the terminal's master side, whatever else it holds: an
    // emulator may keep the slave open too, and is no competitor for it.
    struct stat device {};
    if (::stat(found.device.c_str(), &device) == 0) {
        if (const std::optional<int> index = PtySlaveIndex(device))
            cable.modem = processes.HoldingPtyMaster(*index);
    }
    cable.latencyTimerMs = ReadLatencyTimer(
        {found.serialNumber, found.device, LatencyTimerFile(directory, found.serialNumber), {}});
    CheckPort(cable, found.device, processes);
    return cable;
}

}  // namespace

bool CableCheck::Usable() const {
    return std::any_of(cables.begin(), cables.end(),
                       [](const CheckedCable& cable) { return cable.usable; });
}

CableCheck CheckCables(const CheckPlaces& places) {
    const ProcessTable processes(places.root / "proc");
    CableCheck check;
    check.services = ReadSystemServices(places.root, processes);
    check.cableDirectory = places.cableDirectory;
    for (const FtdiUsbDevice& device : ListFtdiUsbDevices(places.root / "sys"))
        check.cables.push_back(CheckAdapter(device, places, processes, check.services));
    if (!places.cableDirectory.empty()) {
        for (const VirtualCable& found : ListVirtualCables(
                 places.cableDirectory, &check.virtualDistrust, &check.refusedVirtual))
            check.cables.push_back(CheckVirtual(found, places.cableDirectory, processes));
    }
    for (CheckedCable& cable : check.cables) JudgeCable(cable, check.services);
    JudgeSystem(check);
    if (DebugLogOn()) {
        for (const CheckedCable& cable : check.cables)
            for (const std::string& verdict : cable.verdicts)
                DebugLog("кабель",
                         "проверка: " + (cable.serial.empty() ? cable.node : cable.serial) + ": " +
                             verdict);
        for (const std::string& verdict : check.verdicts)
            DebugLog("кабель", "проверка: " + verdict);
    }
    return check;
}

bool FtdiAdapterHeldByBrltty(const fs::path& root) {
    // The processes are read only for an adapter its driver left, as every listing asks.
    std::vector<FtdiUsbDevice> devices = ListFtdiUsbDevices(root / "sys");
    std::erase_if(devices, [](const FtdiUsbDevice& device) { return !LeftByItsDriver(device); });
    if (devices.empty()) return false;
    const ProcessTable processes(root / "proc");
    const SystemServices services = ReadSystemServices(root, processes);
    for (const FtdiUsbDevice& device : devices) {
        if (!HeldByBrltty(device, processes.Holding(UsbfsNode(device)), services)) continue;
        if (DebugLogOn())
            DebugLog("кабель", "USB " + device.usbPath +
                                   ": адаптер FTDI без последовательного "
                                   "порта, его держит brltty");
        return true;
    }
    return false;
}

}  // namespace gsmprog
