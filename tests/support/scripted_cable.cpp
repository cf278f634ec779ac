// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/scripted_cable.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace gsmprog::test {

Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

std::string Printable(const Bytes& bytes) {
    const bool text = !bytes.empty() && std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) {
        return b >= 0x20 && b < 0x7F;
    });
    if (text) return "\"" + std::string(bytes.begin(), bytes.end()) + "\"";
    std::string hex;
    for (std::uint8_t b : bytes) {
        char part[4];
        std::snprintf(part, sizeof part, "%02X ", b);
        hex += part;
    }
    if (!hex.empty()) hex.pop_back();
    return "[" + hex + "]";
}

ScriptedCable::ScriptedCable(VirtualClock* clock, std::vector<std::string> serials)
    : clock_(clock), serials_(std::move(serials)) {}

void ScriptedCable::Inject(Fault fault) {
    std::lock_guard guard(lock_);
    faults_.push_back(fault);
}

void ScriptedCable::Deliver(const Bytes& bytes, std::uint32_t afterMs) {
    std::lock_guard guard(lock_);
    Schedule(bytes, afterMs);
}

void ScriptedCable::Reply(const Bytes& written, const Bytes& reply, int times) {
    std::lock_guard guard(lock_);
    rules_.push_back({written, reply, times});
}

void ScriptedCable::OnWrite(std::function<void(const Bytes&)> responder) {
    std::lock_guard guard(lock_);
    responder_ = std::move(responder);
}

void ScriptedCable::OnStatusQuery(std::function<void()> hook) {
    std::lock_guard guard(lock_);
    statusHook_ = std::move(hook);
}

std::vector<CableEvent> ScriptedCable::Events() const {
    std::lock_guard guard(lock_);
    return events_;
}

std::vector<CableEvent> ScriptedCable::EventsOf(CableCall call) const {
    std::lock_guard guard(lock_);
    std::vector<CableEvent> chosen;
    std::copy_if(events_.begin(), events_.end(), std::back_inserter(chosen),
                 [call](const CableEvent& event) { return event.call == call; });
    return chosen;
}

std::vector<Bytes> ScriptedCable::Writes() const {
    std::vector<Bytes> writes;
    for (auto& event : EventsOf(CableCall::Write)) writes.push_back(std::move(event.bytes));
    return writes;
}

int ScriptedCable::CountOf(CableCall call) const {
    std::lock_guard guard(lock_);
    return counts_[static_cast<std::size_t>(call)];
}

std::size_t ScriptedCable::Unread() const {
    std::lock_guard guard(lock_);
    return incoming_.size();
}

std::uint64_t ScriptedCable::LastReadAt() const {
    std::lock_guard guard(lock_);
    return lastReadAt_;
}

std::uint32_t ScriptedCable::LongestByteWait() const {
    std::lock_guard guard(lock_);
    return longestByteWait_;
}

void ScriptedCable::WaitForBytes() {
    std::lock_guard guard(lock_);
    waitsForBytes_ = true;
}

bool ScriptedCable::IsOpen() const {
    std::lock_guard guard(lock_);
    return open_;
}

std::uint64_t ScriptedCable::Now() const { return clock_ ? clock_->NowMs() : 0; }

CableEvent ScriptedCable::Event(CableCall call, std::vector<std::uint32_t> args) const {
    return {call, Now(), {}, std::move(args), {}};
}

std::size_t ScriptedCable::Listed() const {
    const bool detached = std::any_of(faults_.begin(), faults_.end(), [](const Fault& fault) {
        return fault.kind == Fault::Kind::Detached;
    });
    return detached ? 0 : serials_.size();
}

// Arrival times never decrease along the queue, so the arrived bytes are found by halving: a
// link reading a long stream byte by byte asks this for every byte.
std::size_t ScriptedCable::Arrived() const {
    const std::uint64_t now = Now();
    const auto arrived = [now](const Arriving& arriving) { return arriving.atMs <= now; };
    const auto end = std::partition_point(incoming_.begin(), incoming_.end(), arrived);
    return static_cast<std::size_t>(end - incoming_.begin());
}

void ScriptedCable::Schedule(const Bytes& bytes, std::uint32_t afterMs) {
    std::uint64_t at = Now() + afterMs;
    if (!incoming_.empty()) at = std::max(at, incoming_.back().atMs);
    for (std::uint8_t byte : bytes) incoming_.push_back({at, byte});
}

// Like FT_Read, a read short of bytes waits for them up to the read time-out.
void ScriptedCable::WaitOutRead(std::uint32_t toRead) {
    if (!clock_ || readTimeoutMs_ == 0 || Arrived() >= toRead) return;
    const std::uint64_t waitMs =
        incoming_.size() >= toRead ? incoming_[toRead - 1].atMs - Now() : readTimeoutMs_;
    clock_->Advance(std::min<std::uint64_t>(waitMs, readTimeoutMs_));
}

