// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The read exchange of FTDI_ReadCtrl on a scripted cable in virtual time.

#include <gtest/gtest.h>

#include "link/exchange_support.h"
#include "link/ftdi_read_ctrl.h"

namespace gsmprog::test {
namespace {

// A modem ready for "PROG_GSMA" and "READ" that answers each "NEXT" with the next of `blocks`,
// then with end frames.
struct ReadingModem {
    std::vector<Bytes> blocks;
    std::size_t served = 0;

    explicit ReadingModem(ScriptedCable& cable) {
        cable.Reply(ToBytes("PROG_GSMA"), ToBytes("READY"));
        cable.Reply(ToBytes("READ"), ToBytes("READY"));
        cable.OnWrite([this, &cable](const Bytes& written) {
            if (written != ToBytes("NEXT")) return;
            cable.Deliver(served < blocks.size() ? blocks[served] : EndFrame);
            ++served;
        });
    }
    void Serve(const Bytes& image) {
        blocks = FramesOf(image);
        blocks.pop_back();
    }
};

struct ReadExchange : ::testing::Test, Rig<FTDI_ReadCtrl> {
    ReadingModem modem{cable};
    std::vector<Bytes>& blocks = modem.blocks;

    void Serve(const Bytes& image) { modem.Serve(image); }
    LinkResult Run() { return Rig::Run(); }
    void Version(const Bytes& reply, int times = -1) {
        cable.Reply(ToBytes("DEVICE"), reply, times);
    }
    Bytes DataRead() const { return Bytes(link.Data, link.Data + link.DataLen); }
};

TEST(ReadExchangeSizes, ReadsBothImageSizesWithTheVersion) {
    for (int variant : {0, 1}) {
        Rig<FTDI_ReadCtrl> rig;
        ReadingModem modem{rig.cable};
        const Bytes image = SampleImage(variant);
        modem.Serve(image);
        rig.cable.Reply(ToBytes("DEVICE"), Bytes{0x3A, 0x03, 0x01, 0x02, 0x03, 0xBD});
        ASSERT_EQ(rig.Run(), LinkDone);
        EXPECT_EQ(rig.link.Version, "1.2.3");
        EXPECT_EQ(Bytes(rig.link.Data, rig.link.Data + rig.link.DataLen), image);

        const std::size_t frames = modem.blocks.size() + 1;  // the blocks, then the end frame
        std::vector<Bytes> expected{ToBytes("PROG_GSMA"), ToBytes("DEVICE"), ToBytes("READ")};
        expected.insert(expected.end(), frames, ToBytes("NEXT"));
        expected.push_back(ToBytes("OK"));
        EXPECT_EQ(rig.cable.Writes(), expected);
        std::vector<std::uint32_t> sleeps{200, 500, 500};
        sleeps.insert(sleeps.end(), frames, 10);
        EXPECT_EQ(rig.clock.Sleeps(), sleeps);
    }
}

// A 1 ms cable behind a busy hub: every block reaches the host in two pieces 15 ms apart.
TEST_F(ReadExchange, BlocksCut15msApartAreTakenWhole) {
    const Bytes image = SampleImage(1);
    Serve(image);
    cable.OnWrite([this](const Bytes& written) {
        if (written != ToBytes("NEXT")) return;
        DeliverCut(cable, modem.served < blocks.size() ? blocks[modem.served] : EndFrame, 15);
        ++modem.served;
    });
    EXPECT_EQ(Run(), LinkDone);
    EXPECT_EQ(DataRead(), image);
    EXPECT_EQ(cable.Writes().back(), ToBytes("OK"));
}

TEST_F(ReadExchange, VersionQueryGivesUpAfterFourAttemptsAndTheReadGoesOn) {
    Version(ToBytes("ERROR"), 2);
    Version({}, 1);
    Version(Bytes{0x3A, 0x03, 0x01, 0x02, 0x03, 0xBE});  // wrong check byte
    Serve(SampleImage(1));
    EXPECT_EQ(Run(), LinkDone);
    EXPECT_EQ(link.Version, "Н/Д");
    EXPECT_EQ(WriteTimes(cable, ToBytes("DEVICE")),
              (std::vector<std::uint64_t>{200, 700, 1200, 1700}));
    EXPECT_EQ(DataRead(), SampleImage(1));
}

TEST(ReadExchangeVersion, OnlyAWholeSixByteVersionFrameIsTaken) {
    const std::vector<Bytes> refused = {
        {0x3A, 0x03, 0x01, 0x02, 0x03, 0xBD, 0x00},  // one byte too many
        {0x3A, 0x03, 0x01, 0x02, 0xBD},              // one byte too few
        {0x3A, 0x04, 0x01, 0x02, 0x03, 0xBC},        // not three data bytes
        {0x3B, 0x03, 0x01, 0x02, 0x03, 0xBC},        // not a block frame
    };
    for (const auto& reply : refused) {
        SCOPED_TRACE(::testing::PrintToString(reply));
        Rig<FTDI_ReadCtrl> rig;
        ReadingModem modem{rig.cable};
        modem.Serve(SampleImage(0));
        rig.cable.Reply(ToBytes("DEVICE"), reply);
        EXPECT_EQ(rig.Run(), LinkDone);
        EXPECT_EQ(rig.link.Version, "Н/Д");
        EXPECT_EQ(WriteTimes(rig.cable, ToBytes("DEVICE")).size(), 4u);
    }
}

TEST_F(ReadExchange, VersionBytesAreShownUnsigned) {
    Version(Bytes{0x3A, 0x03, 200, 0, 255, NegatedSum8(Bytes{0x3A, 0x03, 200, 0, 255}.data(), 5)});
    Serve(SampleImage(0));
    EXPECT_EQ(Run(), LinkDone);
    EXPECT_EQ(link.Version, "200.0.255");
}

TEST_F(ReadExchange, ReadCommandRepeatsEvery500msAndErrorEndsIt) {
    Rig<FTDI_ReadCtrl> rig;
    rig.cable.Reply(ToBytes("PROG_GSMA"), ToBytes("READY"));
    rig.cable.Reply(ToBytes("READ"), {}, 2);
    rig.cable.Reply(ToBytes("READ"), ToBytes("ERROR"));
    EXPECT_EQ(rig.Run(), LinkDeviceFailure);
    EXPECT_EQ(WriteTimes(rig.cable, ToBytes("READ")),
              (std::vector<std::uint64_t>{2200, 2700, 3200}));
    EXPECT_EQ(WriteTimes(rig.cable, ToBytes("ERROR")).size(), 0u);  // nothing told after the phase
}

TEST_F(ReadExchange, BadCheckByteSendsErrorKeepsBlocksSoFarAndLeavesDataLen) {
    const Bytes image = SampleImage(1);
    Serve(image);
    blocks[2].back() ^= 0x01;
    link.DataLen = 17;
    EXPECT_EQ(Run(), LinkDeviceFailure);
    EXPECT_EQ(cable.Writes().back(), ToBytes("ERROR"));
    EXPECT_EQ(link.DataLen, 17);
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 64, link.Data));
    EXPECT_EQ(link.Data[64], 0);
}

