#include "support/scripted_cable.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

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

const char* CallName(CableCall call) {
    static const char* const names[] = {
        "CreateDeviceInfoList", "GetDeviceInfoList", "OpenEx",      "SetBaudRate",
        "SetDataCharacteristics", "SetFlowControl",  "SetLatencyTimer", "SetTimeouts",
        "GetStatus",              "Read",            "Write",       "Close"};
    return names[static_cast<int>(call)];
}

ScriptedCable::ScriptedCable(VirtualClock* clock, std::vector<std::string> serials)
    : clock_(clock), serials_(std::move(serials)) {}

void ScriptedCable::SetSerials(std::vector<std::string> serials) {
    std::lock_guard guard(lock_);
    serials_ = std::move(serials);
}

void ScriptedCable::FailCall(CableCall call, CableStatus status, int nth) {
    std::lock_guard guard(lock_);
    failures_.push_back({call, status, nth <= 0 ? -1 : nth - 1});
}

void ScriptedCable::LimitWrite(int nth, std::uint32_t written) {
    std::lock_guard guard(lock_);
    writeLimits_.push_back({writesSeen_ + nth, written});
}

void ScriptedCable::Deliver(const Bytes& bytes) {
    std::lock_guard guard(lock_);
    queue_.insert(queue_.end(), bytes.begin(), bytes.end());
}

void ScriptedCable::DeliverAt(std::uint64_t atMs, const Bytes& bytes) {
    std::lock_guard guard(lock_);
    timed_.push_back({atMs, bytes});
}

void ScriptedCable::Reply(const Bytes& written, const Bytes& reply, int times) {
    std::lock_guard guard(lock_);
    rules_.push_back({written, reply, times});
}

void ScriptedCable::OnWrite(std::function<void(const Bytes&)> responder) {
    std::lock_guard guard(lock_);
    responder_ = std::move(responder);
}

std::vector<CableEvent> ScriptedCable::Events() const {
    std::lock_guard guard(lock_);
    return events_;
}

std::vector<Bytes> ScriptedCable::Writes() const {
    std::lock_guard guard(lock_);
    std::vector<Bytes> writes;
    for (const auto& event : events_)
        if (event.call == CableCall::Write) writes.push_back(event.bytes);
    return writes;
}

int ScriptedCable::CountOf(CableCall call) const {
    std::lock_guard guard(lock_);
    return static_cast<int>(std::count_if(events_.begin(), events_.end(),
                                          [&](const CableEvent& e) { return e.call == call; }));
}

std::size_t ScriptedCable::Queued() const {
    std::lock_guard guard(lock_);
    return queue_.size();
}

bool ScriptedCable::IsOpen() const {
    std::lock_guard guard(lock_);
    return open_;
}

std::uint64_t ScriptedCable::Now() const { return clock_ ? clock_->NowMs() : 0; }

CableStatus ScriptedCable::Begin(CableCall call, CableEvent& event) {
    event.call = call;
    event.atMs = Now();
    for (auto it = failures_.begin(); it != failures_.end(); ++it) {
        if (it->call != call) continue;
        if (it->remaining < 0) return it->status;
        if (it->remaining-- == 0) {
            const CableStatus status = it->status;
            failures_.erase(it);
            return status;
        }
    }
    return CableOk;
}

CableStatus ScriptedCable::Finish(CableEvent& event, CableStatus status) {
    event.status = status;
    events_.push_back(event);
    return status;
}

CableStatus ScriptedCable::CheckHandle(CableCall call, CableHandle handle, CableEvent& event) {
    const CableStatus injected = Begin(call, event);
    if (!open_ || handle != TheHandle) return CableInvalidHandle;
    return injected;
}

void ScriptedCable::ReleaseDue() {
    const std::uint64_t now = Now();
    std::stable_sort(timed_.begin(), timed_.end(),
                     [](const Timed& a, const Timed& b) { return a.atMs < b.atMs; });
    while (!timed_.empty() && timed_.front().atMs <= now) {
        queue_.insert(queue_.end(), timed_.front().bytes.begin(), timed_.front().bytes.end());
        timed_.erase(timed_.begin());
    }
}

CableStatus ScriptedCable::CreateDeviceInfoList(std::uint32_t* count) {
    std::lock_guard guard(lock_);
    CableEvent event;
    const CableStatus status = Begin(CableCall::CreateDeviceInfoList, event);
    if (status == CableOk) *count = static_cast<std::uint32_t>(serials_.size());
    event.count = status == CableOk ? *count : 0;
    return Finish(event, status);
}

CableStatus ScriptedCable::GetDeviceInfoList(CableInfo* list, std::uint32_t capacity,
                                             std::uint32_t* count) {
    std::lock_guard guard(lock_);
    CableEvent event;
    event.args = {capacity};
    const CableStatus status = Begin(CableCall::GetDeviceInfoList, event);
    if (status == CableOk) {
        const auto filled = std::min<std::size_t>(capacity, serials_.size());
        for (std::size_t i = 0; i < filled; ++i) {
            list[i] = CableInfo{};
            std::strncpy(list[i].SerialNumber, serials_[i].c_str(),
                         sizeof list[i].SerialNumber - 1);
        }
        *count = static_cast<std::uint32_t>(filled);
        event.count = *count;
    }
    return Finish(event, status);
}