// Counts the call and returns the fault that hits it, if any; a fault of one call is used up.
std::optional<Fault> ScriptedCable::Hit(CableCall call) {
    ++counts_[static_cast<std::size_t>(call)];
    std::optional<Fault> hit;
    for (auto it = faults_.begin(); it != faults_.end();) {
        const bool every = it->nth == 0;
        if (it->kind == Fault::Kind::Detached || it->call != call || (!every && --it->nth > 0)) {
            ++it;
            continue;
        }
        if (!hit) hit = *it;
        it = every ? it + 1 : faults_.erase(it);
    }
    return hit;
}

CableStatus ScriptedCable::Injected(const std::optional<Fault>& fault) {
    return fault && fault->kind == Fault::Kind::CallFails ? fault->status : CableOk;
}

CableStatus ScriptedCable::Checked(const std::optional<Fault>& fault, CableHandle handle) const {
    return !open_ || handle != TheHandle ? CableInvalidHandle : Injected(fault);
}

CableStatus ScriptedCable::Setting(CableCall call, CableHandle handle,
                                   std::vector<std::uint32_t> args) {
    return Log(Event(call, std::move(args)), Checked(Hit(call), handle));
}

CableStatus ScriptedCable::Log(CableEvent event, CableStatus status) {
    events_.push_back(std::move(event));
    return status;
}

CableStatus ScriptedCable::CreateDeviceInfoList(std::uint32_t* count) {
    std::lock_guard guard(lock_);
    const CableStatus status = Injected(Hit(CableCall::CreateDeviceInfoList));
    if (status == CableOk) *count = static_cast<std::uint32_t>(Listed());
    return Log(Event(CableCall::CreateDeviceInfoList), status);
}

CableStatus ScriptedCable::GetDeviceInfoList(CableInfo* list, std::uint32_t capacity,
                                             std::uint32_t* count) {
    std::lock_guard guard(lock_);
    const CableStatus status = Injected(Hit(CableCall::GetDeviceInfoList));
    if (status == CableOk) {
        *count = static_cast<std::uint32_t>(std::min<std::size_t>(capacity, Listed()));
        for (std::uint32_t i = 0; i < *count; ++i) {
            list[i] = CableInfo{};
            std::strncpy(list[i].SerialNumber, serials_[i].c_str(),
                         sizeof list[i].SerialNumber - 1);
        }
    }
    return Log(Event(CableCall::GetDeviceInfoList, {capacity}), status);
}

CableStatus ScriptedCable::OpenEx(const char* serialNumber, CableHandle* handle) {
    std::lock_guard guard(lock_);
    CableEvent event = Event(CableCall::OpenEx);
    event.serial = serialNumber;
    const auto listed = serials_.begin() + static_cast<long>(Listed());
    CableStatus status = Injected(Hit(CableCall::OpenEx));
    if (status == CableOk && std::find(serials_.begin(), listed, event.serial) == listed)
        status = CableDeviceNotFound;
    else if (status == CableOk && open_)
        status = CableDeviceNotOpened;  // already open: access is exclusive
    if (status == CableOk) {
        open_ = true;
        readTimeoutMs_ = 0;
        *handle = TheHandle;
    }
    return Log(std::move(event), status);
}

CableStatus ScriptedCable::SetBaudRate(CableHandle handle, std::uint32_t baud) {
    std::lock_guard guard(lock_);
    return Setting(CableCall::SetBaudRate, handle, {baud});
}

CableStatus ScriptedCable::SetDataCharacteristics(CableHandle handle, std::uint8_t wordLength,
                                                  std::uint8_t stopBits, std::uint8_t parity) {
    std::lock_guard guard(lock_);
    return Setting(CableCall::SetDataCharacteristics, handle, {wordLength, stopBits, parity});
}

CableStatus ScriptedCable::SetFlowControl(CableHandle handle, std::uint16_t flowControl,
                                          std::uint8_t xon, std::uint8_t xoff) {
    std::lock_guard guard(lock_);
    return Setting(CableCall::SetFlowControl, handle, {flowControl, xon, xoff});
}

CableStatus ScriptedCable::SetLatencyTimer(CableHandle handle, std::uint8_t milliseconds) {
    std::lock_guard guard(lock_);
    return Setting(CableCall::SetLatencyTimer, handle, {milliseconds});
}

CableStatus ScriptedCable::SetTimeouts(CableHandle handle, std::uint32_t readMs,
                                       std::uint32_t writeMs) {
    std::lock_guard guard(lock_);
    const CableStatus status = Setting(CableCall::SetTimeouts, handle, {readMs, writeMs});
    if (status == CableOk) readTimeoutMs_ = readMs;
    return status;
}

