// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The virtual modem's control mode, byte for byte: the handshake and its faults, the two
// requests and their replies, error replies, and the traffic it sends unasked.

#include <gtest/gtest.h>

#include "link/checksums.h"
#include "vmodem/mode_dispatch.h"
#include "vmodem/recording_line.h"

namespace gsmprog::vmodem {
namespace {

const Bytes StatusRequest{0x51, 0x0C, 0xA3};
const Bytes SimRequest{0x51, 0x05, 0xAA};

struct ControlModem : ::testing::Test {
    VmodemOptions options;
    ModemMemory memory;
    RecordingLine line;
    std::unique_ptr<ModeDispatcher> dispatcher;

    void Start(std::vector<std::pair<std::string, std::string>> switches = {}) {
        for (const auto& [name, value] : switches) options.Set(name, value);
        std::string error;
        for (const auto& mode : RegisteredModes()) {
            if (mode.validate) {
                ASSERT_TRUE(mode.validate(options, error)) << error;
            }
        }
        dispatcher = std::make_unique<ModeDispatcher>(RegisteredModes(), options, memory, line);
    }
    void Feed(const Bytes& bytes, std::uint64_t nowMs = 0) { dispatcher->Feed(bytes, nowMs); }
    void Handshake(std::uint64_t nowMs = 0) { Feed(Word("CTRL_SETUP_GSMA"), nowMs); }
};

bool ChecksumHolds(const Bytes& frame) {
    return NegatedSum8(frame.data(), frame.size() - 1) == frame.back();
}

TEST_F(ControlModem, AnswersStatusAndSwitchesSim) {
    Start();
    Handshake();
    EXPECT_EQ(line.Take(), std::vector<Bytes>{Word("READY")});
    Feed(StatusRequest);
    // SIM 1, 4100, 4200 and 12000 mV.
    EXPECT_EQ(line.Take(),
              (std::vector<Bytes>{{0xAE, 0x0C, 0x00, 0x04, 0x10, 0x68, 0x10, 0xE0, 0x2E, 0xAC}}));
    Feed(SimRequest);
    EXPECT_EQ(line.Take(), (std::vector<Bytes>{{0xAE, 0x05, 0x4D}}));
    Feed(StatusRequest);
    const auto replies = line.Take();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0][2], 0x80);  // now SIM 2
    EXPECT_TRUE(ChecksumHolds(replies[0]));
}

TEST_F(ControlModem, StatusValuesComeFromTheSwitches) {
    Start({{"status-byte", "128"}, {"bat-off", "3600"}, {"bat-on", "3700"}, {"supply", "11820"}});
    Handshake();
    line.Take();
    Feed(StatusRequest);
    EXPECT_EQ(line.Take(),
              (std::vector<Bytes>{{0xAE, 0x0C, 0x80, 0x10, 0x0E, 0x74, 0x0E, 0x2C, 0x2E, 0xCC}}));
}

TEST_F(ControlModem, BadRequestsGetErrorReplies) {
    Start();
    Handshake();
    line.Take();
    Feed({0x51, 0x07, 0xA8});  // no such code
    Feed({0x51, 0x0C, 0xA4});  // wrong checksum
    EXPECT_EQ(line.Take(),
              (std::vector<Bytes>{{0xAE, 0xFF, 0x01, 0x52}, {0xAE, 0xFF, 0x00, 0x53}}));
    const Bytes badPacket{0xAE, 0xFF, 0x00, 0x53};
    // A wrong header is answered once for the whole packet, however it arrives; a packet
    // after a pause is a new one.
    Feed({0x52, 0x0C}, 1000);
    Feed({0xA2}, 1010);
    Feed({0x00}, 1100);
    EXPECT_EQ(line.Take(), (std::vector<Bytes>{badPacket, badPacket}));
    // A packet one byte too long: its checksum does not hold, its last byte goes unanswered.
    Feed({0x51, 0x0C, 0x00, 0xA3}, 2000);
    EXPECT_EQ(line.Take(), std::vector<Bytes>{badPacket});
    // A request cut short: once the line has paused it is answered as too short, and the
    // request after it is answered as usual; its rest, coming without a pause, completes it.
    Feed({0x51, 0x0C}, 2500);
    Feed(StatusRequest, 2600);
    Feed({0x51}, 2700);
    Feed({0x05, 0xAA}, 2720);
    auto answers = line.Take();
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_EQ(answers[0], badPacket);
    EXPECT_EQ(answers[1][1], 0x0C);
    EXPECT_EQ(answers[2], (Bytes{0xAE, 0x05, 0x4D}));
    // Neither hides the handshake or a request that follows at once.
    Bytes garbageThenHandshake = Word("CTRL_SETUP_GSMA");
    garbageThenHandshake.insert(garbageThenHandshake.begin(), 0x13);
    Feed(garbageThenHandshake, 3000);
    Feed(StatusRequest, 3001);
    const auto replies = line.Take();
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[0], badPacket);
    EXPECT_EQ(replies[1], Word("READY"));
    EXPECT_EQ(replies[2][1], 0x0C);
}

