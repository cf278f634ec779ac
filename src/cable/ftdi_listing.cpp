// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cable/ftdi_listing.h"

#include <QSerialPortInfo>
#include <mutex>

#include "diag/debug_log.h"
#include "ports/latency_timer.h"

namespace gsmprog {

namespace {
constexpr quint16 FtdiVendorId = 0x0403;
}  // namespace

std::vector<ListedCable> ListFtdiCables() {
    // The system's port enumeration (libudev) keeps state of its own for the whole process:
    // every cable of the process enumerates one at a time.
    static std::mutex enumerationLock;
    std::lock_guard guard(enumerationLock);
    std::vector<ListedCable> cables;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports) {
        if (!info.hasVendorIdentifier() || info.vendorIdentifier() != FtdiVendorId) continue;
        const std::string serial = info.serialNumber().toStdString();
        const std::filesystem::path device = info.systemLocation().toStdString();
        if (serial.empty()) {
            if (DebugLogOn())
                DebugLog("кабель", "FTDI без серийного номера пропущен: " + device.string());
            continue;
        }
        cables.push_back({serial.substr(0, SerialNumberCapacity), device,
                          UsbSerialLatencyTimerFile(device), FtdiDefaultLatencyTimerMs});
    }
    if (DebugLogOn())
        DebugLog("кабель", "последовательных портов в системе: " + std::to_string(ports.size()) +
                               ", из них кабелей FTDI: " + std::to_string(cables.size()));
    return cables;
}

}  // namespace gsmprog
