// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The write exchange of FTDI_Controller on a scripted cable in virtual time: the bytes and
// frames sent, the sleeps between polls, the repeat and time-out counts, every outcome.

#include <gtest/gtest.h>

#include <thread>

#include "link/exchange_support.h"
#include "link/ftdi_controller.h"
#include "ops/link_outcome.h"

namespace gsmprog::test {
namespace {

// The modem enters programming mode and answers "WRITE" with `answer`.
void Answers(ScriptedCable& cable, const char* answer) {
    cable.Reply(ToBytes("PROG_GSMA"), ToBytes("READY"));
    cable.Reply(ToBytes("WRITE"), ToBytes(answer));
}

struct WriteExchange : ::testing::Test, Rig<FTDI_Controller> {
    Bytes image = SampleImage(0);

    // A modem that takes frames: "NEXT" for each data frame, "OK" for the end frame.
    void TakeFrames() {
        cable.OnWrite([this](const Bytes& written) {
            if (written.size() > 3 && written[0] == 0x3A) cable.Deliver(ToBytes("NEXT"));
            if (written == EndFrame) cable.Deliver(ToBytes("OK"));
        });
    }
    LinkResult Run() { return Rig::Run(image); }
};

TEST_F(WriteExchange, ReadyNextSendsTheFirstFrameAtOnceThenAFramePerNext) {
    Answers(cable, "READYNEXT");
    TakeFrames();
    EXPECT_EQ(Run(), LinkDone);

    std::vector<Bytes> expected{ToBytes("PROG_GSMA"), ToBytes("WRITE")};
    for (const auto& frame : FramesOf(image)) expected.push_back(frame);
    EXPECT_EQ(cable.Writes(), expected);
    // 316 bytes: nine frames of 32, one of 28, the end frame.
    ASSERT_EQ(expected.size(), 2u + 11u);
    EXPECT_EQ(expected[2].size(), 35u);
    EXPECT_EQ(expected[11].size(), 31u);
    EXPECT_EQ(expected[11][1], 28);
    // Attention 200 ms, one command poll, then one 10 ms sleep after each frame.
    std::vector<std::uint32_t> sleeps{200, 10};
    sleeps.insert(sleeps.end(), 11, 10);
    EXPECT_EQ(clock.Sleeps(), sleeps);
}

TEST_F(WriteExchange, ReadyWaitsForNextBeforeTheFirstFrame) {
    image = SampleImage(1);
    cable.Reply(ToBytes("PROG_GSMA"), ToBytes("READY"));
    cable.OnWrite([this](const Bytes& written) {
        if (written == ToBytes("WRITE")) {
            cable.Deliver(ToBytes("READY"));
            cable.Deliver(ToBytes("NEXT"), 55);
        } else if (written[0] == 0x3A) {
            cable.Deliver(ToBytes(written == EndFrame ? "OK" : "NEXT"));
        }
    });
    EXPECT_EQ(Run(), LinkDone);
    const auto writeAt = WriteTimes(cable, ToBytes("WRITE")).at(0);
    const auto firstFrameAt = WriteTimes(cable, FramesOf(image)[0]).at(0);
    EXPECT_GE(firstFrameAt, writeAt + 55);
    // 444 bytes: thirteen frames of 32, one of 28, the end frame.
    const auto writes = cable.Writes();
    ASSERT_EQ(writes.size(), 2u + 15u);
    EXPECT_EQ(writes[15][1], 28);
    EXPECT_EQ(writes[16], EndFrame);
}

TEST_F(WriteExchange, AttentionRepeatsEvery200msUntilReadyAndIgnoresOtherReplies) {
    cable.Reply(ToBytes("PROG_GSMA"), {}, 1);
    cable.Reply(ToBytes("PROG_GSMA"), ToBytes("READY\r\n"), 1);
    cable.Reply(ToBytes("PROG_GSMA"), Bytes{'R', 'E', 'A', 'D', 'Y', 0x00}, 1);
    Answers(cable, "READYNEXT");
    TakeFrames();
    EXPECT_EQ(Run(), LinkDone);
    EXPECT_EQ(WriteTimes(cable, ToBytes("PROG_GSMA")),
              (std::vector<std::uint64_t>{0, 200, 400, 600}));
}

TEST_F(WriteExchange, WriteIsRepeatedEvery51PollsUntilAnswered) {
    cable.Reply(ToBytes("PROG_GSMA"), ToBytes("READY"));
    cable.Reply(ToBytes("WRITE"), {}, 2);
    cable.Reply(ToBytes("WRITE"), ToBytes("READYNEXT"));
    TakeFrames();
    EXPECT_EQ(Run(), LinkDone);
    EXPECT_EQ(WriteTimes(cable, ToBytes("WRITE")), (std::vector<std::uint64_t>{200, 710, 1220}));
}

TEST_F(WriteExchange, ErrorInAnyPhaseIsDeviceFailure) {
    cable.Reply(ToBytes("PROG_GSMA"), ToBytes("ERROR"));
    EXPECT_EQ(Run(), LinkDeviceFailure);
    EXPECT_EQ(cable.Writes().size(), 1u);

    Rig<FTDI_Controller> command;
    Answers(command.cable, "ERROR");
    EXPECT_EQ(command.Run(image), LinkDeviceFailure);

    Rig<FTDI_Controller> block;
    Answers(block.cable, "READYNEXT");
    block.cable.OnWrite([&](const Bytes&) { block.cable.Deliver(ToBytes("ERROR")); });
    EXPECT_EQ(block.Run(image), LinkDeviceFailure);
    EXPECT_EQ(block.cable.Writes().size(), 3u);  // ended after the first frame
}

TEST_F(WriteExchange, SilenceAfterAFrameEndsAfter400PollsOf10ms) {
    Answers(cable, "READYNEXT");
    EXPECT_EQ(Run(), LinkDeviceFailure);
    const auto sleeps = clock.Sleeps();
    // 200 + one command poll + 401 idle polls after the frame: the time-out is "more than 400".
    ASSERT_EQ(sleeps.size(), 2u + 401u);
    EXPECT_EQ(clock.NowMs(), 200u + 10u + 4010u);
    // The frame's own iteration sleeps without polling; the other 400 poll first.
    EXPECT_EQ(cable.CountOf(CableCall::GetStatus), 1 + 1 + 400);
}

// The outcome tells after which block the modem fell silent; an "ERROR" is no silence.
TEST_F(WriteExchange, SilenceIsToldWithTheBlockItFollowed) {
    const auto silentAfter = [this](const char* writeAnswer, int answeredFrames) {
        Rig<FTDI_Controller> rig;
        Answers(rig.cable, writeAnswer);
        int frames = 0;
        rig.cable.OnWrite([&](const Bytes& written) {
            if (written[0] == 0x3A && ++frames <= answeredFrames)
                rig.cable.Deliver(ToBytes("NEXT"));
        });
        const LinkOutcome outcome =
            RunExchange(rig.link, {}, image.data(), std::int32_t(image.size()));
        EXPECT_EQ(outcome.result, LinkDeviceFailure);
        return SilenceText(outcome.silence);
    };
    EXPECT_EQ(silentAfter("READYNEXT", 3),
              "Модем перестал отвечать после блока 4 из 10: ответа на него нет.");
    EXPECT_EQ(silentAfter("READY", 0),
              "Модем перестал отвечать после READY: ни один блок образа не запрошен.");
    EXPECT_EQ(
        silentAfter("READYNEXT", 10),
        "Модем перестал отвечать после последнего блока: приняты все 10 блоков, запись не подтверждена.");

    Answers(cable, "READYNEXT");
    cable.OnWrite([this](const Bytes&) { cable.Deliver(ToBytes("ERROR")); });
    EXPECT_EQ(Run(), LinkDeviceFailure);
    EXPECT_FALSE(link.Silence.silent);
    EXPECT_EQ(SilenceText(link.Silence), "");
}

// A 1 ms cable behind a busy hub: every reply reaches the host in two pieces 15 ms apart.
TEST_F(WriteExchange, RepliesCut15msApartAreTakenWhole) {
    image = SampleImage(1);
    cable.OnWrite([this](const Bytes& written) {
        if (written == ToBytes("PROG_GSMA")) DeliverCut(cable, ToBytes("READY"), 15);
        else if (written == ToBytes("WRITE")) DeliverCut(cable, ToBytes("READYNEXT"), 15);
        else DeliverCut(cable, ToBytes(written == EndFrame ? "OK" : "NEXT"), 15);
    });
    clock.OnSleep([this](std::uint64_t now) {
        if (now > 60000) link.Stop();  // a fault would wait for ever: fail instead
    });
    EXPECT_EQ(Run(), LinkDone);
    std::vector<Bytes> expected{ToBytes("PROG_GSMA"), ToBytes("WRITE")};
    for (const auto& frame : FramesOf(image)) expected.push_back(frame);
    EXPECT_EQ(cable.Writes(), expected);
}

// The rest of a reply that never comes is waited for 50 ms, then the beginning is judged as
// it stands: the exchange ends as with a silent modem.
TEST_F(WriteExchange, ABeginningThatStaysCutIsJudgedAfter50ms) {
    Answers(cable, "READYNEXT");
    cable.OnWrite([this](const Bytes&) { cable.Deliver(ToBytes("NE")); });
    EXPECT_EQ(Run(), LinkDeviceFailure);
    const auto sleeps = clock.Sleeps();
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), CutReplyPollMs),
              CutReplyWaitMs / CutReplyPollMs);
    EXPECT_EQ(cable.Writes().size(), 3u);
    EXPECT_EQ(SilenceText(link.Silence),
              "Модем перестал отвечать после блока 1 из 10: ответа на него нет.");
}

