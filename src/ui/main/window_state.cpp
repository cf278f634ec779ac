// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/window_state.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QRect>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QWidget>
#include <algorithm>

#include "ui/main/screen_fit.h"

namespace gsmprog {

namespace {
const QString Position = QStringLiteral("mainWindow/position");
const QString Size = QStringLiteral("mainWindow/size");
// Splits kept before the card scrolled inside its own area gave the list a whole-window
// scroll's rows: they are not taken over.
const QString Split = QStringLiteral("mainWindow/split");
const QString Columns = QStringLiteral("mainWindow/listColumns");
const QString Organisation = QStringLiteral("gsmprog");
const QString Application = QStringLiteral("gsmprog");
}  // namespace

QRect ClampedToWorkArea(const QRect& frame, const QRect& workArea, int minimumWidth,
                        int minimumHeight) {
    const int width = std::max(std::min(frame.width(), workArea.width()), minimumWidth);
    const int height = std::max(std::min(frame.height(), workArea.height()), minimumHeight);
    // Where the window is larger than the work area even so, its top left stays on screen.
    const int x =
        std::max(std::min(frame.x(), workArea.x() + workArea.width() - width), workArea.x());
    const int y =
        std::max(std::min(frame.y(), workArea.y() + workArea.height() - height), workArea.y());
    return {x, y, width, height};
}

bool RestoreWindowState(QWidget& window, QSplitter& split, QHeaderView& columns) {
    const QSettings settings(Organisation, Application);
    const QPoint position = settings.value(Position).toPoint();
    const QSize size = settings.value(Size).toSize();
    bool shrunk = false;
    if (size.isValid()) {
        const QScreen* screen = QGuiApplication::screenAt(position + QPoint(size.width() / 2, 0));
        if (!screen) screen = QGuiApplication::primaryScreen();
        const int titleBar = TitleBarAllowance(window);
        if (screen) {
            const QRect frame = ClampedToWorkArea(
                QRect(position, size + QSize(0, titleBar)), screen->availableGeometry(),
                window.minimumWidth(), window.minimumHeight() + titleBar);
            window.resize(frame.width(), frame.height() - titleBar);
            window.move(frame.topLeft());
            shrunk = frame.height() - titleBar < size.height();
        }
    }
    columns.restoreState(settings.value(Columns).toByteArray());
    // A split made in a taller window would leave the list the fewest rows here.
    return !shrunk && split.restoreState(settings.value(Split).toByteArray());
}

void SaveWindowState(const QWidget& window, const QSplitter& split, const QHeaderView& columns) {
    QSettings settings(Organisation, Application);
    settings.setValue(Position, window.pos());
    settings.setValue(Size, window.size());
    settings.setValue(Split, split.saveState());
    settings.setValue(Columns, columns.saveState());
}

}  // namespace gsmprog
