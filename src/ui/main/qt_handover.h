// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The hand-over of the windows: a call queued to an object of the window's thread, which the
// worker waits for.

#include "ui/main/work_handover.h"

class QObject;

namespace gsmprog {

class QtHandover final : public WorkHandover {
public:
    explicit QtHandover(QObject& receiver) : receiver_(receiver) {}
    void RunOnWindowThread(const std::function<void()>& step) override;
    void RunHandedOver() override;

private:
    QObject& receiver_;
};

}  // namespace gsmprog
