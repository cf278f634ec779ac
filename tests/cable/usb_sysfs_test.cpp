// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// FTDI adapters in sysfs: what is read of them, the cables listed from the USB serial ports
// alone (never any other terminal), and a serial cable that finds no cable names brltty only
// when the cable check finds that brltty holds the adapter.

#include <fcntl.h>
#include <pty.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "cable/fake_system.h"
#include "cable/serial_cable.h"
#include "cable/system_listing.h"
#include "ports/cable_directory.h"
#include "ports/ftdi_listing.h"
#include "ports/latency_timer.h"
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

std::vector<std::string> Serials(const std::vector<ListedCable>& cables) {
    std::vector<std::string> serials;
    for (const ListedCable& cable : cables) serials.push_back(cable.serialNumber);
    return serials;
}

TEST(FtdiListing, ListsTheSerialPortsOfFtdiAdaptersInDevicePathOrder) {
    FakeSystem system;
    // Port numbers go by plugging order; the list goes by USB path, as udev lists its ports.
    system.Adapter({.usbPath = "1-2", .serial = "B2", .tty = "ttyUSB1", .latencyTimerMs = 16});
    system.Adapter({.usbPath = "1-1.4", .serial = "A1", .tty = "ttyUSB7"});
    system.Adapter({.usbPath = "1-3", .serial = "C3", .driver = "cdc_acm", .tty = "ttyACM0"});
    system.Adapter({.usbPath = "1-4", .serial = "FT0123456789ABCDEF", .tty = "ttyUSB2"});
    system.Adapter({.usbPath = "1-5", .serial = "", .tty = "ttyUSB3"});  // no serial number
    system.Adapter({.usbPath = "1-1.1", .vendor = "067b", .serial = "P1", .tty = "ttyUSB5"});

    const auto cables = ListFtdiCables(system.root.Path());
    EXPECT_EQ(Serials(cables), (std::vector<std::string>{"A1", "B2", "C3", "FT0123456789ABC"}));
    ASSERT_EQ(cables.size(), 4u);
    EXPECT_EQ(cables[0].device, system.Path("/dev/ttyUSB7"));
    EXPECT_EQ(cables[0].latencyTimerFile,
              system.Path("/sys/bus/usb-serial/devices/ttyUSB7/latency_timer"));
    EXPECT_EQ(ReadLatencyTimer(cables[0]), 1);
    EXPECT_EQ(ReadLatencyTimer(cables[1]), 16);
    EXPECT_EQ(cables[2].device, system.Path("/dev/ttyACM0"));
    EXPECT_TRUE(cables[2].latencyTimerFile.empty());
    EXPECT_EQ(ReadLatencyTimer(cables[2]), FtdiDefaultLatencyTimerMs);
    EXPECT_TRUE(ListFtdiCables(system.Path("/missing")).empty());
}

TEST(FtdiListing, SerialNumbersAreNamedAsUdevNamesThem) {
    EXPECT_EQ(UdevSerialNumber("  FT  12 a#+-.:=@_z "), "FT_12_a#+-.:=@_z");
    EXPECT_EQ(UdevSerialNumber("A/B*C\\D\\xE\x7F"), "A_B_C_D\\xE_");
    for (const char* unnamed : {"FT 12\t", "A,B", "\xD0\x90"})
        EXPECT_EQ(UdevSerialNumber(unnamed), "");
}

// inotify reports every open below the watched folders, so what the listing never opened is
// known for certain.
class OpenWatch {
public:
    OpenWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~OpenWatch() { ::close(fd_); }
    void Add(const fs::path& folder) {
        ASSERT_GE(::inotify_add_watch(fd_, folder.c_str(), IN_OPEN | IN_ACCESS), 0) << folder;
    }
    int Events() const {
        alignas(inotify_event) char buffer[4096];
        int events = 0;
        for (ssize_t got; (got = ::read(fd_, buffer, sizeof buffer)) > 0;) {
            for (char* at = buffer; at < buffer + got;) {
                ++events;
                at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(at)->len;
            }
        }
        return events;
    }

private:
    const int fd_;
};

TEST(FtdiListing, NeverLooksAtOtherTerminalsNorOpensDeviceNodes) {
    FakeSystem system;
    system.Adapter({.usbPath = "1-2", .tty = "ttyUSB0"});
    system.Adapter({.usbPath = "1-3", .vendor = "2341", .driver = "cdc_acm", .tty = "ttyACM0"});
    system.File("/sys/devices/platform/serial8250/tty/ttyS0/dev", "4:64\n");
    system.Link("/sys/class/tty/ttyS0", "/sys/devices/platform/serial8250/tty/ttyS0");
    system.File("/dev/ttyS0", "");
    system.Process(700, "bash", {"/dev/pts/0"});
    TempDir runtime;
    int master = -1, slave = -1;
    char name[128];
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    const fs::path cables = runtime.Path() / "cables";
    ASSERT_EQ(RegisterVirtualCable(cables, "VM1", name), RegisterResult::Registered);

    OpenWatch watch;
    for (const char* folder :
         {"/sys/class/tty", "/sys/devices/platform/serial8250/tty/ttyS0", "/dev",
          "/sys/bus/usb/devices/1-3/1-3:1.0/tty", "/sys/bus/usb/devices/1-3/1-3:1.0/tty/ttyACM0",
          "/proc", "/proc/700"})
        watch.Add(system.Path(folder));
    const SystemListing listing(cables, system.root.Path());
    const auto listed = listing.List();
    EXPECT_FALSE(listing.AdapterHeldByBrltty());  // its driver has the adapter: no process read
    EXPECT_EQ(watch.Events(), 0);
    // The FTDI cable first, then the virtual one.
    EXPECT_EQ(Serials(listed), (std::vector<std::string>{"A50285BI", "VM1"}));
    EXPECT_EQ(listed[1].device, fs::path(name));

    ::close(::open(system.Path("/dev/ttyS0").c_str(), O_RDONLY));
    EXPECT_GT(watch.Events(), 0);  // the watch itself sees opens
    UnregisterVirtualCable(cables, "VM1", name);
    ::close(slave);
    ::close(master);
}

}  // namespace
}  // namespace gsmprog::test
