// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The control link's events waiting for their reader, bounded by their count and by the
// bytes they carry: a chatty modem outruns a slow reader. Each event keeps just its own
// bytes, not a whole packet's room. When full, the oldest traffic event (bytes sent or
// received, GSM and device traces) gives way; replies, notifications and errors are never
// dropped. Not locked itself: the link guards it with its lock. Events move in and out in
// batches, made and unpacked outside the lock, so that a read of the cable and a tick of the
// reader each cost one hand-over, not one per event.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <list>
#include <vector>

#include "prog/ctrl_packet.h"

namespace gsmprog {

inline constexpr std::size_t ResultQueueCapacity = 10000;
// The bytes the waiting events may hold, their bookkeeping included.
inline constexpr std::size_t ResultQueueByteCapacity = 4 * 1024 * 1024;

class ResultQueue {
    struct StoredEvent {
        std::uint8_t code = 0;
        std::uint8_t attempts = 0;
        std::uint32_t timeout = 0;
        std::vector<std::uint8_t> bytes;  // the event's meaningful data only
    };
    using EventList = std::list<StoredEvent>;

public:
    // Events in order, on their way into the queue or out of it.
    class Batch {
    public:
        void Add(const CtrlPacket& event);
        // An event of the link's own with `length` bytes of data and nothing else.
        void Add(std::uint8_t code, const std::uint8_t* data, std::size_t length);
        // Moves the oldest event into `out`; false when empty.
        bool Pop(CtrlPacket& out);
        bool Empty() const { return Events.empty(); }
        void Clear() { Events.clear(); }

    private:
        friend class ResultQueue;
        EventList Events;
    };

    explicit ResultQueue(std::size_t capacity = ResultQueueCapacity,
                         std::size_t byteCapacity = ResultQueueByteCapacity);

    void Push(const CtrlPacket& event);
    // Queues the events of `batch` in their order, each as Push would; `batch` is left empty.
    void Push(Batch& batch);
    // Moves the oldest event into `out`; false when empty.
    bool Pop(CtrlPacket& out);
    // Moves up to `most` of the oldest events to the end of `out`.
    void Take(Batch& out, std::size_t most);
    void Clear();
    bool Empty() const { return Events.empty(); }
    std::size_t Size() const { return Events.size(); }
    // The bytes the waiting events hold, their bookkeeping included.
    std::size_t Bytes() const { return HeldBytes; }
    // Traffic events dropped to keep the bound, since construction.
    std::uint64_t Dropped() const { return DroppedCount; }

    static bool IsTraffic(std::uint8_t code);

private:
    static std::size_t Footprint(const StoredEvent& event);
    static void Unpack(const StoredEvent& event, CtrlPacket& out);
    bool Full(std::size_t moreBytes) const;
    void Erase(EventList::iterator event);
    // Moves the first event of `from` to the end of the queue, or drops it to keep the bound.
    void Admit(EventList& from);

    std::size_t Capacity;
    std::size_t ByteCapacity;
    std::size_t HeldBytes = 0;
    EventList Events;
    std::deque<EventList::iterator> Traffic;  // the traffic entries of Events, oldest first
    std::uint64_t DroppedCount = 0;
};

}  // namespace gsmprog
