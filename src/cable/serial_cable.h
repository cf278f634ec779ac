// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Cable of production, on Qt SerialPort: the cables of a listing (by default the FTDI
// cables of the system, then the virtual cables of the cable directory), opened by their
// serial numbers. Access is exclusive: a cable open anywhere (in this process or another)
// cannot be opened again until it is closed.
//
// Any thread may call it: the ports live in a thread of the cable's own, as Qt's serial ports
// need, and each call is carried out there while the caller waits. Waits never exceed the
// time-outs set on the handle; without them a read does not wait. AwaitBytes waits in the
// caller's thread, on the line itself, so that an idle link costs no hand-over; on such a line
// a read whose bytes are all still in the system is served there too, so that a chatty modem
// costs no hand-over per frame.
//
// A handle on which SetLatencyTimer was called (the programming link's tuning) reports queued
// bytes only once the line has been quiet for QuietTimeMs of the adapter's current timer, so
// that a reply an FTDI adapter hands over in pieces is taken whole (see open_port.h).

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/cable.h"
#include "ports/cable_directory.h"
#include "ports/listed_cable.h"

namespace gsmprog {

class OpenPort;
class PortThread;

class SerialCable final : public Cable {
public:
    // The system's FTDI cables, then the virtual cables of `cableDirectory`.
    explicit SerialCable(std::filesystem::path cableDirectory = DefaultCableDirectory());
    explicit SerialCable(std::unique_ptr<CableListing> listing);
    ~SerialCable() override;
    SerialCable(const SerialCable&) = delete;
    SerialCable& operator=(const SerialCable&) = delete;

    // Lists the cables afresh.
    std::vector<ListedCable> ListCables() const;
    // The latency timer in ms of a cable of the last list, as the system reports it now;
    // nothing for a line that has none (a pseudo-terminal that delivers every reply whole).
    std::optional<int> LatencyTimerMs(const std::string& serialNumber);
    // An FTDI adapter is attached that brltty holds (see ports/cable_check.h).
    bool AdapterHeldByBrltty() const { return listing_->AdapterHeldByBrltty(); }

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
    // Unsupported for a line the port thread watches (the programming tuning), which takes
    // its bytes between calls, and for one that hung up or failed.
    ByteWait AwaitBytes(CableHandle handle, std::uint32_t milliseconds,
                        std::uint32_t* queued) override;
    CableFailure LastFailure() const override;

private:
    // Runs `call` in the port thread and returns its status.
    CableStatus InPortThread(const std::function<CableStatus()>& call);
    // Runs `call` on the port of `handle` in the port thread; CableInvalidHandle without one.
    // A failure is kept as the port's, `what` naming the call in the diagnostic log.
    CableStatus OnPort(CableHandle handle, const char* what,
                       const std::function<CableStatus(OpenPort&)>& call);
    // Between calls the port thread watches the lines of these handles for arriving bytes.
    std::vector<int> WatchedLines();
    void OnLineEvent(int fd, short events);
    CableStatus OpenInPortThread(const char* serialNumber, CableHandle* handle);
    CableStatus CloseInPortThread(CableHandle handle);
    // Keeps `failure` as the last one, of `what` for the diagnostic log; returns `status`.
    CableStatus Fail(CableStatus status, CableFailure failure, const std::string& what);

    const std::unique_ptr<CableListing> listing_;
    // As D2XX does, CreateDeviceInfoList takes the list and the calls after it use it; the
    // system's port enumeration is slow enough to matter when done three times per open.
    std::mutex listLock_;
    std::vector<ListedCable> list_;
    std::vector<ListedCable> CurrentList(bool refresh);
    // An open line that AwaitBytes may watch: its descriptor, the bytes its port had taken
    // in and not yet read when the last call on it ended, which the line no longer shows, and
    // what a read on it in the caller's thread needs.
    struct WaitableLine {
        int fd = -1;
        std::int64_t taken = 0;
        std::uint32_t readTimeoutMs = 0;
        std::string serialNumber;
    };
    // Reads in the caller's thread when the port holds none of the line's bytes; false when
    // the port thread must (`handle` is no waitable line, or its port holds bytes).
    bool ReadInCallerThread(CableHandle handle, void* buffer, std::uint32_t toRead,
                            std::uint32_t* bytesRead, CableStatus* status);
    std::mutex waitableLock_;  // guards waitable_
    std::map<CableHandle, WaitableLine> waitable_;
    mutable std::mutex failureLock_;  // guards lastFailure_
    CableFailure lastFailure_;
    // Touched only in the port thread; declared before it, so that it outlives the thread.
    std::map<CableHandle, std::unique_ptr<OpenPort>> ports_;
    CableHandle nextHandle_ = 1;
    std::unique_ptr<PortThread> thread_;
};

}  // namespace gsmprog
