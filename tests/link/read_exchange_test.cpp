// The read exchange of FTDI_ReadCtrl on a scripted cable in virtual time.

#include <gtest/gtest.h>

#include "exchange_support.h"
#include "ftdi_read_ctrl.h"

namespace gsmprog::test {
namespace {

struct ReadExchange : ::testing::Test {
    VirtualClock clock;
    ScriptedCable cable{&clock};
    FTDI_ReadCtrl link{cable, clock};
    std::vector<Bytes> blocks;   // served one per "NEXT", then the end frame
    std::size_t served = 0;

    void SetUp() override {
        cable.Reply(ToBytes("PROG_GSMA"), ToBytes("READY"));
        cable.Reply(ToBytes("READ"), ToBytes("READY"));
        cable.OnWrite([this](const Bytes& written) {
            if (written != ToBytes("NEXT")) return;
            cable.Deliver(served < blocks.size() ? blocks[served] : EndFrame);
            ++served;
        });
    }
    void Serve(const Bytes& image) {
        blocks = FramesOf(image);
        blocks.pop_back();
    }
    void Version(const Bytes& reply, int times = -1) {
        cable.Reply(ToBytes("DEVICE"), reply, times);
    }
    LinkResult Run() {
        EXPECT_EQ(link.Open(), CableOpened);
        return link.Start();
    }
    Bytes DataRead() const { return Bytes(link.Data, link.Data + link.DataLen); }
};

TEST_F(ReadExchange, ReadsBothImageSizesWithTheVersion) {
    for (int variant : {0, 1}) {
        VirtualClock c;
        ScriptedCable s{&c};
        FTDI_ReadCtrl read{s, c};
        const Bytes image = Image(variant);
        std::vector<Bytes> frames = FramesOf(image);
        std::size_t next = 0;
        s.Reply(ToBytes("PROG_GSMA"), ToBytes("READY"));
        s.Reply(ToBytes("DEVICE"), Bytes{0x3A, 0x03, 0x01, 0x02, 0x03, 0xBD});
        s.Reply(ToBytes("READ"), ToBytes("READY"));
        s.OnWrite([&](const Bytes& w) {
            if (w == ToBytes("NEXT")) s.Deliver(frames[next++]);
        });
        ASSERT_EQ(read.Open(), CableOpened);
        ASSERT_EQ(read.Start(), LinkDone);
        EXPECT_EQ(read.Version, "1.2.3");
        EXPECT_EQ(Bytes(read.Data, read.Data + read.DataLen), image);

        std::vector<Bytes> expected{ToBytes("PROG_GSMA"), ToBytes("DEVICE"), ToBytes("READ")};
        expected.insert(expected.end(), frames.size(), ToBytes("NEXT"));
        expected.push_back(ToBytes("OK"));
        EXPECT_EQ(s.Writes(), expected);
        std::vector<std::uint32_t> sleeps{200, 500, 500};
        sleeps.insert(sleeps.end(), frames.size(), 10);
        EXPECT_EQ(c.Sleeps(), sleeps);
    }
}

TEST_F(ReadExchange, VersionQueryGivesUpAfterFourAttemptsAndTheReadGoesOn) {
    Version(ToBytes("ERROR"), 2);
    Version({}, 1);
    Version(Bytes{0x3A, 0x03, 0x01, 0x02, 0x03, 0xBE});   // wrong check byte
    Serve(Image(1));
    EXPECT_EQ(Run(), LinkDone);
    EXPECT_EQ(link.Version, "Н/Д");
    EXPECT_EQ(WriteTimes(cable, ToBytes("DEVICE")),
              (std::vector<std::uint64_t>{200, 700, 1200, 1700}));
    EXPECT_EQ(DataRead(), Image(1));
}

TEST_F(ReadExchange, VersionBytesAreShownUnsigned) {
    Version(Bytes{0x3A, 0x03, 200, 0, 255, NegatedSum8(Bytes{0x3A, 0x03, 200, 0, 255}.data(), 5)});
    Serve(Image(0));
    EXPECT_EQ(Run(), LinkDone);
    EXPECT_EQ(link.Version, "200.0.255");
}

TEST_F(ReadExchange, ReadCommandRepeatsEvery500msAndErrorEndsIt) {
    VirtualClock c;
    ScriptedCable s{&c};
    FTDI_ReadCtrl read{s, c};
    s.Reply(ToBytes("PROG_GSMA"), ToBytes("READY"));
    s.Reply(ToBytes("READ"), {}, 2);
    s.Reply(ToBytes("READ"), ToBytes("ERROR"));
    ASSERT_EQ(read.Open(), CableOpened);
    EXPECT_EQ(read.Start(), LinkDeviceFailure);
    EXPECT_EQ(WriteTimes(s, ToBytes("READ")), (std::vector<std::uint64_t>{2200, 2700, 3200}));
    EXPECT_EQ(WriteTimes(s, ToBytes("ERROR")).size(), 0u);   // nothing told after the phase
}

TEST_F(ReadExchange, BadCheckByteSendsErrorKeepsBlocksSoFarAndLeavesDataLen) {
    const Bytes image = Image(1);
    Serve(image);
    blocks[2].back() ^= 0x01;
    link.DataLen = 17;
    EXPECT_EQ(Run(), LinkDeviceFailure);
    EXPECT_EQ(cable.Writes().back(), ToBytes("ERROR"));
    EXPECT_EQ(link.DataLen, 17);
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 64, link.Data));
    EXPECT_EQ(link.Data[64], 0);
}

