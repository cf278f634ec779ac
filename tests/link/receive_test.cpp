// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The polled receive: what a poll takes as one reply, and long replies that must not block
// the line.

#include <gtest/gtest.h>

#include <cstring>

#include "link/receive.h"
#include "support/scripted_cable.h"

namespace gsmprog::test {
namespace {

struct ReceiveTest : ::testing::Test {
    ScriptedCable cable;
    CableHandle handle = 0;
    std::uint8_t buffer[ReceiveCapacity + 8];
    std::uint32_t received = 99;
    void SetUp() override {
        ASSERT_EQ(cable.OpenEx("FT000001", &handle), CableOk);
        std::memset(buffer, 0xEE, sizeof buffer);
    }
};

TEST_F(ReceiveTest, TakesEverythingQueuedAndLeavesAZeroAfterIt) {
    cable.Deliver(ToBytes("READY"));
    EXPECT_EQ(Receive(cable, handle, buffer, ReceiveCapacity, received), CableOk);
    EXPECT_EQ(received, 5u);
    EXPECT_STREQ(reinterpret_cast<char*>(buffer), "READY");
    EXPECT_EQ(buffer[ReceiveCapacity - 1], 0);
    EXPECT_EQ(buffer[ReceiveCapacity], 0xEE);  // never past the capacity
    EXPECT_EQ(cable.Events().back().args, (std::vector<std::uint32_t>{5}));
}

TEST(ReplyCutShort, StrictBeginningsOfWordsAndFramesShortOfTheirLength) {
    const auto cut = [](const Bytes& reply) {
        return IsReplyCutShort(reply.data(), std::uint32_t(reply.size()));
    };
    for (const char* beginning : {"N", "NE", "NEX", "R", "REA", "READ", "READYNE", "O", "ERRO"})
        EXPECT_TRUE(cut(ToBytes(beginning))) << beginning;
    // Whole words ("READY" may be followed by "NEXT" as a reply of its own), other text, nothing.
    for (const char* whole :
         {"", "READY", "READYNEXT", "NEXT", "OK", "ERROR", "NEXTX", "XT", "RX", "ready"})
        EXPECT_FALSE(cut(ToBytes(whole))) << whole;
    EXPECT_TRUE(cut({0x3A}));
    EXPECT_TRUE(cut({0x3A, 0x03, 0x01, 0x02, 0x03}));
    EXPECT_FALSE(cut({0x3A, 0x03, 0x01, 0x02, 0x03, 0xBD}));
    EXPECT_FALSE(cut({0x3A, 0x00, 0xC6}));
    EXPECT_FALSE(cut({0x3A, 36, 0x00}));  // no frame is that long: nothing to wait for
}

TEST_F(ReceiveTest, NothingQueuedReadsNothing) {
    EXPECT_EQ(Receive(cable, handle, buffer, ReceiveCapacity, received), CableOk);
    EXPECT_EQ(received, 0u);
    EXPECT_EQ(cable.CountOf(CableCall::Read), 0);
}

TEST_F(ReceiveTest, AReplyOf100BytesOrMoreIsNotTakenButDrainedSoTheNextReplyIsSeen) {
    for (std::uint32_t size : {100u, 150u, 1000u}) {
        cable.Deliver(Bytes(size, 'x'));
        EXPECT_EQ(Receive(cable, handle, buffer, ReceiveCapacity, received), CableOk);
        EXPECT_EQ(received, size);
        for (std::uint32_t i = 0; i < ReceiveCapacity; ++i) ASSERT_EQ(buffer[i], 0) << i;
        cable.Deliver(ToBytes("NEXT"));
        EXPECT_EQ(Receive(cable, handle, buffer, ReceiveCapacity, received), CableOk);
        EXPECT_EQ(received, 4u);
        EXPECT_STREQ(reinterpret_cast<char*>(buffer), "NEXT");
    }
}

TEST_F(ReceiveTest, ReturnsTheStatusOfTheLastCallMade) {
    cable.Inject(Fault::CallFails(CableCall::GetStatus, CableIoError, 1));
    EXPECT_EQ(Receive(cable, handle, buffer, ReceiveCapacity, received), CableIoError);
    cable.Deliver(ToBytes("OK"));
    cable.Inject(Fault::CallFails(CableCall::Read, CableOtherError, 1));
    EXPECT_EQ(Receive(cable, handle, buffer, ReceiveCapacity, received), CableOtherError);
    EXPECT_EQ(received, 2u);
}

}  // namespace
}  // namespace gsmprog::test