TEST_F(WriteExchange, FurtherNextAfterTheDataGetsAnotherEndFrameAndOkEnds) {
    Answers(cable, "READYNEXT");
    int endFrames = 0;
    cable.OnWrite([&](const Bytes& written) {
        if (written == EndFrame && ++endFrames == 2) cable.Deliver(ToBytes("OK"));
        else cable.Deliver(ToBytes("NEXT"));
    });
    EXPECT_EQ(Run(), LinkDone);
    const auto writes = cable.Writes();
    EXPECT_EQ(writes[writes.size() - 1], EndFrame);
    EXPECT_EQ(writes[writes.size() - 2], EndFrame);
}

TEST_F(WriteExchange, CableFailuresAreResult1) {
    // A failed write of the attention word.
    cable.Inject(Fault::CallFails(CableCall::Write, CableIoError, 1));
    EXPECT_EQ(Run(), LinkCableFailure);

    // A short "WRITE" counts; a short "PROG_GSMA" does not.
    Rig<FTDI_Controller> shortWrite;
    shortWrite.cable.Reply(ToBytes("PROG_GSMA"), ToBytes("READY"));
    shortWrite.cable.Inject(Fault::ShortWrite(1, 3));
    shortWrite.cable.Inject(Fault::ShortWrite(3, 4));
    EXPECT_EQ(shortWrite.Run(image), LinkCableFailure);
    EXPECT_EQ(shortWrite.cable.Writes().size(), 3u);  // short PROG_GSMA, again, short WRITE

    // A failed poll, and a short frame.
    Rig<FTDI_Controller> poll;
    poll.cable.Inject(Fault::CallFails(CableCall::GetStatus, CableIoError, 1));
    EXPECT_EQ(poll.Run(image), LinkCableFailure);

    Rig<FTDI_Controller> frame;
    Answers(frame.cable, "READYNEXT");
    frame.cable.Inject(Fault::ShortWrite(3, 34));
    EXPECT_EQ(frame.Run(image), LinkCableFailure);
}