TEST_F(ReadExchange, EndFrameWithMoreBytesIsNotTheEndAndAppendsNothing) {
    const Bytes image = Image(0);
    Serve(image);
    Bytes endPlus = EndFrame;
    endPlus.push_back(0x00);
    blocks.insert(blocks.begin() + 1, endPlus);
    EXPECT_EQ(Run(), LinkDone);
    EXPECT_EQ(DataRead(), image);
    EXPECT_EQ(WriteTimes(cable, ToBytes("NEXT")).size(), blocks.size() + 1);
}

TEST_F(ReadExchange, TextErrorInTheBlockPhaseIsIgnoredUntilTheTwoSecondTimeOut) {
    blocks = {ToBytes("ERROR")};
    EXPECT_EQ(Run(), LinkDeviceFailure);
    EXPECT_EQ(cable.Writes().back(), ToBytes("ERROR"));
    // NEXT, then 201 polls of 10 ms without a block ("more than 200").
    const auto nextAt = WriteTimes(cable, ToBytes("NEXT")).at(0);
    EXPECT_EQ(WriteTimes(cable, ToBytes("ERROR")).at(0), nextAt + 2010);
}

TEST_F(ReadExchange, ReadBackBeyond4096BytesIsRefused) {
    Bytes data(5000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
    Serve(data);
    EXPECT_EQ(Run(), LinkDeviceFailure);
    EXPECT_EQ(cable.Writes().back(), ToBytes("ERROR"));
    // 128 blocks of 32 fill exactly 4096 bytes; the 129th is refused.
    EXPECT_EQ(served, 129u);
    EXPECT_EQ(link.Data[4095], static_cast<std::uint8_t>(4095));
}

TEST_F(ReadExchange, FramesWith36OrMoreBytesAndOtherStartsAreIgnored) {
    const Bytes image = Image(0);
    Serve(image);
    Bytes long36 = Frame(Bytes(36, 1));
    blocks.insert(blocks.begin(), long36);
    EXPECT_EQ(Run(), LinkDeviceFailure);   // ignored, then silence until the time-out
    EXPECT_EQ(link.DataLen, 0);

    VirtualClock c;
    ScriptedCable s{&c};
    FTDI_ReadCtrl read{s, c};
    s.Reply(ToBytes("PROG_GSMA"), ToBytes("READY"));
    s.Reply(ToBytes("READ"), ToBytes("READY"));
    s.Reply(ToBytes("NEXT"), Frame(Bytes(35, 2)), 1);
    s.Reply(ToBytes("NEXT"), EndFrame);
    ASSERT_EQ(read.Open(), CableOpened);
    EXPECT_EQ(read.Start(), LinkDone);
    EXPECT_EQ(read.DataLen, 35);
}

TEST_F(ReadExchange, StopInTheBlockPhaseTellsTheModemNothing) {
    Serve(Image(1));
    cable.OnWrite([this](const Bytes& written) {
        if (written != ToBytes("NEXT")) return;
        if (++served == 3) link.Stop();
        cable.Deliver(blocks[served - 1]);
    });
    EXPECT_EQ(Run(), LinkStopped);
    EXPECT_EQ(cable.Writes().back(), ToBytes("NEXT"));
}

TEST_F(ReadExchange, StopDuringTheVersionQueryEndsAfterThatAttempt) {
    clock.OnSleep([this](std::uint64_t now) {
        if (now > 200) link.Stop();
    });
    EXPECT_EQ(Run(), LinkStopped);
    EXPECT_EQ(cable.Writes(), (std::vector<Bytes>{ToBytes("PROG_GSMA"), ToBytes("DEVICE")}));
}

TEST_F(ReadExchange, AFailedPollIsACableFailure) {
    cable.FailCall(CableCall::GetStatus, CableIoError, 3);   // the first block poll
    Serve(Image(1));
    EXPECT_EQ(Run(), LinkCableFailure);
}

}  // namespace
}  // namespace gsmprog::test
