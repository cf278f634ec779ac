// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The serial cable over real pseudo-terminals: the cable list, the device list that never
// overruns, exclusive opens, queue status, reads bounded by their time-out, writes.

#include <fcntl.h>
#include <sys/file.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <thread>

#include "ports/cable_directory.h"
#include "support/child_process.h"
#include "cable/serial_cable.h"
#include "ports/single_port.h"
#include "support/scripted_cable.h"
#include "support/test_pty.h"

namespace gsmprog::test {
namespace {

namespace fs = std::filesystem;

struct SerialCableTest : ::testing::Test {
    TempDir dir;
    fs::path cables = dir.Path() / "cables";
    Pty pty;
    void SetUp() override {
        ASSERT_EQ(RegisterVirtualCable(cables, "VC1", pty.Path()), RegisterResult::Registered);
    }
    // Status after the bytes had time to arrive.
    std::uint32_t Waiting(SerialCable& cable, CableHandle handle, std::uint32_t expected) {
        std::uint32_t rx = 0, tx = 0, events = 0;
        for (int i = 0; i < 250; ++i) {
            EXPECT_EQ(cable.GetStatus(handle, &rx, &tx, &events), CableOk);
            if (rx >= expected) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return rx;
    }
};

TEST_F(SerialCableTest, OpensAVirtualCableAndCarriesBytesBothWays) {
    SerialCable cable(cables);
    std::uint32_t count = 0;
    ASSERT_EQ(cable.CreateDeviceInfoList(&count), CableOk);
    EXPECT_GE(count, 1u);
    CableHandle handle = 0;
    ASSERT_EQ(cable.OpenEx("VC1", &handle), CableOk);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(cable.SetBaudRate(handle, 115200), CableOk);
    EXPECT_EQ(cable.SetDataCharacteristics(handle, 8, 0, 0), CableOk);
    EXPECT_EQ(cable.SetFlowControl(handle, 0, 0, 0), CableOk);
    EXPECT_EQ(cable.SetLatencyTimer(handle, 100), CableOk);  // best effort on a pty

    std::uint32_t written = 0;
    ASSERT_EQ(cable.Write(handle, "PROG_GSMA", 9, &written), CableOk);
    EXPECT_EQ(written, 9u);
    EXPECT_EQ(pty.Received(9), "PROG_GSMA");

    pty.Send("READY");
    EXPECT_EQ(Waiting(cable, handle, 5), 5u);
    char buffer[16] = {};
    std::uint32_t read = 0;
    ASSERT_EQ(cable.Read(handle, buffer, 5, &read), CableOk);
    EXPECT_EQ(read, 5u);
    EXPECT_STREQ(buffer, "READY");
    EXPECT_EQ(cable.Close(handle), CableOk);
    EXPECT_EQ(cable.Close(handle), CableInvalidHandle);
    EXPECT_EQ(cable.GetStatus(handle, &read, &read, &read), CableInvalidHandle);
}

TEST_F(SerialCableTest, AfterTheProgrammingTuningAReplyInPiecesIsReportedWhole) {
    std::ofstream(LatencyTimerFile(cables, "VC1")) << 20;  // pieces up to 20 ms apart
    SerialCable cable(cables);
    EXPECT_EQ(cable.LatencyTimerMs("VC1"), 20);
    CableHandle handle = 0;
    ASSERT_EQ(cable.OpenEx("VC1", &handle), CableOk);
    ASSERT_EQ(cable.SetLatencyTimer(handle, 100), CableOk);
    for (int reply = 0; reply < 2; ++reply) {
        std::thread modem([&] {
            pty.Send("RE");
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            pty.Send("ADY");
        });
        // Polled again and again, the first report is the whole reply.
        std::uint32_t rx = 0, tx = 0, events = 0;
        for (int i = 0; i < 2000 && rx == 0; ++i) {
            ASSERT_EQ(cable.GetStatus(handle, &rx, &tx, &events), CableOk);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        modem.join();
        EXPECT_EQ(rx, 5u);
        char buffer[8] = {};
        std::uint32_t read = 0;
        ASSERT_EQ(cable.Read(handle, buffer, rx, &read), CableOk);
        EXPECT_STREQ(buffer, "READY");
    }
}

TEST_F(SerialCableTest, AReadReturnsWhatIsThereWhenItsTimeOutPasses) {
    SerialCable cable(cables);
    CableHandle handle = 0;
    ASSERT_EQ(cable.OpenEx("VC1", &handle), CableOk);
    pty.Send("AB");
    EXPECT_EQ(Waiting(cable, handle, 2), 2u);
    char buffer[8] = {};
    std::uint32_t read = 0;
    // No time-out set: no wait for bytes that are not there.
    ASSERT_EQ(cable.Read(handle, buffer, 8, &read), CableOk);
    EXPECT_EQ(read, 2u);
    ASSERT_EQ(cable.SetTimeouts(handle, 50, 4), CableOk);
    pty.Send("C");
    ASSERT_EQ(cable.Read(handle, buffer, 8, &read), CableOk);
    EXPECT_EQ(std::string(buffer, read), "C");
}

TEST_F(SerialCableTest, AWaitForBytesEndsWhenThereAreBytesToReadOnALineNobodyElseReads) {
    SerialCable cable(cables);
    CableHandle handle = 0;
    ASSERT_EQ(cable.OpenEx("VC1", &handle), CableOk);
    std::uint32_t queued = 0;
    EXPECT_EQ(cable.AwaitBytes(handle, 20, &queued), ByteWait::Quiet);
    std::thread modem([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        pty.Send("AB");
    });
    // The limit guards a hang; the count is that of the bytes there, as a query would give.
    EXPECT_EQ(cable.AwaitBytes(handle, 30000, &queued), ByteWait::Arrived);
    modem.join();
    EXPECT_GE(queued, 1u);
    EXPECT_LE(queued, 2u);
    // Bytes the port took in are there to read until they are read.
    EXPECT_EQ(Waiting(cable, handle, 2), 2u);
    EXPECT_EQ(cable.AwaitBytes(handle, 20, &queued), ByteWait::Arrived);
    EXPECT_EQ(queued, 2u);
    char buffer[4] = {};
    std::uint32_t read = 0;
    ASSERT_EQ(cable.Read(handle, buffer, 2, &read), CableOk);
    EXPECT_EQ(cable.AwaitBytes(handle, 20, &queued), ByteWait::Quiet);

    // The programming tuning has the cable's thread watch the line and take its bytes.
    ASSERT_EQ(cable.SetLatencyTimer(handle, 1), CableOk);
    EXPECT_EQ(cable.AwaitBytes(handle, 20, &queued), ByteWait::Unsupported);
    ASSERT_EQ(cable.Close(handle), CableOk);
    EXPECT_EQ(cable.AwaitBytes(handle, 20, &queued), ByteWait::Unsupported);
}

TEST_F(SerialCableTest, ReadsOnALineNobodyElseReadsKeepTheOrderAndWaitForTheRest) {
    SerialCable cable(cables);
    CableHandle handle = 0;
    ASSERT_EQ(cable.OpenEx("VC1", &handle), CableOk);
    ASSERT_EQ(cable.SetTimeouts(handle, 2000, 4), CableOk);
    char buffer[8] = {};
    std::uint32_t read = 0;

    // Bytes the port took in (a queue query takes them) come before those still on the line.
    pty.Send("AB");
    EXPECT_EQ(Waiting(cable, handle, 2), 2u);
    pty.Send("CD");
    ASSERT_EQ(cable.Read(handle, buffer, 4, &read), CableOk);
    EXPECT_EQ(std::string(buffer, read), "ABCD");

    // A read waits for the rest of what it asked for, within its time-out.
    std::thread modem([&] {
        pty.Send("E");
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        pty.Send("FG");
    });
    ASSERT_EQ(cable.Read(handle, buffer, 3, &read), CableOk);
    modem.join();
    EXPECT_EQ(std::string(buffer, read), "EFG");
}

TEST_F(SerialCableTest, AReadOnALineThatHungUpFailsInTheSystemsWords) {
    auto modem = std::make_unique<Pty>();
    ASSERT_EQ(RegisterVirtualCable(cables, "VC2", modem->Path()), RegisterResult::Registered);
    SerialCable cable(cables);
    CableHandle handle = 0;
    ASSERT_EQ(cable.OpenEx("VC2", &handle), CableOk);
    ASSERT_EQ(cable.SetTimeouts(handle, 30000, 4), CableOk);  // the limit guards a hang
    modem.reset();  // the modem's end is gone
    char buffer[8] = {};
    std::uint32_t read = 0;
    EXPECT_EQ(cable.Read(handle, buffer, 8, &read), CableIoError);
    EXPECT_EQ(read, 0u);
    const CableFailure failure = cable.LastFailure();
    EXPECT_EQ(failure.kind, CableFailureKind::Line);
    EXPECT_NE(failure.systemError, 0);
    EXPECT_EQ(failure.systemText, std::strerror(failure.systemError));
}

TEST_F(SerialCableTest, OpenIsExclusiveAcrossCablesAndProcessesAndFreedByClose) {
    SerialCable first(cables);
    SerialCable second(cables);
    CableHandle a = 0, b = 0;
    ASSERT_EQ(first.OpenEx("VC1", &a), CableOk);
    EXPECT_NE(second.OpenEx("VC1", &b), CableOk);
    EXPECT_NE(first.OpenEx("VC1", &b), CableOk);
    EXPECT_EQ(second.LastFailure().kind, CableFailureKind::InUse);

    // Another process holding the device: the lock both sides take.
    const int fd = ::open(pty.Path().c_str(), O_RDWR | O_NOCTTY);
    EXPECT_NE(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);

    ASSERT_EQ(first.Close(a), CableOk);
    EXPECT_EQ(second.OpenEx("VC1", &b), CableOk);
    ASSERT_EQ(second.Close(b), CableOk);

    // Held by another program's lock: busy, in the system's words.
    const int holder = ::open(pty.Path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(second.OpenEx("VC1", &b), CableDeviceNotOpened);
    const CableFailure busy = second.LastFailure();
    ::close(holder);
    EXPECT_EQ(busy.kind, CableFailureKind::Busy);
    EXPECT_EQ(busy.systemError, EWOULDBLOCK);
    EXPECT_EQ(busy.systemText, std::strerror(EWOULDBLOCK));
}

TEST_F(SerialCableTest, UnknownAndVanishedCablesAreNotFound) {
    SerialCable cable(cables);
    CableHandle handle = 0;
    EXPECT_EQ(cable.OpenEx("NOPE", &handle), CableDeviceNotFound);
    EXPECT_EQ(cable.LastFailure().kind, CableFailureKind::NotFound);
    std::uint32_t count = 0;
    cable.CreateDeviceInfoList(&count);
    fs::remove(cables / "VC1");
    EXPECT_EQ(cable.OpenEx("VC1", &handle), CableOk);  // taken from the list just made
    cable.Close(handle);
    cable.CreateDeviceInfoList(&count);
    EXPECT_EQ(cable.OpenEx("VC1", &handle), CableDeviceNotFound);
}

TEST_F(SerialCableTest, MoreThanTenCablesFillOnlyTheCapacityGiven) {
    std::vector<std::unique_ptr<Pty>> more;
    for (int i = 0; i < 11; ++i) {
        more.push_back(std::make_unique<Pty>());
        char name[8];
        std::snprintf(name, sizeof name, "X%02d", i);
        ASSERT_EQ(RegisterVirtualCable(cables, name, more.back()->Path()),
                  RegisterResult::Registered);
    }
    SerialCable cable(cables);
    std::uint32_t count = 0;
    ASSERT_EQ(cable.CreateDeviceInfoList(&count), CableOk);
    CableInfo list[DevListCapacity + 1];
    std::strcpy(list[DevListCapacity].SerialNumber, "guard");
    std::uint32_t filled = 0;
    ASSERT_EQ(cable.GetDeviceInfoList(list, DevListCapacity, &filled), CableOk);
    EXPECT_EQ(filled, DevListCapacity);
    EXPECT_STREQ(list[DevListCapacity].SerialNumber, "guard");
    EXPECT_GE(count, 12u);
}

TEST_F(SerialCableTest, APortGivenByPathIsTheWholeList) {
    SerialCable cable(std::make_unique<SinglePortListing>(pty.Path()));
    const auto listed = cable.ListCables();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].device, fs::path(pty.Path()));
    CableHandle handle = 0;
    EXPECT_EQ(cable.OpenEx(listed[0].serialNumber.c_str(), &handle), CableOk);
    EXPECT_TRUE(SinglePortListing("/dev/no-such-port").List().empty());
}

TEST_F(SerialCableTest, CallsFromAnyThreadAreServed) {
    SerialCable cable(cables);
    CableHandle handle = 0;
    ASSERT_EQ(cable.OpenEx("VC1", &handle), CableOk);
    std::thread other([&] {
        std::uint32_t written = 0;
        EXPECT_EQ(cable.Write(handle, "NEXT", 4, &written), CableOk);
        EXPECT_EQ(written, 4u);
    });
    other.join();
    EXPECT_EQ(pty.Received(4), "NEXT");
}

}  // namespace
}  // namespace gsmprog::test
