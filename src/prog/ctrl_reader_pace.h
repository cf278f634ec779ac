// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pace at which the control window reads the control link: every CtrlReadIntervalMs it
// takes at most CtrlEventsPerRead events (so that a chatty modem cannot hold its thread, and
// still never outruns it), and every CtrlStatusIntervalMs it asks for the modem's status.
// 20 reads a second look immediate to the eye; each read that brings lines costs the window a
// layout and a repaint of its log, so reading more often only costs processor time.

namespace gsmprog {

inline constexpr int CtrlReadIntervalMs = 50;
inline constexpr int CtrlEventsPerRead = 500;  // 10 000 events a second, as ever
inline constexpr int CtrlStatusIntervalMs = 1000;

}  // namespace gsmprog