CableStatus ScriptedCable::OpenEx(const char* serialNumber, CableHandle* handle) {
    std::lock_guard guard(lock_);
    CableEvent event;
    event.serial = serialNumber;
    CableStatus status = Begin(CableCall::OpenEx, event);
    if (status == CableOk) {
        if (std::find(serials_.begin(), serials_.end(), event.serial) == serials_.end())
            status = CableDeviceNotFound;
        else if (open_)
            status = CableDeviceNotOpened;   // already open: access is exclusive
    }
    if (status == CableOk) {
        open_ = true;
        readTimeoutMs_ = 0;
        *handle = TheHandle;
    }
    return Finish(event, status);
}

CableStatus ScriptedCable::SetBaudRate(CableHandle handle, std::uint32_t baud) {
    std::lock_guard guard(lock_);
    CableEvent event;
    event.args = {baud};
    return Finish(event, CheckHandle(CableCall::SetBaudRate, handle, event));
}

CableStatus ScriptedCable::SetDataCharacteristics(CableHandle handle, std::uint8_t wordLength,
                                                  std::uint8_t stopBits, std::uint8_t parity) {
    std::lock_guard guard(lock_);
    CableEvent event;
    event.args = {wordLength, stopBits, parity};
    return Finish(event, CheckHandle(CableCall::SetDataCharacteristics, handle, event));
}

CableStatus ScriptedCable::SetFlowControl(CableHandle handle, std::uint16_t flowControl,
                                          std::uint8_t xon, std::uint8_t xoff) {
    std::lock_guard guard(lock_);
    CableEvent event;
    event.args = {flowControl, xon, xoff};
    return Finish(event, CheckHandle(CableCall::SetFlowControl, handle, event));
}

CableStatus ScriptedCable::SetLatencyTimer(CableHandle handle, std::uint8_t milliseconds) {
    std::lock_guard guard(lock_);
    CableEvent event;
    event.args = {milliseconds};
    return Finish(event, CheckHandle(CableCall::SetLatencyTimer, handle, event));
}

CableStatus ScriptedCable::SetTimeouts(CableHandle handle, std::uint32_t readMs,
                                       std::uint32_t writeMs) {
    std::lock_guard guard(lock_);
    CableEvent event;
    event.args = {readMs, writeMs};
    const CableStatus status = CheckHandle(CableCall::SetTimeouts, handle, event);
    if (status == CableOk) readTimeoutMs_ = readMs;
    return Finish(event, status);
}

CableStatus ScriptedCable::GetStatus(CableHandle handle, std::uint32_t* rxQueue,
                                     std::uint32_t* txQueue, std::uint32_t* events) {
    std::lock_guard guard(lock_);
    CableEvent event;
    const CableStatus status = CheckHandle(CableCall::GetStatus, handle, event);
    if (status == CableOk) {
        ReleaseDue();
        *rxQueue = static_cast<std::uint32_t>(queue_.size());
        *txQueue = 0;
        *events = 0;
        event.count = *rxQueue;
    }
    return Finish(event, status);
}

CableStatus ScriptedCable::Read(CableHandle handle, void* buffer, std::uint32_t toRead,
                                std::uint32_t* bytesRead) {
    std::lock_guard guard(lock_);
    CableEvent event;
    event.args = {toRead};
    const CableStatus status = CheckHandle(CableCall::Read, handle, event);
    if (status == CableOk) {
        ReleaseDue();
        if (queue_.size() < toRead && readTimeoutMs_ > 0 && clock_) {
            // A read that is not satisfied waits out its time-out for more bytes.
            clock_->Advance(readTimeoutMs_);
            ReleaseDue();
        }
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(toRead, queue_.size()));
        std::copy_n(queue_.begin(), n, static_cast<std::uint8_t*>(buffer));
        event.bytes.assign(queue_.begin(), queue_.begin() + n);
        queue_.erase(queue_.begin(), queue_.begin() + n);
        *bytesRead = n;
        event.count = n;
    }
    return Finish(event, status);
}

CableStatus ScriptedCable::Write(CableHandle handle, const void* buffer, std::uint32_t toWrite,
                                 std::uint32_t* bytesWritten) {
    std::lock_guard guard(lock_);
    CableEvent event;
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    event.bytes.assign(bytes, bytes + toWrite);
    const CableStatus status = CheckHandle(CableCall::Write, handle, event);
    if (status != CableOk) {
        *bytesWritten = 0;
        return Finish(event, status);
    }
    ++writesSeen_;
    std::uint32_t written = toWrite;
    for (const auto& [nth, limit] : writeLimits_)
        if (nth == writesSeen_) written = std::min(written, limit);
    *bytesWritten = written;
    event.count = written;
    Finish(event, status);
    if (written != toWrite) return status;   // the modem did not get the whole message

    for (auto& rule : rules_) {
        if (rule.times == 0 || rule.written != event.bytes) continue;
        if (rule.times > 0) --rule.times;
        queue_.insert(queue_.end(), rule.reply.begin(), rule.reply.end());
        return status;
    }
    if (responder_) responder_(event.bytes);
    return status;
}

CableStatus ScriptedCable::Close(CableHandle handle) {
    std::lock_guard guard(lock_);
    CableEvent event;
    const CableStatus status = CheckHandle(CableCall::Close, handle, event);
    if (status == CableOk) open_ = false;
    return Finish(event, status);
}

}  // namespace gsmprog::test
