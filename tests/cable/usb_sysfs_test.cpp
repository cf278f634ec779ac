// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// FTDI adapters in sysfs: what is read of them, and a serial cable that finds no cable names
// brltty only when the cable check finds that brltty holds the adapter.

#include <gtest/gtest.h>

#include "cable/fake_system.h"
#include "cable/serial_cable.h"
#include "cable/system_listing.h"
#include "ports/usb_sysfs.h"

namespace gsmprog::test {
namespace {

namespace fs = std::filesystem;

TEST(UsbSysfs, FtdiAdaptersAreReadWithTheirDriverPortAndTimer) {
    FakeSystem system;
    system.File("/sys/bus/usb/devices/usb1/idVendor", "1d6b\n");
    system.File("/sys/bus/usb/devices/1-2/idVendor", "046d\n");
    EXPECT_TRUE(ListFtdiUsbDevices(system.Path("/sys")).empty());  // no FTDI adapter

    system.Adapter({.latencyTimerMs = 16});
    system.Adapter({.usbPath = "1-3", .product = "0000", .serial = "", .driver = "", .tty = ""});
    const auto devices = ListFtdiUsbDevices(system.Path("/sys"));
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].usbPath, "1-1.2");
    EXPECT_EQ(devices[0].productId, "6001");
    EXPECT_EQ(devices[0].serial, "A50285BI");
    EXPECT_EQ(devices[0].product, "FT232R USB UART");
    EXPECT_EQ(UsbfsNode(devices[0]), "/dev/bus/usb/001/005");
    ASSERT_EQ(devices[0].interfaces.size(), 1u);
    EXPECT_EQ(devices[0].interfaces[0].driver, "ftdi_sio");
    EXPECT_EQ(devices[0].interfaces[0].tty, "ttyUSB0");
    EXPECT_EQ(devices[0].interfaces[0].ttyNumbers, "188:0");
    EXPECT_EQ(devices[0].interfaces[0].latencyTimerMs, 16);
    ASSERT_EQ(devices[1].interfaces.size(), 1u);
    EXPECT_EQ(devices[1].interfaces[0].driver, "");
    EXPECT_EQ(devices[1].interfaces[0].tty, "");
    EXPECT_TRUE(ListFtdiUsbDevices(system.Path("/missing")).empty());
    EXPECT_EQ(RuleHex("0403"), "403");
    EXPECT_EQ(RuleHex("6001"), "6001");
    EXPECT_EQ(RuleHex("0000"), "0");
}

TEST(UsbSysfs, ACableListWithoutCablesNamesBrlttyOnlyWhenItHoldsTheAdapter) {
    FakeSystem system;
    TempDir empty;
    SerialCable none(std::make_unique<SystemListing>(empty.Path() / "cables", system.root.Path()));
    std::uint32_t count = 0;
    ASSERT_EQ(none.CreateDeviceInfoList(&count), CableOk);
    EXPECT_EQ(none.LastFailure().kind, CableFailureKind::NotFound);

    // A counterfeit chip erased to product 0000: no driver, but brltty has no part in it.
    system.Brltty();
    system.Adapter({.usbPath = "1-3", .product = "0000", .driver = "", .tty = ""});
    ASSERT_EQ(none.CreateDeviceInfoList(&count), CableOk);
    EXPECT_EQ(none.LastFailure().kind, CableFailureKind::NotFound);
    EXPECT_FALSE(none.AdapterHeldByBrltty());

    system.Adapter({.usbPath = "1-4", .driver = "usbfs", .tty = ""});
    system.Process(641, "brltty", {"/dev/bus/usb/001/005"});
    ASSERT_EQ(none.CreateDeviceInfoList(&count), CableOk);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(none.LastFailure().kind, CableFailureKind::PortClaimed);
    EXPECT_TRUE(none.AdapterHeldByBrltty());
}

}  // namespace
}  // namespace gsmprog::test
