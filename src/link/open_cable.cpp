#include "link/open_cable.h"

#include <cstring>

namespace gsmprog {

CableResult OpenCable(Cable& cable, CableInfo* devList, const std::string& serialNumber,
                      CableTuning tuning, CableHandle& handle) {
    std::uint32_t count = 0;
    if (cable.CreateDeviceInfoList(&count) != CableOk || count == 0) return CableNotFound;
    // The list holds DevListCapacity entries; more cables are listed only that far.
    std::uint32_t listed = 0;
    if (cable.GetDeviceInfoList(devList, DevListCapacity, &listed) != CableOk)
        return CableDriverFailure;
    std::string serial = serialNumber;
    if (serial.empty()) {
        if (listed == 0) return CableDriverFailure;
        const auto& first = devList[0].SerialNumber;
        serial.assign(first, strnlen(first, sizeof first));
    }
    CableHandle opened = 0;
    if (cable.OpenEx(serial.c_str(), &opened) != CableOk) return CableDriverFailure;
    handle = opened;

    // All four calls are made even after a failure; their statuses are combined.
    bool failed = false;
    failed |= cable.SetBaudRate(handle, 115200) != CableOk;
    failed |= cable.SetDataCharacteristics(handle, 8, 0, 0) != CableOk;
    failed |= cable.SetFlowControl(handle, 0, 0, 0) != CableOk;
    if (tuning == CableTuning::Programming)
        failed |= cable.SetLatencyTimer(handle, 100) != CableOk;
    else
        failed |= cable.SetTimeouts(handle, 50, 4) != CableOk;
    if (failed) {
        cable.Close(handle);
        handle = 0;
        return CableDriverFailure;
    }
    return CableOpened;
}

}  // namespace gsmprog