TEST_F(WriteExchange, StartWithoutAnOpenCableIsResult1AndTouchesNothing) {
    EXPECT_EQ(link.Start(), LinkCableFailure);
    EXPECT_TRUE(cable.Events().empty());
}

TEST_F(WriteExchange, OpenTakesOnlyAPayloadOfOneTo4095Bytes) {
    const Bytes big(4096, 7);
    ASSERT_EQ(link.Open(big.data(), 4096), CableOpened);
    EXPECT_EQ(link.DataLen, 0);
    FTDI_Controller second{cable, clock};
    EXPECT_EQ(second.Open(image.data(), 316), CableDriverFailure);  // the cable is taken
    EXPECT_EQ(second.DataLen, 0);
}

TEST_F(WriteExchange, AnOpenedLinkTakesItsPayloadWhenTheExchangeStarts) {
    Answers(cable, "READYNEXT");
    TakeFrames();
    ASSERT_EQ(link.Open(), CableOpened);
    const LinkOutcome outcome =
        RunOpenedExchange(link, CableOpened, image.data(), static_cast<std::int32_t>(image.size()));
    EXPECT_TRUE(outcome.Done());
    std::vector<Bytes> expected{ToBytes("PROG_GSMA"), ToBytes("WRITE")};
    for (const auto& frame : FramesOf(image)) expected.push_back(frame);
    EXPECT_EQ(cable.Writes(), expected);

    // A cable that did not open: the failure is the outcome, and nothing is sent.
    Rig<FTDI_Controller> unopened;
    const LinkOutcome failed = RunOpenedExchange(unopened.link, CableNotFound, image.data(),
                                                 static_cast<std::int32_t>(image.size()));
    EXPECT_EQ(failed.opened, CableNotFound);
    EXPECT_FALSE(failed.Done());
    EXPECT_TRUE(unopened.cable.Writes().empty());
}

