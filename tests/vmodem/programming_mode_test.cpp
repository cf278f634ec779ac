// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The modem side of the programming protocol, driven in-process: replies byte for byte,
// the image kept and served back, and every fault switch.

#include <gtest/gtest.h>

#include <cstring>

#include "link/checksums.h"
#include "vmodem/default_image.h"
#include "vmodem/mode_dispatch.h"
#include "link/modem_image.h"
#include "vmodem/programming_mode.h"
#include "vmodem/recording_line.h"
#include "support/sample_image.h"
#include "support/test_frames.h"

namespace gsmprog::vmodem {
namespace {

using test::Frame;
const Bytes& EndFrame = test::EndFrameBytes;

using test::SampleImage;

class Modem {
public:
    explicit Modem(std::vector<std::string> args = {}) {
        std::vector<OptionDefinition> definitions;
        for (const auto& mode : RegisteredModes())
            definitions.insert(definitions.end(), mode.options.begin(), mode.options.end());
        std::string error;
        options_ = *ParseOptions(args, definitions, error);
        dispatcher_ = std::make_unique<ModeDispatcher>(RegisteredModes(), options_, memory, line);
    }
    std::vector<Bytes> Send(const Bytes& bytes, std::uint64_t nowMs = 0) {
        dispatcher_->Feed(bytes, nowMs);
        return line.Take();
    }
    std::vector<Bytes> Send(const char* word) { return Send(Word(word)); }
    std::vector<Bytes> TickAt(std::uint64_t nowMs) {
        dispatcher_->Tick(nowMs);
        return line.Take();
    }
    // Sends the image in 32-byte frames after "WRITE"; returns every reply after "WRITE".
    std::vector<Bytes> WriteImage(const Bytes& image) {
        Send("PROG_GSMA");
        std::vector<Bytes> replies = Send("WRITE");
        for (auto& r : TickAt(1000)) replies.push_back(r);
        for (std::size_t p = 0; p < image.size(); p += 32) {
            const auto n = std::min<std::size_t>(32, image.size() - p);
            for (auto& r : Send(Frame(Bytes(image.begin() + p, image.begin() + p + n))))
                replies.push_back(r);
        }
        for (auto& r : Send(EndFrame)) replies.push_back(r);
        return replies;
    }
    // "READ" and then "NEXT" until the end frame (or silence); the data of the blocks.
    Bytes ReadImage(std::vector<Bytes>* frames = nullptr) {
        Send("PROG_GSMA");
        EXPECT_EQ(Send("READ"), std::vector<Bytes>{Word("READY")});
        Bytes data;
        for (int i = 0; i < 400; ++i) {
            const auto replies = Send("NEXT");
            if (replies.empty() || replies[0] == EndFrame) break;
            if (frames) frames->push_back(replies[0]);
            data.insert(data.end(), replies[0].begin() + 2, replies[0].end() - 1);
        }
        Send("OK");
        return data;
    }

