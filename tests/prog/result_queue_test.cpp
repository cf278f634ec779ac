// The bound of the event queue: traffic gives way, oldest first; nothing else is ever dropped.

#include <gtest/gtest.h>

#include <vector>

#include "result_queue.h"

namespace gsmprog {
namespace {

CtrlPacket Event(std::uint8_t code, std::uint8_t tag) {
    CtrlPacket event;
    event.code = code;
    event.data[0] = tag;
    event.length = 1;
    return event;
}

std::vector<std::pair<int, int>> Drain(ResultQueue& queue) {
    std::vector<std::pair<int, int>> taken;
    CtrlPacket event;
    while (queue.Pop(event)) taken.emplace_back(event.code, event.data[0]);
    return taken;
}

TEST(ResultQueue, KeepsOrderBelowTheBound) {
    ResultQueue queue(4);
    queue.Push(Event(CtrlBytesSent, 1));
    queue.Push(Event(CtrlBytesReceived, 2));
    queue.Push(Event(CtrlStatus, 3));
    EXPECT_EQ(Drain(queue), (std::vector<std::pair<int, int>>{{250, 1}, {251, 2}, {12, 3}}));
    EXPECT_EQ(queue.Dropped(), 0u);
}

TEST(ResultQueue, WhenFullTheOldestTrafficGivesWay) {
    ResultQueue queue(4);
    queue.Push(Event(CtrlStatus, 1));
    queue.Push(Event(CtrlBytesReceived, 2));
    queue.Push(Event(CtrlGsmTrace, 3));
    queue.Push(Event(CtrlErrorReply, 4));
    queue.Push(Event(CtrlDeviceTrace, 5));   // drops 2
    queue.Push(Event(CtrlIButtonKey, 6));    // drops 3
    EXPECT_EQ(queue.Size(), 4u);
    EXPECT_EQ(queue.Dropped(), 2u);
    EXPECT_EQ(Drain(queue),
              (std::vector<std::pair<int, int>>{{12, 1}, {255, 4}, {211, 5}, {3, 6}}));
}

TEST(ResultQueue, RepliesNotificationsAndErrorsAreNeverDropped) {
    ResultQueue queue(2);
    queue.Push(Event(CtrlStatus, 1));
    queue.Push(Event(CtrlSimSwitch, 2));
    queue.Push(Event(CtrlBytesSent, 3));     // no traffic to give way: the newest is dropped
    queue.Push(Event(CtrlOutputsSet, 4));    // kept beyond the bound
    queue.Push(Event(CtrlErrorReply, 5));
    EXPECT_EQ(queue.Dropped(), 1u);
    EXPECT_EQ(Drain(queue),
              (std::vector<std::pair<int, int>>{{12, 1}, {5, 2}, {13, 4}, {255, 5}}));
}

TEST(ResultQueue, TakingTrafficFromTheFrontKeepsTheDropOrder) {
    ResultQueue queue(3);
    queue.Push(Event(CtrlBytesSent, 1));
    queue.Push(Event(CtrlStatus, 2));
    queue.Push(Event(CtrlBytesReceived, 3));
    CtrlPacket front;
    ASSERT_TRUE(queue.Pop(front));
    EXPECT_EQ(front.data[0], 1);
    queue.Push(Event(CtrlBytesSent, 4));
    queue.Push(Event(CtrlBytesReceived, 5));  // drops 3, the oldest traffic still queued
    EXPECT_EQ(Drain(queue), (std::vector<std::pair<int, int>>{{12, 2}, {250, 4}, {251, 5}}));
    queue.Push(Event(CtrlBytesSent, 6));
    queue.Clear();
    EXPECT_TRUE(queue.Empty());
    queue.Push(Event(CtrlBytesSent, 7));
    EXPECT_EQ(Drain(queue), (std::vector<std::pair<int, int>>{{250, 7}}));
}

}  // namespace
}  // namespace gsmprog