TEST_F(ControlModem, HandshakeFaults) {
    Start({{"ctrl-refuse", "1"}, {"ctrl-ready-crlf", "1"}});
    Handshake();
    Feed(StatusRequest);  // outside control mode: ignored
    Handshake();
    Handshake();
    EXPECT_EQ(line.Take(), (std::vector<Bytes>{Word("ERROR"), Word("READY\r\n"), Word("READY")}));
}

TEST_F(ControlModem, ReplyFaults) {
    Start({{"ctrl-bad-checksum", ""}});
    Handshake();
    line.Take();
    Feed(SimRequest);
    EXPECT_EQ(line.Take(), (std::vector<Bytes>{{0xAE, 0x05, 0x4E}}));

    options = {};
    Start({{"ctrl-error-reply", "2"}});
    Handshake();
    line.Take();
    Feed(StatusRequest);
    EXPECT_EQ(line.Take(), (std::vector<Bytes>{{0xAE, 0xFF, 0x02, 0x51}}));

    options = {};
    Start({{"ctrl-silent", ""}});
    Handshake();
    line.Take();
    Feed(StatusRequest);
    Feed(SimRequest);
    EXPECT_TRUE(line.Take().empty());
}

TEST_F(ControlModem, RefusesSwitchesOutOfRange) {
    std::string error;
    options.Set("traces", "-1");
    bool refused = false;
    for (const auto& mode : RegisteredModes())
        if (mode.validate && !mode.validate(options, error)) refused = true;
    EXPECT_TRUE(refused);
    EXPECT_EQ(error, "--traces должно быть от 0 до 10000");
}

TEST_F(ControlModem, SendsTracesAndNotificationsOnlyInControlModeAfterAQuietSpell) {
    Start({{"traces", "10"}, {"ibutton-every", "1"}, {"outputs-every", "2"}});
    dispatcher->Tick(5000);
    EXPECT_TRUE(line.Take().empty());  // not in control mode yet
    Handshake(10000);
    line.Take();
    dispatcher->Tick(10399);
    EXPECT_TRUE(line.Take().empty());  // "READY" stays alone on the line for a while
    dispatcher->Tick(10400 + 1000);
    const auto sent = line.Take();
    // Ten traces in a second, GSM and device in turn, then the iButton key.
    ASSERT_EQ(sent.size(), 11u);
    EXPECT_EQ(sent[0], (Bytes{0xAE, 0xD2, 0x01, 0x06, 'A', 'T', '+', 'C', 'S', 'Q', 0x00,
                              static_cast<std::uint8_t>(sent[0].back())}));
    EXPECT_EQ(sent[1], (Bytes{0xAE, 0xD3, 0x01, 0x03, 0x01, 0x10, 0x00,
                              static_cast<std::uint8_t>(sent[1].back())}));
    for (const auto& frame : sent) EXPECT_TRUE(ChecksumHolds(frame));
    EXPECT_EQ(sent[10].size(), 11u);
    EXPECT_EQ(sent[10][1], 0x03);
    dispatcher->Tick(10400 + 2000);
    const auto next = line.Take();
    ASSERT_EQ(next.size(), 12u);
    EXPECT_EQ(next[11], (Bytes{0xAE, 0x0D, 0x45}));
}

}  // namespace
}  // namespace gsmprog::vmodem
