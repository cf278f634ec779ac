// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The programming link over the real cable against a misbehaving gsmprog-vmodem, a missing
// cable, a busy cable and a modem that goes away in the middle of an exchange.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "link/ftdi_read_ctrl.h"
#include "link/ftdi_uo_prog_ctrl.h"
#include "link/modem_image.h"
#include "ops/read_result.h"
#include "cable/serial_cable.h"
#include "support/vmodem_process.h"

namespace gsmprog::test {
namespace {

struct Outcome {
    LinkResult result;
    std::int32_t length;
    std::string version;
};

class FaultyModem {
public:
    explicit FaultyModem(std::vector<std::string> args) {
        VmodemSetup setup;
        setup.args = std::move(args);
        modem_ = std::make_unique<VmodemProcess>(setup);
        cable_ = std::make_unique<SerialCable>(modem_->CableDir());
    }
    bool Started() const { return modem_->Started(); }
    VmodemProcess& Modem() { return *modem_; }
    SerialCable& Cable() { return *cable_; }

    LinkResult Program(int variant = 1) {
        CardRecord card{};
        std::strcpy(card.NCardEdit, "42");
        const ModemImage image = BuildModemImage(card, variant);
        FTDI_Controller link{*cable_};
        if (link.Open(image.bytes.data(), static_cast<std::int32_t>(image.length)) != CableOpened)
            return LinkCableFailure;
        return link.Start();
    }
    Outcome Read() {
        FTDI_ReadCtrl link{*cable_};
        if (link.Open() != CableOpened) return {LinkCableFailure, 0, {}};
        const LinkResult result = link.Start();
        return {result, link.DataLen, link.Version};
    }
    LinkResult WriteUo() {
        const UoCommand command = BuildUoCommand(CardRecord{}, 0);
        FTDI_UoProgCtrl link{*cable_};
        if (link.Open(command.data(), 10) != CableOpened) return LinkCableFailure;
        return link.Start();
    }

private:
    std::unique_ptr<VmodemProcess> modem_;
    std::unique_ptr<SerialCable> cable_;
};

TEST(LinkFaults, ErrorAnswersInTheWritePhases) {
    for (const char* phase : {"attention", "write", "block", "image"}) {
        FaultyModem modem({"--error-in", phase});
        ASSERT_TRUE(modem.Started());
        EXPECT_EQ(modem.Program(), LinkDeviceFailure) << phase;
    }
}

TEST(LinkFaults, ErrorAnswersInTheReadPhases) {
    FaultyModem read({"--error-in", "read"});
    EXPECT_EQ(read.Read().result, LinkDeviceFailure);
    // A text "ERROR" instead of a block is ignored; the block time-out ends the read.
    FaultyModem block({"--error-in", "readblock"});
    EXPECT_EQ(block.Read().result, LinkDeviceFailure);
    block.Modem().Stop();  // the modem has logged all it received
    EXPECT_NE(block.Modem().Log().find("ERROR"), std::string::npos);
}

TEST(LinkFaults, WithoutAVersionAnswerTheReadGoesOn) {
    for (const char* fault : {"--no-version", "--error-in=device"}) {
        FaultyModem modem({fault});
        const Outcome outcome = modem.Read();
        EXPECT_EQ(outcome.result, LinkDone) << fault;
        EXPECT_EQ(outcome.version, "Н/Д");
        EXPECT_EQ(outcome.length, 444);
    }
}

TEST(LinkFaults, SilenceAfterABlockEndsWriteAndReadWithDeviceFailure) {
    FaultyModem modem({"--silent-after-block", "3"});
    EXPECT_EQ(modem.Program(), LinkDeviceFailure);
    EXPECT_EQ(modem.Read().result, LinkDeviceFailure);
}

TEST(LinkFaults, CorruptBlockAndTooLongReadAreRefused) {
    FaultyModem corrupt({"--corrupt-read-block", "2"});
    EXPECT_EQ(corrupt.Read().result, LinkDeviceFailure);
    corrupt.Modem().Stop();
    EXPECT_NE(corrupt.Modem().Log().find("ERROR"), std::string::npos);  // the modem was told

    FaultyModem longRead({"--long-read"});
    EXPECT_EQ(longRead.Read().result, LinkDeviceFailure);
}

TEST(LinkFaults, ShortImageIsReadAsTheOlderVariant) {
    FaultyModem modem({"--short-image"});
    const Outcome outcome = modem.Read();
    EXPECT_EQ(outcome.result, LinkDone);
    EXPECT_EQ(outcome.length, 316);
}

TEST(LinkFaults, DeviceAnswerWithBadCrcIsDeviceFailure) {
    FaultyModem modem({"--bad-device-crc"});
    EXPECT_EQ(modem.WriteUo(), LinkDeviceFailure);
}

TEST(LinkFaults, NoCableIsResult2AndAnUnknownSerialResult1) {
    TempDir empty;
    SerialCable cable(empty.Path() / "cables");
    FTDI_Controller link{cable};
    EXPECT_EQ(link.Open(), CableNotFound);
    EXPECT_EQ(link.Start(), LinkCableFailure);

    FaultyModem modem({});
    FTDI_Controller named{modem.Cable()};
    named.SetSerial("NOSUCH");
    EXPECT_EQ(named.Open(), CableDriverFailure);
}

TEST(LinkFaults, ACableInUseCannotBeOpenedAgain) {
    FaultyModem modem({});
    FTDI_ReadCtrl first{modem.Cable()};
    ASSERT_EQ(first.Open(), CableOpened);
    SerialCable otherCable(modem.Modem().CableDir());
    FTDI_Controller second{otherCable};
    EXPECT_EQ(second.Open(), CableDriverFailure);
    FTDI_Controller third{modem.Cable()};
    EXPECT_EQ(third.Open(), CableDriverFailure);
}

TEST(LinkFaults, AModemThatGoesAwayIsACableFailure) {
    FaultyModem modem({"--no-version"});
    FTDI_ReadCtrl link{modem.Cable()};
    ASSERT_EQ(link.Open(), CableOpened);
    std::thread killer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        modem.Modem().Stop(SIGKILL);
    });
    // Should the loss go unnoticed, a stop keeps the test from hanging.
    std::atomic<bool> finished{false};
    std::thread guard([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (!finished && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        link.Stop();
    });
    const LinkResult result = link.Start();
    finished = true;
    killer.join();
    guard.join();
    EXPECT_EQ(result, LinkCableFailure);
}

}  // namespace
}  // namespace gsmprog::test
