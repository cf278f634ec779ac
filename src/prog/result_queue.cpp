#include "result_queue.h"

namespace gsmprog {

ResultQueue::ResultQueue(std::size_t capacity) : Capacity(capacity) {}

bool ResultQueue::IsTraffic(std::uint8_t code) {
    return code == CtrlBytesSent || code == CtrlBytesReceived || code == CtrlGsmTrace ||
           code == CtrlDeviceTrace;
}

void ResultQueue::Push(const CtrlPacket& event) {
    const bool traffic = IsTraffic(event.code);
    if (Events.size() >= Capacity) {
        if (!Traffic.empty()) {
            Events.erase(Traffic.front());
            Traffic.pop_front();
            ++DroppedCount;
        } else if (traffic) {
            // Nothing older may give way: the newest traffic does.
            ++DroppedCount;
            return;
        }
    }
    Events.push_back(event);
    if (traffic) Traffic.push_back(std::prev(Events.end()));
}

bool ResultQueue::Pop(CtrlPacket& out) {
    if (Events.empty()) return false;
    // The front, if traffic, is the oldest traffic entry too.
    if (!Traffic.empty() && Traffic.front() == Events.begin()) Traffic.pop_front();
    out = Events.front();
    Events.pop_front();
    return true;
}

void ResultQueue::Clear() {
    Events.clear();
    Traffic.clear();
}

}  // namespace gsmprog
