// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cable/serial_cable.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <set>

#include "cable/open_port.h"
#include "cable/port_thread.h"
#include "cable/system_listing.h"
#include "diag/debug_log.h"
#include "ports/latency_timer.h"

namespace gsmprog {

namespace fs = std::filesystem;

namespace {
// Devices open through any SerialCable of this process. flock alone does not tell two opens
// of one process apart when they share an inode lock, so both are kept.
std::mutex& OpenDevicesLock() {
    static std::mutex lock;
    return lock;
}
std::set<std::string>& OpenDevices() {
    static std::set<std::string> devices;
    return devices;
}

void Log(const std::string& text) { DebugLog("кабель", text); }

// The longest wait a time-out may ask for.
constexpr std::uint32_t MaxWaitMs = 60000;

void LogRead(const std::string& serialNumber, const void* buffer, std::uint32_t bytesRead) {
    if (DebugLogOn() && bytesRead > 0)
        Log(serialNumber + " ← " + std::to_string(bytesRead) + " байт: " +
            DebugHex(buffer, bytesRead));
}

const char* KindText(CableFailureKind kind) {
    switch (kind) {
    case CableFailureKind::None: break;
    case CableFailureKind::NotFound: return "кабель не найден";
    case CableFailureKind::PortClaimed:
        return "кабель не найден, но на USB есть адаптер FTDI, который держит brltty";
    case CableFailureKind::Busy: return "кабель занят другой программой";
    case CableFailureKind::InUse: return "кабель уже открыт в этой программе";
    case CableFailureKind::Refused: return "система не открыла порт";
    case CableFailureKind::Line: return "сбой порта";
    }
    return "сбой";
}

std::string ListText(const std::vector<ListedCable>& cables) {
    if (cables.empty()) return "список кабелей пуст";
    std::string text = "список кабелей:";
    for (const ListedCable& cable : cables)
        text += " " + cable.serialNumber + " (" + cable.device.string() + ")";
    return text;
}
}  // namespace

SerialCable::SerialCable(fs::path cableDirectory)
    : SerialCable(std::make_unique<SystemListing>(std::move(cableDirectory))) {}

SerialCable::SerialCable(std::unique_ptr<CableListing> listing)
    : listing_(std::move(listing)),
      thread_(std::make_unique<PortThread>(
          PortThread::Watch{[this] { return WatchedLines(); },
                            [this](int fd, short events) { OnLineEvent(fd, events); }})) {}

SerialCable::~SerialCable() {
    InPortThread([this] {
        while (!ports_.empty()) CloseInPortThread(ports_.begin()->first);
        return CableOk;
    });
}

CableStatus SerialCable::InPortThread(const std::function<CableStatus()>& call) {
    if (thread_->IsCurrent()) return call();
    CableStatus status = CableOtherError;
    thread_->Run([&] { status = call(); });
    return status;
}

CableStatus SerialCable::OnPort(CableHandle handle, const char* what,
                                const std::function<CableStatus(OpenPort&)>& call) {
    return InPortThread([&] {
        const auto it = ports_.find(handle);
        if (it == ports_.end()) return CableInvalidHandle;
        const CableStatus status = call(*it->second);
        {
            std::lock_guard guard(waitableLock_);
            if (const auto line = waitable_.find(handle); line != waitable_.end())
                line->second.taken = it->second->Taken();
        }
        if (status == CableOk) return status;
        return Fail(status, it->second->LineFailure(),
                    it->second->Listed().serialNumber + ": " + what);
    });
}

CableStatus SerialCable::Fail(CableStatus status, CableFailure failure, const std::string& what) {
    if (DebugLogOn()) {
        std::string text = what + ": " + KindText(failure.kind);
        if (!failure.systemText.empty()) text += ": " + failure.systemText;
        if (failure.systemError != 0)
            text += " (errno " + std::to_string(failure.systemError) + ")";
        Log(text);
    }
    std::lock_guard guard(failureLock_);
    lastFailure_ = std::move(failure);
    return status;
}

CableFailure SerialCable::LastFailure() const {
    std::lock_guard guard(failureLock_);
    return lastFailure_;
}

std::vector<ListedCable> SerialCable::ListCables() const { return listing_->List(); }

std::optional<int> SerialCable::LatencyTimerMs(const std::string& serialNumber) {
    for (const ListedCable& cable : CurrentList(false))
        if (cable.serialNumber == serialNumber) return ReadLatencyTimer(cable);
    return std::nullopt;
}

std::vector<ListedCable> SerialCable::CurrentList(bool refresh) {
    std::lock_guard guard(listLock_);
    if (refresh || list_.empty()) {
        list_ = ListCables();
        if (DebugLogOn()) Log(ListText(list_));
    }
    return list_;
}

CableStatus SerialCable::CreateDeviceInfoList(std::uint32_t* count) {
    *count = static_cast<std::uint32_t>(CurrentList(true).size());
    if (*count == 0) {
        const bool claimed = listing_->AdapterHeldByBrltty();
        Fail(CableOk, {claimed ? CableFailureKind::PortClaimed : CableFailureKind::NotFound, 0, {}},
             "список");
    }
    return CableOk;
}

CableStatus SerialCable::GetDeviceInfoList(CableInfo* list, std::uint32_t capacity,
                                           std::uint32_t* count) {
    const auto cables = CurrentList(false);
    const auto filled = static_cast<std::uint32_t>(std::min<std::size_t>(capacity, cables.size()));
    for (std::uint32_t i = 0; i < filled; ++i) {
        list[i] = CableInfo{};
        std::memcpy(list[i].SerialNumber, cables[i].serialNumber.data(),
                    std::min(cables[i].serialNumber.size(), SerialNumberCapacity));
    }
    *count = filled;
    return CableOk;
}

CableStatus SerialCable::OpenEx(const char* serialNumber, CableHandle* handle) {
    return InPortThread([&] { return OpenInPortThread(serialNumber, handle); });
}

CableStatus SerialCable::OpenInPortThread(const char* serialNumber, CableHandle* handle) {
    const std::string what = std::string("открытие ") + serialNumber;
    auto cables = CurrentList(false);
    const auto named = [&](const ListedCable& c) { return c.serialNumber == serialNumber; };
    auto found = std::find_if(cables.begin(), cables.end(), named);
    if (found == cables.end()) {
        cables = CurrentList(true);  // plugged in since the list was taken
        found = std::find_if(cables.begin(), cables.end(), named);
    }
    std::error_code unknown;  // a device that cannot be looked at cannot be opened either
    if (found == cables.end() || !fs::exists(found->device, unknown))
        return Fail(CableDeviceNotFound, {CableFailureKind::NotFound, 0, {}}, what);

    auto open = std::make_unique<OpenPort>(*found, CanonicalDevice(found->device));
    {
        std::lock_guard guard(OpenDevicesLock());
        if (!OpenDevices().insert(open->Device()).second)
            return Fail(CableDeviceNotOpened, {CableFailureKind::InUse, 0, {}}, what);
    }
    if (CableFailure failure = open->Open(); failure.kind != CableFailureKind::None) {
        {
            std::lock_guard guard(OpenDevicesLock());
            OpenDevices().erase(open->Device());
        }
        return Fail(CableDeviceNotOpened, std::move(failure), what + " (" + open->Device() + ")");
    }
    if (DebugLogOn()) Log(what + ": открыт " + open->Device());
    *handle = nextHandle_++;
    {
        std::lock_guard guard(waitableLock_);
        waitable_[*handle] = {open->Descriptor(), 0, 0, open->Listed().serialNumber};
    }
    ports_[*handle] = std::move(open);
    return CableOk;
}

std::vector<int> SerialCable::WatchedLines() {
    std::vector<int> fds;
    for (const auto& [handle, open] : ports_)
        if (open->Watched()) fds.push_back(open->Descriptor());
    return fds;
}

void SerialCable::OnLineEvent(int fd, short events) {
    for (const auto& [handle, open] : ports_)
        if (open->Descriptor() == fd) open->OnLineEvent(events);
}

CableStatus SerialCable::SetBaudRate(CableHandle handle, std::uint32_t baud) {
    return OnPort(handle, "скорость", [&](OpenPort& port) { return port.SetBaudRate(baud); });
}

CableStatus SerialCable::SetDataCharacteristics(CableHandle handle, std::uint8_t wordLength,
                                                std::uint8_t stopBits, std::uint8_t parity) {
    return OnPort(handle, "формат байта", [&](OpenPort& port) {
        return port.SetDataCharacteristics(wordLength, stopBits, parity);
    });
}

CableStatus SerialCable::SetFlowControl(CableHandle handle, std::uint16_t flowControl, std::uint8_t,
                                        std::uint8_t) {
    return OnPort(handle, "управление потоком",
                  [&](OpenPort& port) { return port.SetFlowControl(flowControl); });
}

CableStatus SerialCable::SetLatencyTimer(CableHandle handle, std::uint8_t) {
    return OnPort(handle, "задержка", [&](OpenPort& port) {
        // What the link asks for is replies that arrive whole; the quiet time gives it. The
        // adapter keeps the timer the system set (1 ms with gsmprog's udev rule): a longer one
        // would only make every reply wait longer.
        const int timerMs = ReadLatencyTimer(port.Listed()).value_or(0);
        port.SetQuietTime(QuietTimeMs(timerMs));
        {
            std::lock_guard guard(waitableLock_);
            waitable_.erase(handle);  // the port thread takes its bytes from now on
        }
        if (DebugLogOn())
            Log(port.Listed().serialNumber + ": таймер задержки " + std::to_string(timerMs) +
                " мс, ответ целый после " + std::to_string(QuietTimeMs(timerMs)) + " мс тишины");
        return CableOk;
    });
}

CableStatus SerialCable::SetTimeouts(CableHandle handle, std::uint32_t readMs,
                                     std::uint32_t writeMs) {
    return OnPort(handle, "тайм-ауты", [&](OpenPort& port) {
        port.SetTimeouts(readMs, writeMs);
        std::lock_guard guard(waitableLock_);
        if (const auto line = waitable_.find(handle); line != waitable_.end())
            line->second.readTimeoutMs = std::min<std::uint32_t>(readMs, MaxWaitMs);
        return CableOk;
    });
}

CableStatus SerialCable::GetStatus(CableHandle handle, std::uint32_t* rxQueue,
                                   std::uint32_t* txQueue, std::uint32_t* events) {
    return OnPort(handle, "очередь", [&](OpenPort& port) {
        *events = 0;
        return port.GetStatus(rxQueue, txQueue);
    });
}

CableStatus SerialCable::Read(CableHandle handle, void* buffer, std::uint32_t toRead,
                              std::uint32_t* bytesRead) {
    *bytesRead = 0;
    CableStatus status = CableOk;
    if (ReadInCallerThread(handle, buffer, toRead, bytesRead, &status)) return status;
    return OnPort(handle, "чтение", [&](OpenPort& port) {
        const CableStatus status = port.Read(buffer, toRead, bytesRead);
        LogRead(port.Listed().serialNumber, buffer, *bytesRead);
        return status;
    });
}

bool SerialCable::ReadInCallerThread(CableHandle handle, void* buffer, std::uint32_t toRead,
                                     std::uint32_t* bytesRead, CableStatus* status) {
    WaitableLine line;
    {
        std::lock_guard guard(waitableLock_);
        const auto it = waitable_.find(handle);
        if (it == waitable_.end() || it->second.taken > 0) return false;
        line = it->second;
    }
    // Only the handle's own user calls on it, and it is the one reading here: the port thread
    // touches the line only in that user's calls, so the bytes stay in order.
    auto* into = static_cast<char*>(buffer);
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(line.readTimeoutMs);
    int error = 0;
    bool hungUp = false;  // the line said so: what it still holds is read, then it fails
    while (*bytesRead < toRead) {
        const ssize_t n = ::read(line.fd, into + *bytesRead, toRead - *bytesRead);
        if (n > 0) {
            *bytesRead += static_cast<std::uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if ((n < 0 && errno != EAGAIN) || hungUp) {
            error = n < 0 && errno != EAGAIN ? errno : EIO;
            break;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd wait{line.fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) {
            error = errno;
            break;
        }
        hungUp = ready > 0 && (wait.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
    }
    LogRead(line.serialNumber, buffer, *bytesRead);
    *status = error == 0 ? CableOk
                         : Fail(CableIoError, {CableFailureKind::Line, error, std::strerror(error)},
                                line.serialNumber + ": чтение");
    return true;
}

CableStatus SerialCable::Write(CableHandle handle, const void* buffer, std::uint32_t toWrite,
                               std::uint32_t* bytesWritten) {
    *bytesWritten = 0;
    return OnPort(handle, "запись", [&](OpenPort& port) {
        const CableStatus status = port.Write(buffer, toWrite, bytesWritten);
        if (DebugLogOn())
            Log(port.Listed().serialNumber + " → " + std::to_string(*bytesWritten) + " из " +
                std::to_string(toWrite) + " байт: " + DebugHex(buffer, toWrite));
        return status;
    });
}

ByteWait SerialCable::AwaitBytes(CableHandle handle, std::uint32_t milliseconds,
                                 std::uint32_t* queued) {
    *queued = 0;
    pollfd line{-1, POLLIN, 0};
    std::int64_t taken = 0;
    {
        std::lock_guard guard(waitableLock_);
        const auto it = waitable_.find(handle);
        if (it == waitable_.end()) return ByteWait::Unsupported;
        line.fd = it->second.fd;
        taken = it->second.taken;
    }
    // Only the handle's own user closes it, and it is the one waiting here.
    const int ready =
        taken > 0 ? 0 : ::poll(&line, 1, static_cast<int>(std::min(milliseconds, MaxWaitMs)));
    if (taken == 0 && ready == 0) return ByteWait::Quiet;
    // A line that hung up would wake every wait at once: the calls that report it do, at the
    // caller's own pace.
    if (ready < 0 || (line.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
        return ByteWait::Unsupported;
    // What the port took in and what the system holds: the read that follows needs no query.
    int waiting = 0;
    if (::ioctl(line.fd, FIONREAD, &waiting) == 0 && waiting >= 0)
        *queued = static_cast<std::uint32_t>(taken + waiting);
    return ByteWait::Arrived;
}

CableStatus SerialCable::Close(CableHandle handle) {
    return InPortThread([&] { return CloseInPortThread(handle); });
}

CableStatus SerialCable::CloseInPortThread(CableHandle handle) {
    auto it = ports_.find(handle);
    if (it == ports_.end()) return CableInvalidHandle;
    std::unique_ptr<OpenPort> open = std::move(it->second);
    ports_.erase(it);
    {
        std::lock_guard guard(waitableLock_);
        waitable_.erase(handle);
    }
    open->Close();
    if (DebugLogOn()) Log(open->Listed().serialNumber + ": закрыт");
    std::lock_guard guard(OpenDevicesLock());
    OpenDevices().erase(open->Device());
    return CableOk;
}

}  // namespace gsmprog
