// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The programming link over the real cable and a real pseudo-terminal, against gsmprog-vmodem.

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "link/ftdi_read_ctrl.h"
#include "link/ftdi_uo_prog_ctrl.h"
#include "link/modem_image.h"
#include "ops/read_result.h"
#include "support/scripted_cable.h"
#include "cable/serial_cable.h"
#include "support/vmodem_process.h"

namespace gsmprog::test {
namespace {

CardRecord SampleCard(int version) {
    CardRecord card{};
    std::strcpy(card.NCardEdit, "5150");
    card.UoType[1] = 2;
    card.UoCode[1] = 4242;
    card.UoLineAddress[1] = 12;
    card.UoGuardCords[1] = 0x07;
    card.UoFireCords[1] = 0x01;
    card.UoModes[1] = UoModeIndicatorBlink;
    std::strcpy(card.Pin1Edit, "4321");
    std::strcpy(card.APN1Edit, "internet.test");
    std::strcpy(card.balCodeSim1, "*105#");
    card.balCritical = 50;
    card.VersionCombo = static_cast<std::uint8_t>(version);
    return card;
}

VmodemSetup Args(std::vector<std::string> args) {
    VmodemSetup setup;
    setup.args = std::move(args);
    return setup;
}

struct LinkOverPty : ::testing::Test {
    std::unique_ptr<VmodemProcess> modem;
    std::unique_ptr<SerialCable> cable;

    void Start(VmodemSetup setup = {}) {
        modem = std::make_unique<VmodemProcess>(setup);
        ASSERT_TRUE(modem->Started()) << modem->Log();
        cable = std::make_unique<SerialCable>(modem->CableDir());
    }
    LinkResult Program(const ModemImage& image) {
        FTDI_Controller link{*cable};
        EXPECT_EQ(link.Open(image.bytes.data(), static_cast<std::int32_t>(image.length)),
                  CableOpened);
        return link.Start();
    }
    LinkResult Read(Bytes& data, std::string& version) {
        FTDI_ReadCtrl link{*cable};
        EXPECT_EQ(link.Open(), CableOpened);
        const LinkResult result = link.Start();
        data.assign(link.Data, link.Data + link.DataLen);
        version = link.Version;
        return result;
    }
};

TEST_F(LinkOverPty, WritesAndReadsBackBothImageSizes) {
    Start();
    for (int variant : {0, 1}) {
        const ModemImage image = BuildModemImage(SampleCard(variant), variant);
        ASSERT_EQ(Program(image), LinkDone) << modem->Log();
        Bytes data;
        std::string version;
        ASSERT_EQ(Read(data, version), LinkDone) << modem->Log();
        EXPECT_EQ(data, Bytes(image.bytes.begin(),
                              image.bytes.begin() + static_cast<long>(image.length)));
        EXPECT_EQ(version, "2.5.1");
        WideImage wide;
        ASSERT_TRUE(EvaluateReadImage(data.data(), data.size(), wide));
        EXPECT_EQ(wide.variant, variant);
        const ReadResultView view = DescribeReadImage(wide);
        EXPECT_EQ(view.CodeUoo, "\xCD\xC4; 4242; \xCD\xC4; \xCD\xC4; ");
        EXPECT_EQ(view.balanceGroupVisible, variant == 1);
    }
}

TEST_F(LinkOverPty, ReadyNextAndTheDeviceCommand) {
    Start(Args({"--ready-next", "--device-version", "1.2.3"}));
    EXPECT_EQ(Program(BuildModemImage(SampleCard(1), 1)), LinkDone) << modem->Log();
    const UoCommand command = BuildUoCommand(SampleCard(1), 1);
    FTDI_UoProgCtrl link{*cable};
    ASSERT_EQ(link.Open(command.data(), 10), CableOpened);
    EXPECT_EQ(link.Start(), LinkDone) << modem->Log();
}

}  // namespace
}  // namespace gsmprog::test