TEST_F(ReadExchange, BlockCutShortIsRefusedEvenWhenItsMissingZerosWouldPassTheCheck) {
    Serve(SampleImage(1));
    blocks[1] = {0x3A, 0x05, 0xC1};  // 5 bytes announced; 3A+05+C1 = 0x100, so zeros "check"
    link.DataLen = 17;
    EXPECT_EQ(Run(), LinkDeviceFailure);
    EXPECT_EQ(cable.Writes().back(), ToBytes("ERROR"));
    EXPECT_EQ(link.DataLen, 17);
    EXPECT_EQ(link.Data[32], 0);
}

TEST_F(ReadExchange, EndFrameWithMoreBytesIsNotTheEndAndAppendsNothing) {
    const Bytes image = SampleImage(0);
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
    EXPECT_EQ(modem.served, 129u);
    EXPECT_EQ(link.Data[4095], static_cast<std::uint8_t>(4095));
}

TEST_F(ReadExchange, FramesWith36OrMoreBytesAndOtherStartsAreIgnored) {
    const Bytes image = SampleImage(0);
    Serve(image);
    Bytes long36 = Frame(Bytes(36, 1));
    blocks.insert(blocks.begin(), long36);
    EXPECT_EQ(Run(), LinkDeviceFailure);  // ignored, then silence until the time-out
    EXPECT_EQ(link.DataLen, 0);

    Rig<FTDI_ReadCtrl> rig;
    rig.cable.Reply(ToBytes("PROG_GSMA"), ToBytes("READY"));
    rig.cable.Reply(ToBytes("READ"), ToBytes("READY"));
    rig.cable.Reply(ToBytes("NEXT"), Frame(Bytes(35, 2)), 1);
    rig.cable.Reply(ToBytes("NEXT"), EndFrame);
    EXPECT_EQ(rig.Run(), LinkDone);
    EXPECT_EQ(rig.link.DataLen, 35);
}

