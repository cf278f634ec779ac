// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a worker hands its completion step to the window's thread: the worker asks and waits
// until the step ran there; the window, while it waits for a worker to end, runs what was
// handed over meanwhile. The windows use Qt's queued calls (QtHandover); tests without
// windows run the same workers with a plain queue.

#include <functional>

namespace gsmprog {

class WorkHandover {
public:
    virtual ~WorkHandover() = default;
    // Worker thread: runs `step` on the window's thread and returns once it has run.
    virtual void RunOnWindowThread(const std::function<void()>& step) = 0;
    // Window thread, while it waits for a worker: runs the steps handed over meanwhile.
    virtual void RunHandedOver() = 0;
};

}  // namespace gsmprog
