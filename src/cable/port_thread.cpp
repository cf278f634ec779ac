// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cable/port_thread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace gsmprog {

PortThread::PortThread(Watch watch)
    : watch_(std::move(watch)), wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    start();
}

PortThread::~PortThread() {
    std::unique_lock guard(lock_);
    quitting_ = true;
    Wake();
    // Our own hand-shake, so that the end of run() visibly precedes what follows;
    // QThread::wait() synchronises inside Qt, where the thread checkers cannot see it.
    changed_.wait(guard, [&] { return finished_; });
    guard.unlock();
    wait();
    ::close(wakeFd_);
}

void PortThread::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void PortThread::Run(const std::function<void()>& call) {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [&] { return task_ == nullptr; });
    task_ = &call;
    Wake();
    changed_.wait(guard, [&] { return task_ != &call; });
}

void PortThread::run() {
    std::unique_lock guard(lock_);
    while (true) {
        if (task_ != nullptr) {
            guard.unlock();
            (*task_)();
            guard.lock();
            task_ = nullptr;
            changed_.notify_all();
        } else if (quitting_) {
            finished_ = true;
            changed_.notify_all();
            return;
        } else {
            guard.unlock();
            WatchLines();
            guard.lock();
        }
    }
}

void PortThread::WatchLines() {
    std::vector<pollfd> fds{{wakeFd_, POLLIN, 0}};
    for (int fd : watch_.lines()) fds.push_back({fd, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), -1) <= 0) return;
    if (fds[0].revents != 0) {
        std::uint64_t calls = 0;
        [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &calls, sizeof calls);
    }
    for (std::size_t i = 1; i < fds.size(); ++i)
        if (fds[i].revents != 0) watch_.onEvent(fds[i].fd, fds[i].revents);
}

}  // namespace gsmprog
