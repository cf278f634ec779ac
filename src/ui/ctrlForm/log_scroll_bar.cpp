// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ctrlForm/log_scroll_bar.h"

#include <QStyle>
#include <QStyleOptionSlider>

namespace gsmprog {

LogScrollBar::Look LogScrollBar::Current() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
            value() == minimum(), value() == maximum()};
}

void LogScrollBar::sliderChange(SliderChange change) {
    if (change != SliderRangeChange && change != SliderValueChange) {
        QScrollBar::sliderChange(change);
        return;
    }
    // All the base class would do is repaint. A log sets the range once per line it adds, so
    // whether the bar shows anything new is judged once the tick is over, before its repaint.
    if (lookPending_) return;
    lookPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            lookPending_ = false;
            if (Current() != painted_) update();
        },
        Qt::QueuedConnection);
}

void LogScrollBar::paintEvent(QPaintEvent* event) {
    painted_ = Current();
    QScrollBar::paintEvent(event);
}

}  // namespace gsmprog
