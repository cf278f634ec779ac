#pragma once
// The control link's events waiting for their reader, bounded: a chatty modem outruns a
// reader that takes 100 events a second. When full, the oldest traffic event (bytes sent
// or received, GSM and device traces) gives way; replies, notifications and errors are
// never dropped. Not locked itself: the link guards it with its lock.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <list>

#include "ctrl_packet.h"

namespace gsmprog {

inline constexpr std::size_t ResultQueueCapacity = 10000;

class ResultQueue {
public:
    explicit ResultQueue(std::size_t capacity = ResultQueueCapacity);

    void Push(const CtrlPacket& event);
    // Moves the oldest event into `out`; false when empty.
    bool Pop(CtrlPacket& out);
    void Clear();
    bool Empty() const { return Events.empty(); }
    std::size_t Size() const { return Events.size(); }
    // Traffic events dropped to keep the bound, since construction.
    std::uint64_t Dropped() const { return DroppedCount; }

    static bool IsTraffic(std::uint8_t code);

private:
    using EventList = std::list<CtrlPacket>;
    std::size_t Capacity;
    EventList Events;
    std::deque<EventList::iterator> Traffic;   // the traffic entries of Events, oldest first
    std::uint64_t DroppedCount = 0;
};

}  // namespace gsmprog
