#include "cable/ftdi_listing.h"

#include <QSerialPortInfo>
#include <mutex>

#include "cable/latency_timer.h"

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
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (!info.hasVendorIdentifier() || info.vendorIdentifier() != FtdiVendorId) continue;
        const std::string serial = info.serialNumber().toStdString();
        if (serial.empty()) continue;
        const std::filesystem::path device = info.systemLocation().toStdString();
        cables.push_back({serial.substr(0, SerialNumberCapacity), device,
                          UsbSerialLatencyTimerFile(device), FtdiDefaultLatencyTimerMs});
    }
    return cables;
}

}  // namespace gsmprog
