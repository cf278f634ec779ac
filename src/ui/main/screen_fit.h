// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps a fixed-size window within the screen it opens on.

class QLayout;
class QScrollArea;
class QWidget;

namespace gsmprog {

// The parts of a window that may give up height on a low screen.
struct ScreenFitParts {
    // A part whose lower controls may scroll inside it; it keeps at least `keptHeight`.
    QWidget* shrinkable = nullptr;
    int keptHeight = 0;
    // A row of the window's layout that stays in view if the rest has to scroll.
    QLayout* footer = nullptr;
};

// When `window` (laid out at a fixed size) is taller than `room`, it gives up height in steps
// until it fits: its layouts close up their margins and spacing, then the shrinkable part
// scrolls inside itself down to its kept height, and only if that is still too much does
// the whole content scroll above the footer. Every control stays reachable; with room
// enough nothing changes.
void FitWindowToHeight(QWidget& window, int room, const ScreenFitParts& parts);

// The room the primary screen leaves for the window's content, below its title bar.
int ScreenRoomForWindow(const QWidget& window);
// What a window manager's title bar may take above a window not yet shown.
int TitleBarAllowance(const QWidget& window);

// Puts `part` in its place into a frameless scroll area `height` high, as wide as the part
// and a scroll bar; the part scrolls vertically inside it.
QScrollArea* ScrollPartInside(QWidget& part, int height);

}  // namespace gsmprog