    ModemMemory memory;
    RecordingLine line;

private:
    VmodemOptions options_;
    std::unique_ptr<ModeDispatcher> dispatcher_;
};

TEST(ProgrammingWrite, ReadyThenNextAfterAPauseThenNextPerFrameThenOk) {
    Modem modem;
    EXPECT_EQ(modem.Send("PROG_GSMA"), std::vector<Bytes>{Word("READY")});
    EXPECT_EQ(modem.Send(Word("WRITE"), 100), std::vector<Bytes>{Word("READY")});
    // The first "NEXT" must not travel together with "READY".
    EXPECT_TRUE(modem.TickAt(105).empty());
    EXPECT_EQ(modem.TickAt(115), std::vector<Bytes>{Word("NEXT")});
    EXPECT_TRUE(modem.TickAt(200).empty());

    const Bytes image = SampleImage(1);
    for (std::size_t p = 0; p < image.size(); p += 32) {
        const auto n = std::min<std::size_t>(32, image.size() - p);
        EXPECT_EQ(modem.Send(Frame(Bytes(image.begin() + p, image.begin() + p + n))),
                  std::vector<Bytes>{Word("NEXT")});
    }
    EXPECT_EQ(modem.Send(EndFrame), std::vector<Bytes>{Word("OK")});
    EXPECT_EQ(modem.memory.Image(), image);
}

TEST(ProgrammingWrite, FrameSplitAcrossReadsIsAwaited) {
    Modem modem({"--ready-next"});
    modem.Send("PROG_GSMA");
    EXPECT_EQ(modem.Send("WRITE"), std::vector<Bytes>{Word("READYNEXT")});
    const Bytes frame = Frame(Bytes(32, 0x3A));
    EXPECT_TRUE(modem.Send(Bytes(frame.begin(), frame.begin() + 20)).empty());
    EXPECT_EQ(modem.Send(Bytes(frame.begin() + 20, frame.end())), std::vector<Bytes>{Word("NEXT")});
}

TEST(ProgrammingWrite, BadImagesAndBadFramesAreRefused) {
    Bytes image = SampleImage(0);
    image[100] ^= 1;  // CRC no longer 0
    Modem badCrc;
    EXPECT_EQ(badCrc.WriteImage(image).back(), Word("ERROR"));
    EXPECT_FALSE(badCrc.memory.HasImage());

    Modem badLength;
    EXPECT_EQ(badLength.WriteImage(Bytes(64, 0)).back(), Word("ERROR"));

    Modem badCheck;
    badCheck.Send("PROG_GSMA");
    badCheck.Send("WRITE");
    Bytes frame = Frame(Bytes(32, 1));
    frame.back() ^= 0xFF;
    EXPECT_EQ(badCheck.Send(frame), std::vector<Bytes>{Word("ERROR")});
}

TEST(ProgrammingRead, ServesTheWrittenImageInBlocksOf32ThenTheEndFrame) {
    for (int variant : {0, 1}) {
        Modem modem;
        const Bytes image = SampleImage(variant);
        ASSERT_EQ(modem.WriteImage(image).back(), Word("OK"));
        std::vector<Bytes> frames;
        EXPECT_EQ(modem.ReadImage(&frames), image);
        ASSERT_EQ(frames.size(), variant ? 14u : 10u);
        EXPECT_EQ(frames.front()[1], 32);
        EXPECT_EQ(frames.back()[1], 28);
        for (const auto& frame : frames) EXPECT_EQ(NegatedSum8(frame.data(), frame.size()), 0);
    }
}

TEST(ProgrammingRead, BeforeAnyWriteServesTheDefaultImageOfTheChosenSize) {
    EXPECT_EQ(Modem().ReadImage(), DefaultImage(1));
    EXPECT_EQ(Modem({"--short-image"}).ReadImage(), DefaultImage(0));
    EXPECT_EQ(DefaultImage(0).size(), 316u);
    EXPECT_EQ(Crc16(DefaultImage(0).data(), 316), 0);
    EXPECT_EQ(Crc16(DefaultImage(1).data(), 444), 0);
}

TEST(ProgrammingDevice, VersionFrameAndDeviceCommandAnswer) {
    Modem modem({"--device-version", "1.2.3"});
    modem.Send("PROG_GSMA");
    EXPECT_EQ(modem.Send("DEVICE"), (std::vector<Bytes>{{0x3A, 0x03, 0x01, 0x02, 0x03, 0xBD}}));

    CardRecord card{};
    card.UoLineAddress[2] = 7;
    card.UoGuardCords[2] = 0x3F;
    const UoCommand command = BuildUoCommand(card, 2, 0x11, 0x22);
    const auto answer = modem.Send(Bytes(command.begin(), command.end()));
    ASSERT_EQ(answer.size(), 1u);
    ASSERT_EQ(answer[0].size(), 4u);
    EXPECT_EQ(answer[0][0], command[8]);
    EXPECT_EQ(answer[0][1], command[9]);
    EXPECT_EQ(Crc16(answer[0].data(), 4), 0);

    UoCommand broken = command;
    broken[5] ^= 1;
    EXPECT_TRUE(modem.Send(Bytes(broken.begin(), broken.end())).empty());
}

TEST(ProgrammingFaultSwitches, ErrorInEachPhase) {
    EXPECT_EQ(Modem({"--error-in", "attention"}).Send("PROG_GSMA"),
              std::vector<Bytes>{Word("ERROR")});
    EXPECT_EQ(Modem({"--error-in", "write"}).WriteImage(SampleImage(1)).front(), Word("ERROR"));
    const auto block = Modem({"--error-in", "block"}).WriteImage(SampleImage(1));
    EXPECT_EQ(block[2], Word("ERROR"));  // READY, NEXT, then the first frame is refused
    EXPECT_EQ(Modem({"--error-in", "image"}).WriteImage(SampleImage(1)).back(), Word("ERROR"));

    Modem device({"--error-in", "device"});
    device.Send("PROG_GSMA");
    EXPECT_EQ(device.Send("DEVICE"), std::vector<Bytes>{Word("ERROR")});

    Modem read({"--error-in", "read"});
    read.Send("PROG_GSMA");
    EXPECT_EQ(read.Send("READ"), std::vector<Bytes>{Word("ERROR")});

    Modem readBlock({"--error-in", "readblock"});
    readBlock.Send("PROG_GSMA");
    readBlock.Send("READ");
    EXPECT_EQ(readBlock.Send("NEXT"), std::vector<Bytes>{Word("ERROR")});
}

TEST(ProgrammingFaultSwitches, SilentAfterBlockK) {
    Modem write({"--silent-after-block", "2", "--ready-next"});
    const auto replies = write.WriteImage(SampleImage(1));
    EXPECT_EQ(replies, (std::vector<Bytes>{Word("READYNEXT"), Word("NEXT"), Word("NEXT")}));

    Modem read({"--silent-after-block", "3"});
    std::vector<Bytes> frames;
    read.ReadImage(&frames);
    EXPECT_EQ(frames.size(), 3u);
}

TEST(ProgrammingFaultSwitches, BadValuesAreRefusedAtStart) {
    std::string error;
    ProgrammingFaults faults;
    VmodemOptions options;
    options.Set("error-in", "nowhere");
    EXPECT_FALSE(ParseProgrammingFaults(options, faults, error));
    VmodemOptions version;
    version.Set("device-version", "1.2");
    EXPECT_FALSE(ParseProgrammingFaults(version, faults, error));
    version.Set("device-version", "1.2.300");
    EXPECT_FALSE(ParseProgrammingFaults(version, faults, error));
}

}  // namespace
}  // namespace gsmprog::vmodem
