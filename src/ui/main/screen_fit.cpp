// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/screen_fit.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <limits>

namespace gsmprog {
namespace {

// Layouts keep their controls' size hints until told; a change deep inside reaches the
// window only so.
int WantedHeight(const QWidget& window) {
    for (QWidget* control : window.findChildren<QWidget*>()) control->updateGeometry();
    for (QLayout* layout : window.findChildren<QLayout*>()) layout->invalidate();
    return window.layout()->totalSizeHint().height();
}

// Tighter, but group boxes keep a frame's breadth around their controls.
void CloseUpLayouts(QWidget& window) {
    constexpr int Spacing = 2;
    constexpr int Margin = 3;
    for (QLayout* layout : window.findChildren<QLayout*>()) {
        if (layout->spacing() > Spacing) layout->setSpacing(Spacing);
        if (auto* grid = qobject_cast<QGridLayout*>(layout);
            grid && grid->verticalSpacing() > Spacing)
            grid->setVerticalSpacing(Spacing);
        const QMargins m = layout->contentsMargins();
        layout->setContentsMargins(std::min(m.left(), Margin), std::min(m.top(), Margin),
                                   std::min(m.right(), Margin), std::min(m.bottom(), Margin));
    }
}

QScrollArea* PlainScrollArea() {
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return scroll;
}

}  // namespace

QScrollArea* ScrollPartInside(QWidget& part, int height) {
    QLayout* holder = part.parentWidget() ? part.parentWidget()->layout() : nullptr;
    if (!holder) return nullptr;
    QScrollArea* scroll = PlainScrollArea();
    const int width = std::max(part.minimumWidth(), part.minimumSizeHint().width()) +
                      scroll->verticalScrollBar()->sizeHint().width();
    delete holder->replaceWidget(&part, scroll);
    // In the view the part takes what its content needs now: no scroll bar over empty room.
    part.setMinimumHeight(0);
    scroll->setWidgetResizable(true);
    scroll->setWidget(&part);
    scroll->setFixedSize(width, height);
    return scroll;
}

namespace {

void ScrollWholeContent(QWidget& window, QLayout* footer, int room) {
    QLayout* layout = window.layout();
    const QSize wanted = layout->totalSizeHint();
    if (footer) layout->removeItem(footer);  // its controls stay with the window
    auto* content = new QWidget;
    content->setLayout(layout);  // takes the laid-out controls along
    QScrollArea* scroll = PlainScrollArea();
    scroll->setWidget(content);
    auto* outer = new QVBoxLayout(&window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    if (footer) {
        outer->setContentsMargins(layout->contentsMargins());
        layout->setContentsMargins(0, 0, 0, 0);
        outer->addLayout(footer);
    }
    window.setFixedSize(wanted.width() + scroll->verticalScrollBar()->sizeHint().width(), room);
}

}  // namespace

void FitWindowToHeight(QWidget& window, int room, const ScreenFitParts& parts) {
    if (!window.layout() || WantedHeight(window) <= room) return;
    CloseUpLayouts(window);
    if (WantedHeight(window) <= room) return;
    if (QWidget* part = parts.shrinkable) {
        const int full = std::max(part->minimumHeight(), part->minimumSizeHint().height());
        const int height = std::max(parts.keptHeight, full - (WantedHeight(window) - room));
        if (height < full) ScrollPartInside(*part, height);
        if (WantedHeight(window) <= room) return;
    }
    ScrollWholeContent(window, parts.footer, room);
}

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
