// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The room a screen leaves a window that is not shown yet.

class QWidget;

namespace gsmprog {

// The room the primary screen's work area leaves for the window's content, below its title bar.
int ScreenRoomForWindow(const QWidget& window);
// What a window manager's title bar may take above a window not yet shown.
int TitleBarAllowance(const QWidget& window);

}  // namespace gsmprog
