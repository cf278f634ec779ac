// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/open_cable.h"

#include <cstring>

#include "diag/debug_log.h"

namespace gsmprog {

namespace {
// The link that opens the cable, as the diagnostic log names it.
const char* LinkName(CableTuning tuning) {
    return tuning == CableTuning::Programming ? "связь" : "контроль";
}

// Says why the open failed, for the link that asked.
CableResult Failed(CableTuning tuning, CableResult result, const std::string& why) {
    if (DebugLogOn()) DebugLog(LinkName(tuning), why);
    return result;
}
}  // namespace

CableResult OpenCable(Cable& cable, CableInfo* devList, const std::string& serialNumber,
                      CableTuning tuning, CableHandle& handle) {
    std::uint32_t count = 0;
    if (cable.CreateDeviceInfoList(&count) != CableOk || count == 0)
        return Failed(tuning, CableNotFound, "нет ни одного кабеля");
    // The list holds DevListCapacity entries; more cables are listed only that far.
    std::uint32_t listed = 0;
    if (cable.GetDeviceInfoList(devList, DevListCapacity, &listed) != CableOk)
        return Failed(tuning, CableDriverFailure, "список кабелей не прочитан");
    std::string serial = serialNumber;
    if (serial.empty()) {
        if (listed == 0) return Failed(tuning, CableDriverFailure, "список кабелей пуст");
        const auto& first = devList[0].SerialNumber;
        serial.assign(first, strnlen(first, sizeof first));
    }
    CableHandle opened = 0;
    if (cable.OpenEx(serial.c_str(), &opened) != CableOk)
        return Failed(tuning, CableDriverFailure, "кабель " + serial + " не открыт");
    handle = opened;

    // All four calls are made even after a failure; their statuses are combined.
    bool failed = false;
    failed |= cable.SetBaudRate(handle, 115200) != CableOk;
    failed |= cable.SetDataCharacteristics(handle, 8, 0, 0) != CableOk;
    failed |= cable.SetFlowControl(handle, 0, 0, 0) != CableOk;
    if (tuning == CableTuning::Programming) failed |= cable.SetLatencyTimer(handle, 100) != CableOk;
    else failed |= cable.SetTimeouts(handle, 50, 4) != CableOk;
    if (failed) {
        cable.Close(handle);
        handle = 0;
        return Failed(tuning, CableDriverFailure,
                      "кабель " + serial + " не принял настройки линии");
    }
    if (DebugLogOn()) DebugLog(LinkName(tuning), "кабель " + serial + " открыт: 115200 8N1");
    return CableOpened;
}

}  // namespace gsmprog
