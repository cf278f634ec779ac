// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a cable for a link: the order of the library calls, their arguments, the result
// codes, the close after a refused setting, and a device list that never overruns.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "link/open_cable.h"
#include "support/scripted_cable.h"

namespace gsmprog {
namespace {

using test::CableCall;
using test::Fault;
using test::ScriptedCable;

std::vector<CableCall> Calls(const ScriptedCable& cable) {
    std::vector<CableCall> calls;
    for (const auto& event : cable.Events()) calls.push_back(event.call);
    return calls;
}

struct OpenCableTest : ::testing::Test {
    ScriptedCable cable{nullptr, {"FT1", "FT2"}};
    CableInfo devList[DevListCapacity];
    CableHandle handle = 0;
};

TEST_F(OpenCableTest, ProgrammingTuningOpensTheFirstCableWithLineSettingsAndLatency) {
    EXPECT_EQ(OpenCable(cable, devList, "", CableTuning::Programming, handle), CableOpened);
    EXPECT_EQ(handle, ScriptedCable::TheHandle);
    EXPECT_EQ(Calls(cable),
              (std::vector<CableCall>{CableCall::CreateDeviceInfoList, CableCall::GetDeviceInfoList,
                                      CableCall::OpenEx, CableCall::SetBaudRate,
                                      CableCall::SetDataCharacteristics, CableCall::SetFlowControl,
                                      CableCall::SetLatencyTimer}));
    const auto events = cable.Events();
    EXPECT_EQ(events[2].serial, "FT1");
    EXPECT_EQ(events[3].args, (std::vector<std::uint32_t>{115200}));
    EXPECT_EQ(events[4].args, (std::vector<std::uint32_t>{8, 0, 0}));
    EXPECT_EQ(events[5].args, (std::vector<std::uint32_t>{0, 0, 0}));
    EXPECT_EQ(events[6].args, (std::vector<std::uint32_t>{100}));
    EXPECT_STREQ(devList[1].SerialNumber, "FT2");
}

TEST_F(OpenCableTest, ControlTuningSetsTimeoutsAndTheNamedCableIsOpened) {
    EXPECT_EQ(OpenCable(cable, devList, "FT2", CableTuning::Control, handle), CableOpened);
    const auto events = cable.Events();
    EXPECT_EQ(events[2].serial, "FT2");
    EXPECT_EQ(events.back().call, CableCall::SetTimeouts);
    EXPECT_EQ(events.back().args, (std::vector<std::uint32_t>{50, 4}));
}

TEST_F(OpenCableTest, NoCableOrNoCountIsResult2) {
    ScriptedCable none;
    none.Inject(Fault::Detached());
    EXPECT_EQ(OpenCable(none, devList, "", CableTuning::Programming, handle), CableNotFound);
    cable.Inject(Fault::CallFails(CableCall::CreateDeviceInfoList));
    EXPECT_EQ(OpenCable(cable, devList, "", CableTuning::Programming, handle), CableNotFound);
    EXPECT_EQ(handle, 0u);
}

TEST_F(OpenCableTest, UnreadableListOrFailedOpenIsResult1) {
    cable.Inject(Fault::CallFails(CableCall::GetDeviceInfoList, CableIoError, 1));
    EXPECT_EQ(OpenCable(cable, devList, "", CableTuning::Programming, handle), CableDriverFailure);
    EXPECT_EQ(OpenCable(cable, devList, "GONE", CableTuning::Programming, handle),
              CableDriverFailure);
    EXPECT_FALSE(cable.IsOpen());
    // A cable already open elsewhere cannot be opened again.
    CableHandle first = 0;
    ASSERT_EQ(OpenCable(cable, devList, "FT1", CableTuning::Control, first), CableOpened);
    EXPECT_EQ(OpenCable(cable, devList, "FT1", CableTuning::Programming, handle),
              CableDriverFailure);
}

TEST_F(OpenCableTest, ARefusedSettingStillMakesAllFourCallsThenClosesAndClearsTheHandle) {
    cable.Inject(Fault::CallFails(CableCall::SetBaudRate));
    EXPECT_EQ(OpenCable(cable, devList, "", CableTuning::Programming, handle), CableDriverFailure);
    EXPECT_EQ(handle, 0u);
    EXPECT_FALSE(cable.IsOpen());
    EXPECT_THAT(Calls(cable),
                ::testing::ElementsAre(
                    CableCall::CreateDeviceInfoList, CableCall::GetDeviceInfoList,
                    CableCall::OpenEx, CableCall::SetBaudRate, CableCall::SetDataCharacteristics,
                    CableCall::SetFlowControl, CableCall::SetLatencyTimer, CableCall::Close));
}

TEST_F(OpenCableTest, MoreThanTenCablesFillOnlyTheTenEntries) {
    std::vector<std::string> many;
    for (int i = 0; i < 14; ++i) many.push_back("FT" + std::to_string(i));
    ScriptedCable crowded{nullptr, many};
    CableInfo guarded[DevListCapacity + 1];
    std::strcpy(guarded[DevListCapacity].SerialNumber, "guard");
    EXPECT_EQ(OpenCable(crowded, guarded, "", CableTuning::Programming, handle), CableOpened);
    EXPECT_STREQ(guarded[9].SerialNumber, "FT9");
    EXPECT_STREQ(guarded[DevListCapacity].SerialNumber, "guard");
}

}  // namespace
}  // namespace gsmprog