TEST_F(WriteExchange, DestructionClosesTheCableOnce) {
    {
        FTDI_Controller scoped{cable, clock};
        ASSERT_EQ(scoped.Open(), CableOpened);
    }
    EXPECT_EQ(cable.CountOf(CableCall::Close), 1);
    EXPECT_FALSE(cable.IsOpen());
}

TEST_F(WriteExchange, StopBeforeStartEndsAtTheFirstTestWithoutSendingAnything) {
    ASSERT_EQ(link.Open(image.data(), 316), CableOpened);
    link.Stop();
    EXPECT_EQ(link.Start(), LinkStopped);
    EXPECT_TRUE(cable.Writes().empty());
}

TEST_F(WriteExchange, StopEndsEachPhaseWithinOneAttempt) {
    // Attention: the modem never answers; stop during the first sleep.
    clock.OnSleep([this](std::uint64_t) { link.Stop(); });
    EXPECT_EQ(Run(), LinkStopped);
    EXPECT_EQ(cable.Writes().size(), 1u);

    // Block phase: stop after the third frame.
    Rig<FTDI_Controller> blocks;
    Answers(blocks.cable, "READYNEXT");
    int frames = 0;
    blocks.cable.OnWrite([&](const Bytes&) {
        if (++frames == 3) blocks.link.Stop();
        blocks.cable.Deliver(ToBytes("NEXT"));
    });
    EXPECT_EQ(blocks.Run(image), LinkStopped);
    EXPECT_EQ(blocks.cable.Writes().size(), 2u + 3u);
}

TEST_F(WriteExchange, StopFromAnotherThreadEndsAnEndlessAttention) {
    ASSERT_EQ(link.Open(image.data(), 316), CableOpened);
    std::atomic<LinkResult> result{LinkDone};
    std::thread worker([&] { result = link.Start(); });
    while (cable.CountOf(CableCall::Write) < 3) std::this_thread::yield();
    link.Stop();
    worker.join();
    EXPECT_EQ(result, LinkStopped);
}

}  // namespace
}  // namespace gsmprog::test
