// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The verdicts of the cable check: from what was found, each problem as one Russian line that
// ends in its remedy (the README's troubleshooting steps, shortened).

#include <string>
#include <vector>

#include "ports/cable_check.h"

namespace gsmprog {

// No driver has the adapter's port, or a program took its interface through usbfs: the only
// cases in which brltty may hold it.
bool LeftByItsDriver(const FtdiUsbDevice& device);

// brltty holds the adapter: a brltty process has it through usbfs, or its interface went to
// usbfs by a program this user cannot see while brltty runs and its rule names the adapter, or
// no driver has it while brltty runs and its rule names the adapter. Never by guess.
bool HeldByBrltty(const FtdiUsbDevice& device, const std::vector<SeenProcess>& usbfsHolders,
                  const SystemServices& services);

// Fills cable.verdicts and cable.usable.
void JudgeCable(CheckedCable& cable, const SystemServices& services);

// Fills check.verdicts: no cable at all, gsmprog's rule missing, virtual cables refused.
void JudgeSystem(CableCheck& check);

// The one verdict that says what to do about a cable that could not be used: that of the cable
// `serial` (empty: any cable) when it is not usable, else the system's first; empty when the
// check finds nothing wrong.
std::string CableRemedy(const CableCheck& check, const std::string& serial);

}  // namespace gsmprog
