// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The virtual-cable directory: where it is, what it lists and in which order, and how a
// modem registers and removes its cable.

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <utility>
#include <vector>

#include "ports/cable_directory.h"
#include "support/child_process.h"
#include "support/test_pty.h"

namespace gsmprog::test {
namespace {

namespace fs = std::filesystem;

TEST(CableDirectory, DefaultFollowsXdgRuntimeDirElseTmpWithUid) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string keep = saved ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", "/run/user/1234", 1);
    EXPECT_EQ(DefaultCableDirectory(), fs::path("/run/user/1234/gsmprog/cables"));
    ::setenv("XDG_RUNTIME_DIR", "", 1);
    EXPECT_EQ(DefaultCableDirectory(),
              fs::path("/tmp/gsmprog-" + std::to_string(getuid()) + "/cables"));
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(DefaultCableDirectory(),
              fs::path("/tmp/gsmprog-" + std::to_string(getuid()) + "/cables"));
    if (saved) ::setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
}

TEST(CableDirectory, SerialNumbersAreOneTo15PrintableCharactersWithoutSlash) {
    EXPECT_TRUE(IsValidCableSerial("A"));
    EXPECT_TRUE(IsValidCableSerial("FT12345678ABCDE"));
    EXPECT_FALSE(IsValidCableSerial(""));
    EXPECT_FALSE(IsValidCableSerial("FT12345678ABCDEF"));
    EXPECT_FALSE(IsValidCableSerial("a/b"));
    EXPECT_FALSE(IsValidCableSerial("."));
    EXPECT_FALSE(IsValidCableSerial(".."));
    EXPECT_TRUE(IsValidCableSerial("..."));
    EXPECT_FALSE(IsValidCableSerial("a b"));
    EXPECT_FALSE(IsValidCableSerial("\xD0\x90"));
}

TEST(CableDirectory, ListsLiveLinksSortedByNameSkippingDanglingAndForeignEntries) {
    TempDir dir;
    const fs::path cables = dir.Path() / "cables";
    fs::create_directories(cables);
    Pty a, b;
    fs::create_symlink(b.Path(), cables / "b2");
    fs::create_symlink(a.Path(), cables / "B1");
    fs::create_symlink(a.Path(), cables / "a3");
    fs::create_symlink(dir.Path() / "gone", cables / "A0");       // dangling
    fs::create_symlink(a.Path(), cables / "much-too-long-name");  // not a serial
    std::ofstream(cables / "plainfile").put('x');                 // not a link
    const auto listed = ListVirtualCables(cables);
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].serialNumber, "B1");  // byte order: upper case first
    EXPECT_EQ(listed[1].serialNumber, "a3");
    EXPECT_EQ(listed[2].serialNumber, "b2");
    EXPECT_EQ(listed[2].device, b.Path());
    EXPECT_TRUE(ListVirtualCables(dir.Path() / "missing").empty());
}

// A link to anything but a pseudo-terminal's slave side would take a settings image into a
// file, a FIFO or /dev/null, or wait for ever on a new terminal of /dev/ptmx.
TEST(CableDirectory, LinksToWhatIsNoPseudoTerminalAreRefusedWithTheirKind) {
    TempDir dir;
    const fs::path cables = dir.Path() / "cables";
    fs::create_directories(cables);
    const fs::path file = dir.Path() / "file", fifo = dir.Path() / "fifo";
    std::ofstream(file).put('x');
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::pair<fs::path, std::string>> targets{
        {file, "обычный файл"},
        {fifo, "канал (FIFO)"},
        {"/dev/null", "символьное устройство 1:3"},
        {"/dev/ptmx", "символьное устройство 5:2"},
        {dir.Path(), "каталог"}};
    for (std::size_t i = 0; i < targets.size(); ++i)
        fs::create_symlink(targets[i].first, cables / ("F" + std::to_string(i)));
    Pty pty;
    fs::create_symlink(pty.Path(), cables / "OK");
    std::vector<RefusedCable> refused;
    const auto listed = ListVirtualCables(cables, nullptr, &refused);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].serialNumber, "OK");
    ASSERT_EQ(refused.size(), targets.size());
    for (std::size_t i = 0; i < targets.size(); ++i)
        EXPECT_EQ(RefusalText(cables, refused[i]),
                  "Виртуальный кабель F" + std::to_string(i) + " из " + cables.string() +
                      " не используется: " + targets[i].first.string() + " — " + targets[i].second +
                      ", а не псевдотерминал /dev/pts/N");
}

