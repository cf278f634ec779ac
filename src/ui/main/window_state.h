// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window remembers itself per user: its size and position, the split between the
// card list and the card area, and the list's column widths, in Qt's settings under the
// user's config folder (organisation and application "gsmprog"). A remembered place is
// brought inside the work area of the screen the window opens on now, so a laptop undocked
// from a large monitor never opens the window off its screen.

class QHeaderView;
class QRect;
class QSplitter;
class QWidget;

namespace gsmprog {

// `frame`: the window's outer rectangle (title bar included), moved and shrunk into
// `workArea`; never below the window's `minimum` size.
QRect ClampedToWorkArea(const QRect& frame, const QRect& workArea, int minimumWidth,
                        int minimumHeight);

// Applies what was saved, if anything; the window is not shown yet. False when the split is
// not restored (none saved, or made for a window taller than this one may be).
bool RestoreWindowState(QWidget& window, QSplitter& split, QHeaderView& columns);
void SaveWindowState(const QWidget& window, const QSplitter& split, const QHeaderView& columns);

}  // namespace gsmprog
