// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cable library as the links see it: the operations of FTDI's D2XX library
// (list serial numbers, open by serial number, line settings, time-outs, queue status,
// read, write, close), each returning a D2XX-style status where 0 means success.
// Production provides it on serial ports; tests provide scripted cables.
//
// The statuses say little of why: a cable also keeps its last failure as the system told it.

#include <cstdint>
#include <string>

namespace gsmprog {

using CableStatus = std::uint32_t;
inline constexpr CableStatus CableOk = 0;               // FT_OK
inline constexpr CableStatus CableInvalidHandle = 1;    // FT_INVALID_HANDLE
inline constexpr CableStatus CableDeviceNotFound = 2;   // FT_DEVICE_NOT_FOUND
inline constexpr CableStatus CableDeviceNotOpened = 3;  // FT_DEVICE_NOT_OPENED
inline constexpr CableStatus CableIoError = 4;          // FT_IO_ERROR
inline constexpr CableStatus CableOtherError = 18;      // FT_OTHER_ERROR

// An open cable; 0 means none.
using CableHandle = std::uintptr_t;

// One entry of the device list (FT_DEVICE_LIST_INFO_NODE); only SerialNumber is used.
struct CableInfo {
    std::uint32_t Flags = 0;
    std::uint32_t Type = 0;
    std::uint32_t ID = 0;
    std::uint32_t LocId = 0;
    char SerialNumber[16] = {};  // NUL-terminated ASCII
    char Description[64] = {};
    CableHandle ftHandle = 0;
};

// Why a cable call failed, beyond its status.
enum class CableFailureKind {
    None,         // no failure known
    NotFound,     // no such cable is attached
    PortClaimed,  // none is, but brltty holds an FTDI adapter, which so has no port
    Busy,         // another program holds the port
    InUse,        // the port is open already in this program
    Refused,      // the system would not open the port (access rights, a vanished device, ...)
    Line,         // a call on an open port failed
};

struct CableFailure {
    CableFailureKind kind = CableFailureKind::None;
    int systemError = 0;     // the errno value when the system gave one, else 0
    std::string systemText;  // the system's own words for it; may be empty
};

// How a wait for arriving bytes ended.
enum class ByteWait {
    Unsupported,  // the cable cannot wait so: the caller waits by its own means
    Arrived,      // bytes arrived (or were there already)
    Quiet,        // the time passed and none came
};

// Room in a link's device list.
inline constexpr std::uint32_t DevListCapacity = 10;

class Cable {
public:
    virtual ~Cable() = default;

    // FT_CreateDeviceInfoList: number of attached cables.
    virtual CableStatus CreateDeviceInfoList(std::uint32_t* count) = 0;
    // FT_GetDeviceInfoList: fills at most `capacity` entries in list order and reports
    // in *count how many were filled.
    virtual CableStatus GetDeviceInfoList(CableInfo* list, std::uint32_t capacity,
                                          std::uint32_t* count) = 0;
    // FT_OpenEx with FT_OPEN_BY_SERIAL_NUMBER. Fails while the cable is open elsewhere.
    virtual CableStatus OpenEx(const char* serialNumber, CableHandle* handle) = 0;
    virtual CableStatus SetBaudRate(CableHandle handle, std::uint32_t baud) = 0;
    virtual CableStatus SetDataCharacteristics(CableHandle handle, std::uint8_t wordLength,
                                               std::uint8_t stopBits, std::uint8_t parity) = 0;
    virtual CableStatus SetFlowControl(CableHandle handle, std::uint16_t flowControl,
                                       std::uint8_t xon, std::uint8_t xoff) = 0;
    virtual CableStatus SetLatencyTimer(CableHandle handle, std::uint8_t milliseconds) = 0;
    // Read and write time-outs in milliseconds; until set, a read does not wait.
    virtual CableStatus SetTimeouts(CableHandle handle, std::uint32_t readMs,
                                    std::uint32_t writeMs) = 0;
    // FT_GetStatus: bytes waiting in the receive and transmit queues, event status.
    virtual CableStatus GetStatus(CableHandle handle, std::uint32_t* rxQueue,
                                  std::uint32_t* txQueue, std::uint32_t* events) = 0;
    // FT_Read: returns when `toRead` bytes were read or the read time-out passed.
    virtual CableStatus Read(CableHandle handle, void* buffer, std::uint32_t toRead,
                             std::uint32_t* bytesRead) = 0;
    virtual CableStatus Write(CableHandle handle, const void* buffer, std::uint32_t toWrite,
                              std::uint32_t* bytesWritten) = 0;
    virtual CableStatus Close(CableHandle handle) = 0;
    // Waits at most `milliseconds` for bytes to read, as D2XX's receive-character event lets a
    // reader sleep until they come; Arrived at once when the receive queue holds some. When
    // they arrived, *queued receives how many are there (as GetStatus would), or 0.
    virtual ByteWait AwaitBytes(CableHandle, std::uint32_t, std::uint32_t* queued) {
        *queued = 0;
        return ByteWait::Unsupported;
    }

    // The last failure of any call of this cable; none known by default.
    virtual CableFailure LastFailure() const { return {}; }
};

}  // namespace gsmprog
