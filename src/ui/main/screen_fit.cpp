// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/screen_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <limits>

namespace gsmprog {

int ScreenRoomForWindow(const QWidget& window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return std::numeric_limits<int>::max();
    return screen->availableGeometry().height() - TitleBarAllowance(window);
}

int TitleBarAllowance(const QWidget& window) {
    // The window manager's title bar is not there before the window is shown; desktops draw
    // theirs up to about 16 pixels taller than Qt's own.
    return window.style()->pixelMetric(QStyle::PM_TitleBarHeight) + 16;
}

}  // namespace gsmprog
