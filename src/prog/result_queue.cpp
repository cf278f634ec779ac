#include "prog/result_queue.h"

#include <algorithm>

namespace gsmprog {

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

bool ResultQueue::Full(std::size_t moreBytes) const {
    return Events.size() >= Capacity || HeldBytes + moreBytes > ByteCapacity;
}

void ResultQueue::Erase(EventList::iterator event) {
    HeldBytes -= Footprint(*event);
    Events.erase(event);
}

void ResultQueue::Push(const CtrlPacket& event) {
    const bool traffic = IsTraffic(event.code);
    StoredEvent stored{event.code, event.attempts, event.timeout, {}};
    stored.bytes.assign(event.data, event.data + std::clamp(event.length, 0, CtrlPacketDataSize));
    const std::size_t footprint = Footprint(stored);
    while (Full(footprint) && !Traffic.empty()) {
        Erase(Traffic.front());
        Traffic.pop_front();
        ++DroppedCount;
    }
    if (Full(footprint) && traffic) {
        // Nothing older may give way: the newest traffic does.
        ++DroppedCount;
        return;
    }
    HeldBytes += footprint;
    Events.push_back(std::move(stored));
    if (traffic) Traffic.push_back(std::prev(Events.end()));
}

bool ResultQueue::Pop(CtrlPacket& out) {
    if (Events.empty()) return false;
    // The front, if traffic, is the oldest traffic entry too.
    if (!Traffic.empty() && Traffic.front() == Events.begin()) Traffic.pop_front();
    const StoredEvent& event = Events.front();
    out.code = event.code;
    out.attempts = event.attempts;
    out.timeout = event.timeout;
    out.length = static_cast<std::int32_t>(event.bytes.size());
    std::copy(event.bytes.begin(), event.bytes.end(), out.data);
    std::fill(out.data + event.bytes.size(), out.data + CtrlPacketDataSize, std::uint8_t(0));
    Erase(Events.begin());
    return true;
}

void ResultQueue::Clear() {
    Events.clear();
    Traffic.clear();
    HeldBytes = 0;
}

}  // namespace gsmprog
