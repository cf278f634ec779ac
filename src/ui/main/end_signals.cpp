// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/end_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <stdexcept>

namespace gsmprog {

namespace {
constexpr int EndingSignals[] = {SIGTERM, SIGHUP};
volatile sig_atomic_t writeEnd = -1;

void OnSignal(int number) {
    const int saved = errno;
    const char byte = char(number);
    // Non-blocking: a full pipe already holds an ending the window has yet to read.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    errno = saved;
}
}  // namespace

EndSignals::EndSignals(std::function<void()> onEnd, QObject* parent)
    : QObject(parent), onEnd_(std::move(onEnd)) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("pipe2: не удалось подготовить обработку сигналов завершения");
    writeEnd = pipe_[1];
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &EndSignals::Received);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : EndingSignals) ::sigaction(number, &action, nullptr);
}

EndSignals::~EndSignals() {
    for (int number : EndingSignals) ::signal(number, SIG_DFL);
    writeEnd = -1;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void EndSignals::Received() {
    char bytes[16];
    while (::read(pipe_[0], bytes, sizeof bytes) > 0) {}
    if (onEnd_) onEnd_();
}

}  // namespace gsmprog