CableStatus ScriptedCable::GetStatus(CableHandle handle, std::uint32_t* rxQueue,
                                     std::uint32_t* txQueue, std::uint32_t* events) {
    std::unique_lock guard(lock_);
    if (const auto hook = statusHook_) {
        guard.unlock();
        hook();
        guard.lock();
    }
    const CableStatus status = Checked(Hit(CableCall::GetStatus), handle);
    if (status != CableOk) return Log(Event(CableCall::GetStatus), status);
    *rxQueue = static_cast<std::uint32_t>(Arrived());
    *txQueue = 0;
    *events = 0;
    return *rxQueue > 0 ? Log(Event(CableCall::GetStatus), status) : status;
}

CableStatus ScriptedCable::Read(CableHandle handle, void* buffer, std::uint32_t toRead,
                                std::uint32_t* bytesRead) {
    std::lock_guard guard(lock_);
    *bytesRead = 0;
    CableEvent event = Event(CableCall::Read, {toRead});
    const CableStatus status = Checked(Hit(CableCall::Read), handle);
    if (status == CableOk) {
        WaitOutRead(toRead);
        const auto count = std::min<std::size_t>(Arrived(), toRead);
        for (std::size_t i = 0; i < count; ++i) {
            event.bytes.push_back(incoming_.front().byte);
            incoming_.pop_front();
        }
        std::copy(event.bytes.begin(), event.bytes.end(), static_cast<std::uint8_t*>(buffer));
        *bytesRead = static_cast<std::uint32_t>(count);
        if (count > 0) lastReadAt_ = Now();
    }
    return Log(std::move(event), status);
}

CableStatus ScriptedCable::Write(CableHandle handle, const void* buffer, std::uint32_t toWrite,
                                 std::uint32_t* bytesWritten) {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    const Bytes written(bytes, bytes + toWrite);
    std::function<void(const Bytes&)> responder;
    {
        std::unique_lock guard(lock_);
        CableEvent event = Event(CableCall::Write);
        event.bytes = written;
        const auto fault = Hit(CableCall::Write);
        if (fault && fault->kind == Fault::Kind::Blocks) {
            blocked_ = true;
            blockChanged_.notify_all();
            blockChanged_.wait(guard, [this] { return unblocked_; });
            blocked_ = false;
        }
        const CableStatus status = Log(std::move(event), Checked(fault, handle));
        const bool shortened = fault && fault->kind == Fault::Kind::ShortWrite;
        *bytesWritten = status != CableOk ? 0
                        : shortened       ? std::min(toWrite, fault->written)
                                          : toWrite;
        if (status != CableOk || *bytesWritten != toWrite) return status;

        const auto rule = std::find_if(rules_.begin(), rules_.end(), [&](const Rule& r) {
            return r.times != 0 && r.written == written;
        });
        if (rule == rules_.end()) {
            responder = responder_;
        } else {
            if (rule->times > 0) --rule->times;
            Schedule(rule->reply, 0);
        }
    }
    if (responder) responder(written);
    return CableOk;
}

void ScriptedCable::AwaitBlocked() const {
    std::unique_lock guard(lock_);
    blockChanged_.wait(guard, [this] { return blocked_; });
}

void ScriptedCable::Unblock() {
    std::lock_guard guard(lock_);
    unblocked_ = true;
    blockChanged_.notify_all();
}

CableStatus ScriptedCable::Close(CableHandle handle) {
    std::lock_guard guard(lock_);
    const CableStatus status = Setting(CableCall::Close, handle, {});
    if (status == CableOk) open_ = false;
    return status;
}

ByteWait ScriptedCable::AwaitBytes(CableHandle handle, std::uint32_t milliseconds,
                                   std::uint32_t* queued) {
    *queued = 0;
    {
        std::lock_guard guard(lock_);
        if (!waitsForBytes_ || !clock_) return ByteWait::Unsupported;
        if (Checked(Hit(CableCall::AwaitBytes), handle) != CableOk) return ByteWait::Unsupported;
        longestByteWait_ = std::max(longestByteWait_, milliseconds);
        if (!incoming_.empty() && incoming_.front().atMs <= Now() + milliseconds) {
            if (incoming_.front().atMs > Now()) clock_->Advance(incoming_.front().atMs - Now());
            *queued = static_cast<std::uint32_t>(Arrived());
            Log(Event(CableCall::AwaitBytes, {milliseconds}), CableOk);
            return ByteWait::Arrived;
        }
        if (milliseconds == 0) return ByteWait::Quiet;
        clock_->Advance(milliseconds);
    }
    // A token real pause, as the link's sleeps have, so that its reader keeps pace.
    std::this_thread::sleep_for(std::chrono::microseconds(20));
    return ByteWait::Quiet;
}

}  // namespace gsmprog::test
