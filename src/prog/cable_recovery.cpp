// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "prog/cable_recovery.h"

#include "prog/ftdi_korvel_ctrl.h"

namespace gsmprog {

bool CableRecovery::Keep(FTDI_KorvelCtrl& link, Clock::time_point now) {
    if (!link.IsRunning() || !link.CableFailing()) {
        failing_ = false;
        return false;
    }
    if (!failing_) {
        failing_ = true;
        failingSince_ = now;
    }
    if (now - failingSince_ < FailingFor || now - lastRestart_ < RetryInterval) return false;
    lastRestart_ = now;
    link.Stop();
    link.Start();
    return true;
}

}  // namespace gsmprog
