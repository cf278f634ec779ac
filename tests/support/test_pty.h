// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A pseudo-terminal a test holds both ends of, as a modem emulator does: the far end to answer
// on, the near end open so that the line stays up between the opens of the program under test.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

namespace gsmprog::test {

// A pseudo-terminal whose far end the test holds, like a modem would.
class Pty {
public:
    Pty() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);  // not the programs' it starts
        ::grantpt(master_);
        ::unlockpt(master_);
        path_ = ::ptsname(master_);
        // Keeps the line up between the opens of the program under test.
        slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios raw{};
        ::tcgetattr(slave_, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave_, TCSANOW, &raw);
    }
    ~Pty() {
        ::close(slave_);
        ::close(master_);
    }
    const std::string& Path() const { return path_; }
    void Send(const std::string& bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    std::string Received(std::size_t expected) {
        std::string got;
        for (int i = 0; i < 250 && got.size() < expected; ++i) {
            pollfd in{master_, POLLIN, 0};
            if (::poll(&in, 1, 20) <= 0) continue;
            char buffer[256];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) got.append(buffer, std::size_t(n));
        }
        return got;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

}  // namespace gsmprog::test
