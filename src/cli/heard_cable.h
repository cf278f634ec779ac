// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A cable that notes when the modem was last heard, so that a command can tell a modem that
// is slow from one that is silent without looking into the link that drives the cable.

#include <atomic>
#include <chrono>
#include <memory>

#include "link/cable.h"

namespace gsmprog::cli {

class HeardCable final : public Cable {
public:
    using Clock = std::chrono::steady_clock;

    explicit HeardCable(std::unique_ptr<Cable> cable);

    // When bytes last came in, or when the cable was made if none came yet.
    Clock::time_point LastHeard() const {
        return Clock::time_point(Clock::duration(lastHeard_.load()));
    }

    CableStatus CreateDeviceInfoList(std::uint32_t* count) override;
    CableStatus GetDeviceInfoList(CableInfo* list, std::uint32_t capacity,
                                  std::uint32_t* count) override;
    CableStatus OpenEx(const char* serialNumber, CableHandle* handle) override;
    CableStatus SetBaudRate(CableHandle handle, std::uint32_t baud) override;
    CableStatus SetDataCharacteristics(CableHandle handle, std::uint8_t wordLength,
                                       std::uint8_t stopBits, std::uint8_t parity) override;
    CableStatus SetFlowControl(CableHandle handle, std::uint16_t flowControl, std::uint8_t xon,
                               std::uint8_t xoff) override;
    CableStatus SetLatencyTimer(CableHandle handle, std::uint8_t milliseconds) override;
    CableStatus SetTimeouts(CableHandle handle, std::uint32_t readMs,
                            std::uint32_t writeMs) override;
    CableStatus GetStatus(CableHandle handle, std::uint32_t* rxQueue, std::uint32_t* txQueue,
                          std::uint32_t* events) override;
    CableStatus Read(CableHandle handle, void* buffer, std::uint32_t toRead,
                     std::uint32_t* bytesRead) override;
    CableStatus Write(CableHandle handle, const void* buffer, std::uint32_t toWrite,
                      std::uint32_t* bytesWritten) override;
    CableStatus Close(CableHandle handle) override;
    ByteWait AwaitBytes(CableHandle handle, std::uint32_t milliseconds,
                        std::uint32_t* queued) override {
        return cable_->AwaitBytes(handle, milliseconds, queued);
    }
    CableFailure LastFailure() const override { return cable_->LastFailure(); }

private:
    void Heard() { lastHeard_ = Clock::now().time_since_epoch().count(); }

    std::unique_ptr<Cable> cable_;
    std::atomic<Clock::rep> lastHeard_;
};

}  // namespace gsmprog::cli
