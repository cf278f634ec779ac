// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "prog/result_queue.h"

#include <algorithm>

namespace gsmprog {

void ResultQueue::Batch::Add(const CtrlPacket& event) {
    StoredEvent& stored = Events.emplace_back();
    stored.code = event.code;
    stored.attempts = event.attempts;
    stored.timeout = event.timeout;
    stored.bytes.assign(event.data, event.data + std::clamp(event.length, 0, CtrlPacketDataSize));
}

void ResultQueue::Batch::Add(std::uint8_t code, const std::uint8_t* data, std::size_t length) {
    StoredEvent& stored = Events.emplace_back();
    stored.code = code;
    stored.bytes.assign(data, data + std::min(length, std::size_t(CtrlPacketDataSize)));
}

bool ResultQueue::Batch::Pop(CtrlPacket& out) {
    if (Events.empty()) return false;
    Unpack(Events.front(), out);
    Events.pop_front();
    return true;
}

ResultQueue::ResultQueue(std::size_t capacity, std::size_t byteCapacity)
    : Capacity(capacity), ByteCapacity(byteCapacity) {}

bool ResultQueue::IsTraffic(std::uint8_t code) {
    return code == CtrlBytesSent || code == CtrlBytesReceived || code == CtrlGsmTrace ||
           code == CtrlDeviceTrace;
}

std::size_t ResultQueue::Footprint(const StoredEvent& event) {
    // The list node and the event with its bytes.
    return sizeof(StoredEvent) + 2 * sizeof(void*) + event.bytes.capacity();
}

void ResultQueue::Unpack(const StoredEvent& event, CtrlPacket& out) {
    out.code = event.code;
    out.attempts = event.attempts;
    out.timeout = event.timeout;
    out.length = static_cast<std::int32_t>(event.bytes.size());
    std::copy(event.bytes.begin(), event.bytes.end(), out.data);
    std::fill(out.data + event.bytes.size(), out.data + CtrlPacketDataSize, std::uint8_t(0));
}

bool ResultQueue::Full(std::size_t moreBytes) const {
    return Events.size() >= Capacity || HeldBytes + moreBytes > ByteCapacity;
}

void ResultQueue::Erase(EventList::iterator event) {
    HeldBytes -= Footprint(*event);
    Events.erase(event);
}

void ResultQueue::Admit(EventList& from) {
    const bool traffic = IsTraffic(from.front().code);
    const std::size_t footprint = Footprint(from.front());
    while (Full(footprint) && !Traffic.empty()) {
        Erase(Traffic.front());
        Traffic.pop_front();
        ++DroppedCount;
    }
    if (Full(footprint) && traffic) {
        // Nothing older may give way: the newest traffic does.
        from.pop_front();
        ++DroppedCount;
        return;
    }
    HeldBytes += footprint;
    Events.splice(Events.end(), from, from.begin());
    if (traffic) Traffic.push_back(std::prev(Events.end()));
}

void ResultQueue::Push(const CtrlPacket& event) {
    Batch one;
    one.Add(event);
    Push(one);
}

void ResultQueue::Push(Batch& batch) {
    while (!batch.Events.empty()) Admit(batch.Events);
}

bool ResultQueue::Pop(CtrlPacket& out) {
    Batch front;
    Take(front, 1);
    return front.Pop(out);
}

void ResultQueue::Take(Batch& out, std::size_t most) {
    for (; most > 0 && !Events.empty(); --most) {
        // The front, if traffic, is the oldest traffic entry too.
        if (!Traffic.empty() && Traffic.front() == Events.begin()) Traffic.pop_front();
        HeldBytes -= Footprint(Events.front());
        out.Events.splice(out.Events.end(), Events, Events.begin());
    }
}

void ResultQueue::Clear() {
    Events.clear();
    Traffic.clear();
    HeldBytes = 0;
}

}  // namespace gsmprog
