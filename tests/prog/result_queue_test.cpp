// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The bound of the event queue: traffic gives way, oldest first; nothing else is ever dropped.

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "prog/result_queue.h"

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
    queue.Push(Event(CtrlDeviceTrace, 5));  // drops 2
    queue.Push(Event(CtrlIButtonKey, 6));   // drops 3
    EXPECT_EQ(queue.Size(), 4u);
    EXPECT_EQ(queue.Dropped(), 2u);
    EXPECT_EQ(Drain(queue),
              (std::vector<std::pair<int, int>>{{12, 1}, {255, 4}, {211, 5}, {3, 6}}));
}

TEST(ResultQueue, RepliesNotificationsAndErrorsAreNeverDropped) {
    ResultQueue queue(2);
    queue.Push(Event(CtrlStatus, 1));
    queue.Push(Event(CtrlSimSwitch, 2));
    queue.Push(Event(CtrlBytesSent, 3));   // no traffic to give way: the newest is dropped
    queue.Push(Event(CtrlOutputsSet, 4));  // kept beyond the bound
    queue.Push(Event(CtrlErrorReply, 5));
    EXPECT_EQ(queue.Dropped(), 1u);
    EXPECT_EQ(Drain(queue), (std::vector<std::pair<int, int>>{{12, 1}, {5, 2}, {13, 4}, {255, 5}}));
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

// Large traces are bounded by their bytes long before their count, and each event keeps and
// gives back just its own bytes.
TEST(ResultQueue, TheBytesEventsCarryAreBoundedToo) {
    ResultQueue queue(10000, 20000);
    CtrlPacket trace = Event(CtrlGsmTrace, 7);
    trace.length = 4000;
    trace.data[3999] = 9;
    for (int i = 0; i < 10; ++i) queue.Push(trace);
    queue.Push(Event(CtrlStatus, 1));
    EXPECT_LE(queue.Bytes(), 20000u);
    EXPECT_GE(queue.Dropped(), 5u);
    EXPECT_LT(queue.Size(), 6u);

    CtrlPacket out;
    std::fill(std::begin(out.data), std::end(out.data), std::uint8_t(0xEE));
    ASSERT_TRUE(queue.Pop(out));
    EXPECT_EQ(out.length, 4000);
    EXPECT_EQ(out.data[0], 7);
    EXPECT_EQ(out.data[3999], 9);
    EXPECT_EQ(out.data[4000], 0) << "nothing of an earlier packet stays behind";
}

TEST(ResultQueue, BatchesMoveInAndOutInOrderUnderTheSameBound) {
    ResultQueue queue(4);
    queue.Push(Event(CtrlStatus, 1));
    queue.Push(Event(CtrlGsmTrace, 2));
    ResultQueue::Batch incoming;
    const std::uint8_t bytes[] = {3, 0xEE};
    incoming.Add(CtrlBytesReceived, bytes, 2);
    incoming.Add(Event(CtrlSimSwitch, 4));
    incoming.Add(Event(CtrlDeviceTrace, 5));  // drops 2, the oldest traffic
    incoming.Add(Event(CtrlErrorReply, 6));   // drops 3, taken in with the same batch
    queue.Push(incoming);
    EXPECT_TRUE(incoming.Empty());
    EXPECT_EQ(queue.Dropped(), 2u);
    const std::size_t heldBefore = queue.Bytes();

    ResultQueue::Batch taken;
    queue.Take(taken, 3);
    EXPECT_EQ(queue.Size(), 1u);
    EXPECT_LT(queue.Bytes(), heldBefore);
    queue.Push(Event(CtrlBytesSent, 7));  // traffic taken out no longer gives way
    queue.Push(Event(CtrlBytesSent, 8));
    queue.Push(Event(CtrlBytesSent, 9));
    queue.Push(Event(CtrlBytesSent, 10));  // drops 7
    EXPECT_EQ(queue.Dropped(), 3u);
    std::vector<std::pair<int, int>> out;
    for (CtrlPacket event; taken.Pop(event);) out.emplace_back(event.code, event.data[0]);
    EXPECT_EQ(out, (std::vector<std::pair<int, int>>{{12, 1}, {5, 4}, {211, 5}}));
    EXPECT_EQ(Drain(queue),
              (std::vector<std::pair<int, int>>{{255, 6}, {250, 8}, {250, 9}, {250, 10}}));
    EXPECT_EQ(queue.Bytes(), 0u);
}

}  // namespace
}  // namespace gsmprog
