// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The thread that owns every port of one serial cable. Being a QThread, it is where Qt's
// serial ports expect to be used; it runs the calls handed to it one by one and, between them,
// watches the lines whose arrivals are timed.

#include <QThread>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace gsmprog {

class PortThread final : public QThread {
public:
    // Both are called in the thread only, between calls.
    struct Watch {
        std::function<std::vector<int>()> lines;            // the descriptors to watch
        std::function<void(int fd, short events)> onEvent;  // poll(2) reported `events` on `fd`
    };

    explicit PortThread(Watch watch);
    ~PortThread() override;
    PortThread(const PortThread&) = delete;
    PortThread& operator=(const PortThread&) = delete;

    bool IsCurrent() const { return QThread::currentThread() == this; }
    // Runs `call` in the thread and waits for it; one caller at a time.
    void Run(const std::function<void()>& call);

private:
    void run() override;
    void Wake();
    // Sleeps until a call comes or bytes arrive on a watched line.
    void WatchLines();

    const Watch watch_;
    const int wakeFd_;  // an eventfd: a call or the end is waiting
    std::mutex lock_;   // guards task_, quitting_ and finished_
    std::condition_variable changed_;
    const std::function<void()>* task_ = nullptr;
    bool quitting_ = false;
    bool finished_ = false;
};

}  // namespace gsmprog
