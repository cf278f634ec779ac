// FTDI adapters in sysfs: one whose interface has a tty, one that the serial driver lost to
// another service, and none at all; and a serial cable that finds none says which it was.

#include <gtest/gtest.h>

#include <fstream>

#include "cable/serial_cable.h"
#include "cable/system_listing.h"
#include "ports/usb_sysfs.h"
#include "support/child_process.h"

namespace gsmprog::test {
namespace {

namespace fs = std::filesystem;

struct FakeSysfs {
    TempDir root;
    // A USB device `name` of `vendor`, with one interface holding `port` (none when empty).
    void Device(const std::string& name, const std::string& vendor, const std::string& port) {
        const fs::path device = root.Path() / "bus" / "usb" / "devices" / name;
        fs::create_directories(device / (name + ":1.0") / port);
        std::ofstream(device / "idVendor") << vendor << "\n";
    }
};

TEST(UsbSysfs, AnFtdiAdapterWithoutATtyIsTold) {
    FakeSysfs sysfs;
    sysfs.Device("usb1", "1d6b", "");
    sysfs.Device("1-2", "046d", "");
    EXPECT_FALSE(FtdiAdapterWithoutPort(sysfs.root.Path()));   // no FTDI adapter

    sysfs.Device("1-1", "0403", "ttyUSB0");
    EXPECT_FALSE(FtdiAdapterWithoutPort(sysfs.root.Path()));   // the serial driver has it

    sysfs.Device("1-3", "0403", "");
    EXPECT_TRUE(FtdiAdapterWithoutPort(sysfs.root.Path()));    // brltty took this one
    EXPECT_FALSE(FtdiAdapterWithoutPort(sysfs.root.Path() / "missing"));
}

TEST(UsbSysfs, ACableListWithoutCablesNamesTheAdapterWithoutPort) {
    FakeSysfs sysfs;
    TempDir empty;
    SerialCable none(std::make_unique<SystemListing>(empty.Path() / "cables", sysfs.root.Path()));
    std::uint32_t count = 0;
    ASSERT_EQ(none.CreateDeviceInfoList(&count), CableOk);
    EXPECT_EQ(none.LastFailure().kind, CableFailureKind::NotFound);

    sysfs.Device("1-3", "0403", "");
    ASSERT_EQ(none.CreateDeviceInfoList(&count), CableOk);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(none.LastFailure().kind, CableFailureKind::PortClaimed);
    EXPECT_TRUE(none.AdapterWithoutPort());
}

}  // namespace
}  // namespace gsmprog::test
