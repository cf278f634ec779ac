// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pace at which the control window reads the control link: every CtrlReadIntervalMs it
// takes at most CtrlEventsPerRead events (so that a chatty modem cannot hold its thread, and
// still never outruns it), and every CtrlStatusIntervalMs it asks for the modem's status.

namespace gsmprog {

inline constexpr int CtrlReadIntervalMs = 10;
inline constexpr int CtrlEventsPerRead = 100;
inline constexpr int CtrlStatusIntervalMs = 1000;

}  // namespace gsmprog
