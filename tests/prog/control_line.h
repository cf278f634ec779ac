#pragma once
// A control cable in virtual time for the control link's tests, which run the link's own
// thread freely: a modem script answers what the link writes, bytes arrive at virtual
// moments, a read waits in virtual time for the next byte up to the read time-out, and
// writes are recorded with their moment. Unlike the scripted cable it keeps no log of the
// idle link's countless status queries.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "link/cable.h"
#include "support/virtual_clock.h"

namespace gsmprog::test {

using Bytes = std::vector<std::uint8_t>;

class ControlLine final : public Cable {
public:
    struct Written {
        std::uint64_t at;
        Bytes bytes;
    };
    // Called (outside the line's lock) with each block the link writes.
    using Modem = std::function<void(const Bytes& written, ControlLine& line)>;

    explicit ControlLine(VirtualClock& time, Modem modem = {});

    // The modem's bytes, arriving `afterMs` from now (after what is already on its way).
    void Send(const Bytes& bytes, std::uint32_t afterMs = 0);
    void SetAttached(bool attached);
    // The next status query fails with `status`.
    void FailNextStatusQuery(CableStatus status);
    // Called in the link's thread on each status query, before it is answered.
    void OnStatusQuery(std::function<void()> hook);

    std::vector<Written> Writes() const;
    std::size_t Opens() const;
    std::size_t Closes() const;
    std::size_t DeviceListQueries() const;
    // Bytes scheduled but not yet read.
    std::size_t Unread() const;
    std::uint64_t LastReadAt() const;

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
    CableStatus SetTimeouts(CableHandle handle, std::uint32_t readMs, std::uint32_t writeMs) override;
    CableStatus GetStatus(CableHandle handle, std::uint32_t* rxQueue, std::uint32_t* txQueue,
                          std::uint32_t* events) override;
    CableStatus Read(CableHandle handle, void* buffer, std::uint32_t toRead,
                     std::uint32_t* bytesRead) override;
    CableStatus Write(CableHandle handle, const void* buffer, std::uint32_t toWrite,
                      std::uint32_t* bytesWritten) override;
    CableStatus Close(CableHandle handle) override;

private:
    static constexpr CableHandle OpenHandle = 0x5A;
    std::size_t ArrivedLocked() const;

    VirtualClock& Time;
    Modem Script;
    mutable std::mutex Guard;
    std::deque<std::pair<std::uint64_t, std::uint8_t>> Incoming;  // (arrival, byte)
    std::vector<Written> WriteLog;
    bool Attached = true;
    bool IsOpen = false;
    std::uint32_t ReadTimeoutMs = 0;
    CableStatus StatusFailure = CableOk;
    std::function<void()> StatusHook;
    std::size_t OpenCount = 0, CloseCount = 0, ListCount = 0;
    std::uint64_t LastRead = 0;
};

// Waits (in real time, with a generous limit that only guards against a hang) until `done`.
template <class Predicate>
bool Eventually(Predicate done, std::chrono::seconds limit = std::chrono::seconds(30)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace gsmprog::test
