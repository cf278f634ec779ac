// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The object-device exchange of FTDI_UoProgCtrl on a scripted cable in virtual time.

#include <gtest/gtest.h>

#include "link/exchange_support.h"
#include "link/ftdi_uo_prog_ctrl.h"

namespace gsmprog::test {
namespace {

struct UoExchange : ::testing::Test, Rig<FTDI_UoProgCtrl> {
    UoCommand command = [] {
        CardRecord card{};
        card.UoLineAddress[1] = 9;
        card.UoGuardCords[1] = 3;
        return BuildUoCommand(card, 1, 0x55, 0xAA);
    }();
    Bytes commandBytes{command.begin(), command.end()};
    Bytes answer = [this] {
        const auto a = UoAnswerFor(command);
        return Bytes(a.begin(), a.end());
    }();

    void SetUp() override { cable.Reply(ToBytes("PROG_GSMA"), ToBytes("READY")); }
    LinkResult Run() { return Rig::Run(commandBytes); }
};

TEST_F(UoExchange, SetsTheBaudRateAgainThenAttentionThenTheWholeCommand) {
    cable.Reply(commandBytes, answer);
    cable.Inject(Fault::CallFails(CableCall::SetBaudRate, CableIoError, 2));  // ignored
    EXPECT_EQ(Run(), LinkDone);
    const auto events = cable.Events();
    std::vector<CableCall> afterOpen;
    for (std::size_t i = 7; i < events.size(); ++i) afterOpen.push_back(events[i].call);
    ASSERT_GE(afterOpen.size(), 3u);
    EXPECT_EQ(afterOpen[0], CableCall::SetBaudRate);
    EXPECT_EQ(events[7].args, (std::vector<std::uint32_t>{115200}));
    EXPECT_EQ(cable.Writes(), (std::vector<Bytes>{ToBytes("PROG_GSMA"), commandBytes}));
    EXPECT_EQ(clock.Sleeps(), (std::vector<std::uint32_t>{200, 100}));
}

TEST_F(UoExchange, AnswersWithBadCrcOrWrongEchoAreDeviceFailures) {
    Bytes badCrc = answer;
    badCrc[3] ^= 0x10;
    cable.Reply(commandBytes, badCrc);
    EXPECT_EQ(Run(), LinkDeviceFailure);

    // The right CRC over another pair.
    Rig<FTDI_UoProgCtrl> other;
    other.cable.Reply(ToBytes("PROG_GSMA"), ToBytes("READY"));
    UoCommand different = command;
    different[8] ^= 0xFF;
    const auto wrongEcho = UoAnswerFor(different);
    other.cable.Reply(commandBytes, Bytes(wrongEcho.begin(), wrongEcho.end()));
    EXPECT_EQ(other.Run(commandBytes), LinkDeviceFailure);
    EXPECT_EQ(other.cable.Writes().size(), 2u);  // the device is not asked again
}

// The answer in two pieces 15 ms apart, the first just before a poll.
TEST_F(UoExchange, AnAnswerCut15msApartIsTakenWhole) {
    cable.OnWrite([this](const Bytes& written) {
        if (written == commandBytes) DeliverCut(cable, answer, 15, 95);
    });
    clock.OnSleep([this](std::uint64_t now) {
        if (now > 10000) link.Stop();
    });
    EXPECT_EQ(Run(), LinkDone);
    EXPECT_EQ(cable.Writes().size(), 2u);
}

TEST_F(UoExchange, AnswersOfThreeOrFiveBytesAreIgnored) {
    cable.OnWrite([this](const Bytes& written) {
        if (written != commandBytes) return;
        cable.Deliver(Bytes{1, 2, 3}, 150);
        Bytes five = answer;
        five.push_back(0);
        cable.Deliver(five, 350);
    });
    clock.OnSleep([this](std::uint64_t now) {
        if (now > 1000) link.Stop();
    });
    EXPECT_EQ(Run(), LinkStopped);
}

TEST_F(UoExchange, ASilentDeviceGetsTheCommandAgainAfter71PollsUntilStopped) {
    clock.OnSleep([this](std::uint64_t now) {
        if (now >= 200 + 3 * 7100 + 100) link.Stop();
    });
    EXPECT_EQ(Run(), LinkStopped);
    EXPECT_EQ(WriteTimes(cable, commandBytes),
              (std::vector<std::uint64_t>{200, 200 + 7100, 200 + 2 * 7100, 200 + 3 * 7100}));
    // 70 polls between two writes: the 71st wake-up writes instead of polling. The stop
    // comes during a sleep, so that attempt still polls once.
    EXPECT_EQ(cable.CountOf(CableCall::GetStatus), 1 + 3 * 70 + 1);
}

TEST_F(UoExchange, AShortCommandWriteIsACableFailure) {
    cable.Inject(Fault::ShortWrite(2, 9));
    EXPECT_EQ(Run(), LinkCableFailure);
}

}  // namespace
}  // namespace gsmprog::test