TEST(CableDirectory, RegisterReplacesOnlyStaleLinksAndUnregisterOnlyItsOwn) {
    TempDir dir;
    const fs::path cables = dir.Path() / "run" / "cables";
    auto pty1 = std::make_unique<Pty>();
    Pty pty2;
    const fs::path first = pty1->Path(), second = pty2.Path();
    EXPECT_EQ(RegisterVirtualCable(cables, "M1", first), RegisterResult::Registered);
    EXPECT_EQ(fs::status(cables).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(RegisterVirtualCable(cables, "M1", second), RegisterResult::AlreadyPresent);
    EXPECT_EQ(RegisterVirtualCable(cables, "bad/name", second), RegisterResult::InvalidSerial);

    UnregisterVirtualCable(cables, "M1", second);  // not its link: stays
    EXPECT_TRUE(fs::is_symlink(cables / "M1"));

    pty1.reset();  // the modem died without cleaning up: its terminal is gone
    EXPECT_EQ(RegisterVirtualCable(cables, "M1", second, 16), RegisterResult::Registered);
    EXPECT_EQ(fs::read_symlink(cables / "M1"), second);
    // Died again; its device came to the next modem, which announces nothing.
    EXPECT_EQ(RegisterVirtualCable(cables, "M1", second), RegisterResult::Registered);
    EXPECT_FALSE(fs::exists(LatencyTimerFile(cables, "M1")));

    pty1 = std::make_unique<Pty>();
    EXPECT_EQ(RegisterVirtualCable(cables, "M2", pty1->Path(), 7), RegisterResult::Registered);
    std::ifstream announced(LatencyTimerFile(cables, "M2"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(announced), {}), "7\n");
    EXPECT_EQ(ListVirtualCables(cables).size(), 2u);  // the announcement is no cable
    for (const char* serial : {"M1", "M2"}) UnregisterVirtualCable(cables, serial, second);
    EXPECT_FALSE(fs::exists(fs::symlink_status(cables / "M1")));
    EXPECT_FALSE(fs::exists(cables / "M1.lock"));  // removed while still held
    EXPECT_TRUE(fs::exists(cables / "M2.lock"));
    EXPECT_TRUE(fs::exists(LatencyTimerFile(cables, "M2")));  // not its link: stays

    // Killed: its lock file is there but nobody holds it, while its pseudo-terminal's number
    // went to another program. The link is no cable any more, and the next modem takes it.
    std::ofstream(cables / "M3.lock").put('x');
    fs::create_symlink(pty1->Path(), cables / "M3");
    EXPECT_EQ(ListVirtualCables(cables).size(), 1u);
    EXPECT_EQ(RegisterVirtualCable(cables, "M3", second), RegisterResult::Registered);
    EXPECT_EQ(ListVirtualCables(cables).size(), 2u);
}

// As a folder of /tmp another user may have made first, or a pseudo-terminal of theirs.
TEST(CableDirectory, PlantedFoldersAndOtherUsersTerminalsAreNotCables) {
    TempDir dir;
    const fs::path cables = dir.Path() / "planted" / "cables";
    fs::create_directories(cables);
    Pty mine;
    fs::create_symlink(mine.Path(), cables / "P1");
    if (::chown(cables.c_str(), 65534, 65534) != 0) GTEST_SKIP() << "chown not permitted here";
    std::string distrust;
    EXPECT_TRUE(ListVirtualCables(cables, &distrust).empty());
    EXPECT_NE(distrust.find("принадлежит другому пользователю (uid 65534)"), std::string::npos)
        << distrust;
    EXPECT_EQ(RegisterVirtualCable(cables, "P2", mine.Path()), RegisterResult::Untrusted);
    EXPECT_FALSE(fs::exists(fs::symlink_status(cables / "P2")));

    // The folder above counts too, and so do folders others may write.
    ASSERT_EQ(::chown(cables.c_str(), ::geteuid(), ::getegid()), 0);
    ASSERT_EQ(::chown(cables.parent_path().c_str(), 65534, 65534), 0);
    EXPECT_TRUE(ListVirtualCables(cables, &distrust).empty());
    EXPECT_NE(distrust.find(cables.parent_path().string()), std::string::npos) << distrust;
    ASSERT_EQ(::chown(cables.parent_path().c_str(), ::geteuid(), ::getegid()), 0);
    fs::permissions(cables, fs::perms::all);
    EXPECT_TRUE(ListVirtualCables(cables, &distrust).empty());
    EXPECT_NE(distrust.find("права 0777"), std::string::npos) << distrust;
    fs::permissions(cables, fs::perms::owner_all);
    distrust.clear();
    EXPECT_EQ(ListVirtualCables(cables, &distrust).size(), 1u);
    EXPECT_EQ(distrust, "");

    // A link in one's own folder to another user's pseudo-terminal.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    const fs::path terminal = ::ptsname(master);
    fs::create_symlink(terminal, cables / "P3");
    EXPECT_EQ(ListVirtualCables(cables).size(), 2u);
    ASSERT_EQ(::chown(terminal.c_str(), 65534, 65534), 0);
    std::vector<RefusedCable> refused;
    const auto listed = ListVirtualCables(cables, nullptr, &refused);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].serialNumber, "P1");
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].reason,
              terminal.string() + " — псевдотерминал другого пользователя (uid 65534)");
    ::close(master);
}

}  // namespace
}  // namespace gsmprog::test