TEST_F(ReadExchange, StopInTheBlockPhaseTellsTheModemNothing) {
    Serve(SampleImage(1));
    cable.OnWrite([this](const Bytes& written) {
        if (written != ToBytes("NEXT")) return;
        if (++modem.served == 3) link.Stop();
        cable.Deliver(blocks[modem.served - 1]);
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

TEST(ReadExchangePolls, AFailedPollInAnyPhaseIsACableFailure) {
    // With an unanswered version query the polls are: 1 attention, 2 … 5 version, 6 read
    // command, 7 the first block.
    const std::pair<int, const char*> cases[] = {
        {1, "PROG_GSMA"}, {2, "DEVICE"}, {6, "READ"}, {7, "NEXT"}};
    for (const auto& [nth, lastWord] : cases) {
        SCOPED_TRACE(lastWord);
        Rig<FTDI_ReadCtrl> rig;
        ReadingModem modem{rig.cable};
        modem.Serve(SampleImage(1));
        rig.cable.Inject(Fault::CallFails(CableCall::GetStatus, CableIoError, nth));
        EXPECT_EQ(rig.Run(), LinkCableFailure);
        EXPECT_EQ(rig.cable.Writes().back(), ToBytes(lastWord));  // nothing told after the failure
    }
}

TEST(ReadExchangeWrites, OnlyAShortNextCountsAndTheClosingWordsAreNotChecked) {
    // A 316-byte read writes PROG_GSMA, DEVICE, READ, eleven times NEXT (ten blocks and the
    // end frame), then OK: writes 1, 2, 3, 4 … 14 and 15.
    struct Case {
        const char* name;
        int nth;
        bool fail;             // else short by one byte
        bool spoilThirdBlock;  // the read ends with "ERROR" as its last write
        LinkResult result;
    };
    const Case cases[] = {
        {"failed PROG_GSMA", 1, true, false, LinkCableFailure},
        {"short PROG_GSMA", 1, false, false, LinkDone},
        {"failed DEVICE", 2, true, false, LinkCableFailure},
        {"short DEVICE", 2, false, false, LinkDone},
        {"failed READ", 3, true, false, LinkCableFailure},
        {"short READ", 3, false, false, LinkDone},
        {"failed NEXT", 5, true, false, LinkCableFailure},
        {"short NEXT", 5, false, false, LinkCableFailure},
        {"failed OK", 15, true, false, LinkDone},
        {"short OK", 15, false, false, LinkDone},
        {"failed ERROR", 7, true, true, LinkDeviceFailure},
    };
    const Bytes image = SampleImage(0);
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        Rig<FTDI_ReadCtrl> rig;
        ReadingModem modem{rig.cable};
        modem.Serve(image);
        rig.cable.Reply(ToBytes("DEVICE"), Bytes{0x3A, 0x03, 0x01, 0x02, 0x03, 0xBD});
        if (test.spoilThirdBlock) modem.blocks[2].back() ^= 0x01;
        if (test.fail) rig.cable.Inject(Fault::CallFails(CableCall::Write, CableIoError, test.nth));
        else rig.cable.Inject(Fault::ShortWrite(test.nth, 1));
        EXPECT_EQ(rig.Run(), test.result);
        if (test.result == LinkDone) {
            EXPECT_EQ(rig.link.DataLen, 316);
            EXPECT_EQ(rig.link.Version, "1.2.3");
            EXPECT_EQ(rig.cable.Writes().back(), ToBytes("OK"));
        }
    }
}

}  // namespace
}  // namespace gsmprog::test
