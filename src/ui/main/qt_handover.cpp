// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/qt_handover.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>

namespace gsmprog {

void QtHandover::RunOnWindowThread(const std::function<void()>& step) {
    QMetaObject::invokeMethod(
        &receiver_, [&step] { step(); }, Qt::BlockingQueuedConnection);
}

void QtHandover::RunHandedOver() {
    // The worker's hand-over is a call queued to the window, which is waiting here.
    QCoreApplication::sendPostedEvents(&receiver_, QEvent::MetaCall);
}

}  // namespace gsmprog
