// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A system in a folder, for the cable listing and the cable check: sysfs, /proc, /dev, udev's
// records and rules below one root. USB devices are laid out as the kernel documents them
// (Documentation/ABI/testing/sysfs-bus-usb and sysfs-bus-usb-devices-usbserial): a device
// folder named by its USB path with idVendor, idProduct, product, manufacturer, serial, busnum,
// devnum and dev, an interface folder "PATH:1.0" with its driver link, and for ftdi_sio the
// port ttyUSB0/ with latency_timer and tty/ttyUSB0/dev, linked from /sys/bus/usb-serial/devices;
// for cdc_acm the port tty/ttyACM0/dev in the interface, linked from the driver's folder. /proc as
// a running system shows it: PID/comm, PID/fd/N links to the files held open, and for a
// pseudo-terminal master PID/fdinfo/N with its tty-index. udev keeps a device's properties in
// /run/udev/data/cMAJOR:MINOR as "E:KEY=VALUE" lines.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace gsmprog::test {

struct FakeAdapter {
    std::string usbPath = "1-1.2";
    std::string vendor = "0403";
    std::string product = "6001";
    std::string serial = "A50285BI";
    std::string driver = "ftdi_sio";  // empty: no driver bound
    std::string tty = "ttyUSB0";      // empty: no port
    int latencyTimerMs = 1;
};

struct FakeSystem {
    TempDir root;

    std::filesystem::path Path(const std::string& absolute) const {
        return root.Path() / absolute.substr(1);
    }

    void File(const std::string& absolute, const std::string& text) const {
        std::filesystem::create_directories(Path(absolute).parent_path());
        std::ofstream(Path(absolute)) << text;
    }

    // On bus 1 as device 5, its port 188:0; /dev/ttyUSB0 made with `mode`.
    void Adapter(const FakeAdapter& adapter, unsigned mode = 0660) const {
        const std::string device = "/sys/bus/usb/devices/" + adapter.usbPath;
        File(device + "/idVendor", adapter.vendor + "\n");
        File(device + "/idProduct", adapter.product + "\n");
        File(device + "/product", "FT232R USB UART\n");
        File(device + "/manufacturer", "FTDI\n");
        if (!adapter.serial.empty()) File(device + "/serial", adapter.serial + "\n");
        File(device + "/busnum", "1\n");
        File(device + "/devnum", "5\n");
        File(device + "/dev", "189:4\n");
        const std::string interface = device + "/" + adapter.usbPath + ":1.0";
        File(interface + "/bInterfaceNumber", "00\n");
        if (!adapter.driver.empty())
            std::filesystem::create_directory_symlink(
                "../../../../../../bus/usb/drivers/" + adapter.driver, Path(interface + "/driver"));
        if (adapter.tty.empty()) return;
        if (adapter.driver == "cdc_acm") {
            File(interface + "/tty/" + adapter.tty + "/dev", "166:0\n");
            Link("/sys/bus/usb/drivers/cdc_acm/" + adapter.usbPath + ":1.0", interface);
        } else {
            const std::string port = interface + "/" + adapter.tty;
            File(port + "/latency_timer", std::to_string(adapter.latencyTimerMs) + "\n");
            File(port + "/tty/" + adapter.tty + "/dev", "188:0\n");
            Link("/sys/bus/usb-serial/devices/" + adapter.tty, port);
        }
        File("/dev/" + adapter.tty, "");
        std::filesystem::permissions(Path("/dev/" + adapter.tty),
                                     static_cast<std::filesystem::perms>(mode));
    }

    // A symbolic link as sysfs makes them: relative, up to the root and down to `target`.
    void Link(const std::string& absolute, const std::string& target) const {
        std::filesystem::create_directories(Path(absolute).parent_path());
        std::filesystem::create_directory_symlink(
            std::filesystem::path(target).lexically_relative(
                std::filesystem::path(absolute).parent_path()),
            Path(absolute));
    }

    // With `ptyMaster`, it also holds the master side of /dev/pts/N as the fd of /dev/ptmx
    // whose fdinfo names N.
    void Process(int pid, const std::string& name, const std::vector<std::string>& openFiles,
                 std::optional<int> ptyMaster = std::nullopt) const {
        const std::string folder = "/proc/" + std::to_string(pid);
        File(folder + "/comm", name + "\n");
        std::filesystem::create_directories(Path(folder + "/fd"));
        int fd = 3;
        for (const std::string& file : openFiles)
            std::filesystem::create_symlink(file, Path(folder + "/fd/" + std::to_string(fd++)));
        if (!ptyMaster) return;
        std::filesystem::create_symlink("/dev/ptmx", Path(folder + "/fd/" + std::to_string(fd)));
        File(folder + "/fdinfo/" + std::to_string(fd),
             "pos:\t0\nflags:\t02\nmnt_id:\t24\nino:\t90\ntty-index:\t" +
                 std::to_string(*ptyMaster) + "\n");
    }

    // gsmprog's rule installed, and udev's record of the port with or without its mark.
    void UdevRuleRan(bool marked) const {
        File("/usr/lib/udev/rules.d/70-gsmprog-ftdi.rules", "# rule\n");
        File("/run/udev/data/c188:0", std::string("E:ID_SERIAL=FTDI_FT232R\n") +
                                          (marked ? "E:ID_MM_DEVICE_IGNORE=1\n" : "") +
                                          "G:uaccess\n");
    }

    // brltty installed with its rule, the lines of Ubuntu 22.04's for FT232R adapters, and running.
    void Brltty() const {
        File("/usr/bin/brltty", "");
        File("/usr/lib/udev/rules.d/85-brltty.rules",
             "# Device: 0403:6001\n# ENV{PRODUCT}==\"403/6010/*\" (commented out)\n"
             "ENV{PRODUCT}==\"403/6001/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"at,ce,hm\", "
             "GOTO=\"brltty_usb_run\"\n");
        Process(640, "brltty", {"/dev/null"});
    }
};

}  // namespace gsmprog::test
