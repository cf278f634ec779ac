#include "ui/main/screen_fit.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>

namespace gsmprog {

void ScrollWhenScreenIsLow(QWidget& window, QLayout* footer) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    QLayout* layout = window.layout();
    if (!screen || !layout) return;
    // The window manager's title bar is not there before the window is shown.
    const int titleBar = window.style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8;
    const int room = screen->availableGeometry().height() - titleBar;
    const QSize wanted = layout->totalSizeHint();
    if (wanted.height() <= room) return;

    if (footer) layout->removeItem(footer);   // its controls stay with the window
    auto* content = new QWidget;
    content->setLayout(layout);   // takes the laid-out controls along
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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

}  // namespace gsmprog
