// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/heard_cable.h"

namespace gsmprog::cli {

HeardCable::HeardCable(std::unique_ptr<Cable> cable) : cable_(std::move(cable)) { Heard(); }

CableStatus HeardCable::CreateDeviceInfoList(std::uint32_t* count) {
    return cable_->CreateDeviceInfoList(count);
}

CableStatus HeardCable::GetDeviceInfoList(CableInfo* list, std::uint32_t capacity,
                                          std::uint32_t* count) {
    return cable_->GetDeviceInfoList(list, capacity, count);
}

CableStatus HeardCable::OpenEx(const char* serialNumber, CableHandle* handle) {
    return cable_->OpenEx(serialNumber, handle);
}

CableStatus HeardCable::SetBaudRate(CableHandle handle, std::uint32_t baud) {
    return cable_->SetBaudRate(handle, baud);
}

CableStatus HeardCable::SetDataCharacteristics(CableHandle handle, std::uint8_t wordLength,
                                               std::uint8_t stopBits, std::uint8_t parity) {
    return cable_->SetDataCharacteristics(handle, wordLength, stopBits, parity);
}

CableStatus HeardCable::SetFlowControl(CableHandle handle, std::uint16_t flowControl,
                                       std::uint8_t xon, std::uint8_t xoff) {
    return cable_->SetFlowControl(handle, flowControl, xon, xoff);
}

CableStatus HeardCable::SetLatencyTimer(CableHandle handle, std::uint8_t milliseconds) {
    return cable_->SetLatencyTimer(handle, milliseconds);
}

CableStatus HeardCable::SetTimeouts(CableHandle handle, std::uint32_t readMs,
                                    std::uint32_t writeMs) {
    return cable_->SetTimeouts(handle, readMs, writeMs);
}

CableStatus HeardCable::GetStatus(CableHandle handle, std::uint32_t* rxQueue,
                                  std::uint32_t* txQueue, std::uint32_t* events) {
    const CableStatus status = cable_->GetStatus(handle, rxQueue, txQueue, events);
    if (status == CableOk && rxQueue != nullptr && *rxQueue > 0) Heard();
    return status;
}

CableStatus HeardCable::Read(CableHandle handle, void* buffer, std::uint32_t toRead,
                             std::uint32_t* bytesRead) {
    const CableStatus status = cable_->Read(handle, buffer, toRead, bytesRead);
    if (status == CableOk && bytesRead != nullptr && *bytesRead > 0) Heard();
    return status;
}

CableStatus HeardCable::Write(CableHandle handle, const void* buffer, std::uint32_t toWrite,
                              std::uint32_t* bytesWritten) {
    return cable_->Write(handle, buffer, toWrite, bytesWritten);
}

CableStatus HeardCable::Close(CableHandle handle) { return cable_->Close(handle); }

}  // namespace gsmprog::cli
