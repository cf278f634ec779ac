// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "vmodem/pty_line.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "vmodem/vmodem_log.h"

namespace gsmprog::vmodem {

namespace {
// Longest wait before the stop flag is looked at again.
constexpr int StopCheckMs = 10;
// A piece sent this much later than its gap is logged.
constexpr long LateLogMs = 10;
}  // namespace

PtyLine::PtyLine(const volatile std::sig_atomic_t& stop, std::optional<ReplySplit> split)
    : stop_(stop), split_(std::move(split)) {}

PtyLine::~PtyLine() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
}

bool PtyLine::Open(std::string& error) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error = std::string("нет псевдотерминала: ") + std::strerror(errno);
        return false;
    }
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        error = std::string("нет имени псевдотерминала: ") + std::strerror(errno);
        return false;
    }
    slavePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (slave_ < 0 || ::tcgetattr(slave_, &raw) != 0) {
        error = std::string("псевдотерминал не открывается: ") + std::strerror(errno);
        return false;
    }
    ::cfmakeraw(&raw);
    ::cfsetispeed(&raw, B115200);
    ::cfsetospeed(&raw, B115200);
    if (::tcsetattr(slave_, TCSANOW, &raw) != 0) {
        error = std::string("псевдотерминал не переводится в raw: ") + std::strerror(errno);
        return false;
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    return true;
}

void PtyLine::Send(const Bytes& reply) {
    const auto cut = split_ ? split_->Next(reply.size()) : std::nullopt;
    if (!cut) {
        Write(reply.data(), reply.size());
        return;
    }
    Write(reply.data(), cut->at);
    const auto start = std::chrono::steady_clock::now();
    Pause(cut->gapMs);
    Write(reply.data() + cut->at, reply.size() - cut->at);
    // A busy machine can hold the modem up past its gap; the host may then take the first piece
    // for the whole reply, and the log should say why.
    const auto late = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count() -
                      cut->gapMs;
    if (late > LateLogMs)
        Log("вторая часть ответа ушла на " + std::to_string(late) + " мс позже паузы " +
            std::to_string(cut->gapMs) + " мс");
}

void PtyLine::Write(const std::uint8_t* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size && stop_ == 0) {
        const ssize_t n = ::write(master_, bytes + done, size - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd out{master_, POLLOUT, 0};
            ::poll(&out, 1, StopCheckMs);
        } else {
            return;
        }
    }
}

void PtyLine::Pause(int milliseconds) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (Clock::time_point now = Clock::now(); now < end && stop_ == 0; now = Clock::now())
        std::this_thread::sleep_until(std::min(end, now + std::chrono::milliseconds(StopCheckMs)));
}

}  // namespace gsmprog::vmodem
