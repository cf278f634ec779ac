// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-vmodem as a program: its cable link, its answers over the pseudo-terminal, the
// image file, and its refusals.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "link/checksums.h"
#include "vmodem/default_image.h"
#include "support/scripted_cable.h"
#include "support/test_frames.h"
#include "support/vmodem_process.h"

namespace gsmprog::test {
namespace {

namespace fs = std::filesystem;

// The host end, talking raw POSIX so that only the modem is under test here.
class Host {
public:
    explicit Host(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY);
        termios raw{};
        ::tcgetattr(fd_, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(fd_, TCSANOW, &raw);
    }
    ~Host() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool IsOpen() const { return fd_ >= 0; }
    // Writes `message` and collects the answer until `expected` bytes came (or 5 s passed).
    Bytes Ask(const Bytes& message, std::size_t expected) {
        Bytes answer;
        for (const Bytes& piece : AskInPieces(message, expected))
            answer.insert(answer.end(), piece.begin(), piece.end());
        return answer;
    }
    // The same, keeping apart the bytes of each read, taken as soon as they arrive.
    std::vector<Bytes> AskInPieces(const Bytes& message, std::size_t expected) {
        EXPECT_EQ(::write(fd_, message.data(), message.size()),
                  static_cast<ssize_t>(message.size()));
        std::vector<Bytes> pieces;
        std::size_t got = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (got < expected && std::chrono::steady_clock::now() < deadline) {
            pollfd in{fd_, POLLIN, 0};
            if (::poll(&in, 1, 20) <= 0) continue;
            std::uint8_t buffer[512];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) continue;
            pieces.emplace_back(buffer, buffer + n);
            got += static_cast<std::size_t>(n);
        }
        return pieces;
    }

private:
    int fd_ = -1;
};

VmodemSetup WithArgs(std::vector<std::string> args) {
    VmodemSetup setup;
    setup.args = std::move(args);
    return setup;
}

TEST(VmodemProgram, RegistersItsCableAnswersAndRemovesTheLinkOnSigterm) {
    VmodemProcess modem;
    ASSERT_TRUE(modem.Started()) << modem.Log();
    const fs::path link = modem.CableDir() / "VMODEM1";
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), modem.PtyPath());
    EXPECT_TRUE(fs::exists(modem.CableDir() / "VMODEM1.lock"));
    // The folders it made are its user's alone.
    for (const fs::path& made : {modem.CableDir(), modem.CableDir().parent_path()})
        EXPECT_EQ(fs::status(made).permissions() & fs::perms::all, fs::perms::owner_all) << made;

    Host host(modem.PtyPath());
    ASSERT_TRUE(host.IsOpen());
    EXPECT_EQ(host.Ask(ToBytes("PROG_GSMA"), 5), ToBytes("READY"));
    EXPECT_EQ(host.Ask(ToBytes("DEVICE"), 6), (Bytes{0x3A, 0x03, 2, 5, 1, 0xBB}));

    EXPECT_EQ(modem.Stop(SIGTERM), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_TRUE(fs::is_empty(modem.CableDir()));  // its lock file went with it
}

TEST(VmodemProgram, SigintAlsoRemovesTheLink) {
    VmodemSetup setup;
    setup.serial = "A1";
    VmodemProcess modem(setup);
    ASSERT_TRUE(modem.Started());
    EXPECT_EQ(modem.Stop(SIGINT), 0);
    EXPECT_TRUE(fs::is_empty(modem.CableDir()));
}

