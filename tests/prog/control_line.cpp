#include "prog/control_line.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace gsmprog::test {

ControlLine::ControlLine(VirtualClock& time, Modem modem) : Time(time), Script(std::move(modem)) {}

void ControlLine::Send(const Bytes& bytes, std::uint32_t afterMs) {
    std::lock_guard guard(Guard);
    std::uint64_t at = Time.NowMs() + afterMs;
    if (!Incoming.empty()) at = std::max(at, Incoming.back().first);
    for (std::uint8_t byte : bytes) Incoming.emplace_back(at, byte);
}

void ControlLine::SetAttached(bool attached) {
    std::lock_guard guard(Guard);
    Attached = attached;
}

void ControlLine::FailNextStatusQuery(CableStatus status) {
    std::lock_guard guard(Guard);
    StatusFailure = status;
}

void ControlLine::OnStatusQuery(std::function<void()> hook) {
    std::lock_guard guard(Guard);
    StatusHook = std::move(hook);
}

std::vector<ControlLine::Written> ControlLine::Writes() const {
    std::lock_guard guard(Guard);
    return WriteLog;
}

std::size_t ControlLine::Opens() const {
    std::lock_guard guard(Guard);
    return OpenCount;
}

std::size_t ControlLine::Closes() const {
    std::lock_guard guard(Guard);
    return CloseCount;
}

std::size_t ControlLine::DeviceListQueries() const {
    std::lock_guard guard(Guard);
    return ListCount;
}

std::size_t ControlLine::Unread() const {
    std::lock_guard guard(Guard);
    return Incoming.size();
}

std::uint64_t ControlLine::LastReadAt() const {
    std::lock_guard guard(Guard);
    return LastRead;
}

std::size_t ControlLine::ArrivedLocked() const {
    const std::uint64_t now = Time.NowMs();
    std::size_t count = 0;
    while (count < Incoming.size() && Incoming[count].first <= now) ++count;
    return count;
}

CableStatus ControlLine::CreateDeviceInfoList(std::uint32_t* count) {
    std::lock_guard guard(Guard);
    ++ListCount;
    *count = Attached ? 1 : 0;
    return CableOk;
}

CableStatus ControlLine::GetDeviceInfoList(CableInfo* list, std::uint32_t capacity,
                                           std::uint32_t* count) {
    std::lock_guard guard(Guard);
    *count = 0;
    if (!Attached || capacity == 0) return CableOk;
    list[0] = CableInfo{};
    std::strcpy(list[0].SerialNumber, "CTRL0001");
    *count = 1;
    return CableOk;
}

CableStatus ControlLine::OpenEx(const char* serialNumber, CableHandle* handle) {
    std::lock_guard guard(Guard);
    if (!Attached || IsOpen || std::strcmp(serialNumber, "CTRL0001") != 0)
        return CableDeviceNotFound;
    IsOpen = true;
    ++OpenCount;
    *handle = OpenHandle;
    return CableOk;
}

CableStatus ControlLine::SetBaudRate(CableHandle handle, std::uint32_t baud) {
    return handle == OpenHandle && baud == 115200 ? CableOk : CableInvalidHandle;
}

CableStatus ControlLine::SetDataCharacteristics(CableHandle handle, std::uint8_t wordLength,
                                                std::uint8_t stopBits, std::uint8_t parity) {
    return handle == OpenHandle && wordLength == 8 && stopBits == 0 && parity == 0
               ? CableOk
               : CableInvalidHandle;
}

CableStatus ControlLine::SetFlowControl(CableHandle handle, std::uint16_t flowControl,
                                        std::uint8_t, std::uint8_t) {
    return handle == OpenHandle && flowControl == 0 ? CableOk : CableInvalidHandle;
}

CableStatus ControlLine::SetLatencyTimer(CableHandle, std::uint8_t) {
    return CableOtherError;  // the control link leaves the latency timer alone
}

CableStatus ControlLine::SetTimeouts(CableHandle handle, std::uint32_t readMs, std::uint32_t) {
    if (handle != OpenHandle) return CableInvalidHandle;
    std::lock_guard guard(Guard);
    ReadTimeoutMs = readMs;
    return CableOk;
}

CableStatus ControlLine::GetStatus(CableHandle handle, std::uint32_t* rxQueue,
                                   std::uint32_t* txQueue, std::uint32_t* events) {
    std::function<void()> hook;
    {
        std::lock_guard guard(Guard);
        hook = StatusHook;
    }
    if (hook) hook();
    std::lock_guard guard(Guard);
    if (handle != OpenHandle || !IsOpen) return CableInvalidHandle;
    if (StatusFailure != CableOk) return std::exchange(StatusFailure, CableOk);
    *rxQueue = static_cast<std::uint32_t>(ArrivedLocked());
    *txQueue = 0;
    *events = 0;
    return CableOk;
}

CableStatus ControlLine::Read(CableHandle handle, void* buffer, std::uint32_t toRead,
                              std::uint32_t* bytesRead) {
    *bytesRead = 0;
    std::uint32_t waitMs = 0;
    {
        std::lock_guard guard(Guard);
        if (handle != OpenHandle || !IsOpen) return CableInvalidHandle;
        // Nothing there yet: the read waits for the next byte up to the read time-out.
        if (ArrivedLocked() == 0) {
            const std::uint64_t now = Time.NowMs();
            const bool comes = !Incoming.empty() && Incoming.front().first - now <= ReadTimeoutMs;
            waitMs = static_cast<std::uint32_t>(comes ? Incoming.front().first - now : ReadTimeoutMs);
        }
    }
    if (waitMs > 0) Time.Advance(waitMs);
    std::lock_guard guard(Guard);
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    const std::size_t count = std::min<std::size_t>(ArrivedLocked(), toRead);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = Incoming.front().second;
        Incoming.pop_front();
    }
    *bytesRead = static_cast<std::uint32_t>(count);
    if (count > 0) LastRead = Time.NowMs();
    return CableOk;
}

CableStatus ControlLine::Write(CableHandle handle, const void* buffer, std::uint32_t toWrite,
                               std::uint32_t* bytesWritten) {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    Bytes written(bytes, bytes + toWrite);
    {
        std::lock_guard guard(Guard);
        if (handle != OpenHandle || !IsOpen) return CableInvalidHandle;
        WriteLog.push_back({Time.NowMs(), written});
    }
    *bytesWritten = toWrite;
    if (Script) Script(written, *this);
    return CableOk;
}

CableStatus ControlLine::Close(CableHandle handle) {
    std::lock_guard guard(Guard);
    if (handle != OpenHandle || !IsOpen) return CableInvalidHandle;
    IsOpen = false;
    ++CloseCount;
    return CableOk;
}

}  // namespace gsmprog::test