TEST(VmodemProgram, VersionIsTheProgramsLikeTheOtherTwo) {
    const auto version = RunProgram(VmodemProgram(), {"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("gsmprog-vmodem ", 0), 0u) << version.out;
    EXPECT_EQ(RunProgram(VmodemProgram(), {"--version", "1.2.3"}).exitCode,
              2);  // the device's is --device-version
}

TEST(VmodemProgram, SplitRepliesComeInTwoPiecesAndTheGapIsAnnounced) {
    VmodemProcess modem(WithArgs({"--split-replies", "100"}));
    ASSERT_TRUE(modem.Started()) << modem.Log();
    const fs::path announcement = modem.CableDir() / "VMODEM1.latency_timer";
    std::ifstream in(announcement);
    int announced = -1;
    EXPECT_TRUE(in >> announced);
    EXPECT_EQ(announced, 100);

    Host host(modem.PtyPath());
    EXPECT_EQ(host.AskInPieces(ToBytes("PROG_GSMA"), 5),
              (std::vector<Bytes>{ToBytes("RE"), ToBytes("ADY")}));
    EXPECT_EQ(modem.Stop(SIGTERM), 0);
    EXPECT_FALSE(fs::exists(announcement));

    VmodemProcess random(WithArgs({"--split-replies", "random"}));
    ASSERT_TRUE(random.Started()) << random.Log();
    std::ifstream(random.CableDir() / "VMODEM1.latency_timer") >> announced;
    EXPECT_EQ(announced, 16);
    Host other(random.PtyPath());
    EXPECT_EQ(other.Ask(ToBytes("PROG_GSMA"), 5), ToBytes("READY"));
}

TEST(VmodemProgram, AStopSignalEndsItWhileItsLineIsFullOrBetweenPieces) {
    for (const char* split : {"0", "255"}) {
        VmodemProcess modem(WithArgs({"--traces", "10000", "--split-replies", split}));
        ASSERT_TRUE(modem.Started()) << modem.Log();
        {
            Host host(modem.PtyPath());
            EXPECT_EQ(host.Ask(ToBytes("CTRL_SETUP_GSMA"), 5), ToBytes("READY"));
        }  // the host goes away; unasked traces fill the line
        std::this_thread::sleep_for(std::chrono::seconds(1));
        EXPECT_EQ(modem.Stop(SIGTERM, std::chrono::seconds(2)), 0) << "--split-replies " << split;
    }
}

TEST(VmodemProgram, KeepsTheWrittenImageInItsFileAcrossRestarts) {
    TempDir dir;
    const fs::path file = dir.Path() / "modem.img";
    const auto image = vmodem::DefaultImage(0);
    {
        VmodemProcess modem(WithArgs({"--image", file.string(), "--ready-next"}));
        ASSERT_TRUE(modem.Started());
        Host host(modem.PtyPath());
        EXPECT_EQ(host.Ask(ToBytes("PROG_GSMA"), 5), ToBytes("READY"));
        EXPECT_EQ(host.Ask(ToBytes("WRITE"), 9), ToBytes("READYNEXT"));
        for (std::size_t p = 0; p < image.size(); p += 32) {
            const auto n = std::min<std::size_t>(32, image.size() - p);
            EXPECT_EQ(host.Ask(Frame(image.data() + p, n), 4), ToBytes("NEXT"));
        }
        EXPECT_EQ(host.Ask(Bytes{0x3A, 0, 0xC6}, 2), ToBytes("OK"));
    }
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), {}), image);

    VmodemProcess again(WithArgs({"--image", file.string()}));
    ASSERT_TRUE(again.Started());
    Host host(again.PtyPath());
    host.Ask(ToBytes("PROG_GSMA"), 5);
    host.Ask(ToBytes("READ"), 5);
    const Bytes first = host.Ask(ToBytes("NEXT"), 35);
    ASSERT_EQ(first.size(), 35u);
    EXPECT_TRUE(std::equal(first.begin() + 2, first.end() - 1, image.begin()));
}

TEST(VmodemProgram, RefusesBadStartsWithAReason) {
    TempDir dir;
    const std::string cables = (dir.Path() / "cables").string();
    auto bad = RunProgram(VmodemProgram(), {"--serial", "a/b", "--cable-dir", cables});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("серийный номер"), std::string::npos) << bad.err;

    bad = RunProgram(VmodemProgram(), {"--silent-after-block", "many"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("числом"), std::string::npos) << bad.err;
    for (const char* split : {"256", "-1", "often", ""}) {
        bad = RunProgram(VmodemProgram(), {"--cable-dir", cables, "--split-replies", split});
        EXPECT_EQ(bad.exitCode, 2) << split;
        EXPECT_NE(bad.err.find("0..255"), std::string::npos) << bad.err;
    }

    std::ofstream(dir.Path() / "junk.img") << "not an image";
    bad = RunProgram(VmodemProgram(),
                     {"--cable-dir", cables, "--image", (dir.Path() / "junk.img").string()});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("нет образа"), std::string::npos) << bad.err;
    bad = RunProgram(VmodemProgram(),
                     {"--cable-dir", cables, "--image", (dir.Path() / "no/such.img").string()});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("нет каталога " + (dir.Path() / "no").string()), std::string::npos)
        << bad.err;

    VmodemSetup shared;
    shared.runtimeDir = dir.Path();
    VmodemProcess first(shared);
    ASSERT_TRUE(first.Started());
    bad = RunProgram(VmodemProgram(), {"--cable-dir", first.CableDir().string()});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("уже есть"), std::string::npos) << bad.err;
    EXPECT_TRUE(fs::exists(first.CableDir() / "VMODEM1"));

    // A cable folder another user made first: nobody would take the cable from there.
    const fs::path planted = dir.Path() / "planted" / "cables";
    fs::create_directories(planted);
    if (::chown(planted.c_str(), 65534, 65534) != 0) GTEST_SKIP() << "chown not permitted here";
    bad = RunProgram(VmodemProgram(), {"--cable-dir", planted.string()});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("принадлежит другому пользователю (uid 65534)"), std::string::npos)
        << bad.err;
    EXPECT_TRUE(fs::is_empty(planted));
}

}  // namespace
}  // namespace gsmprog::test
