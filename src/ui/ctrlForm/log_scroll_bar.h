// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scroll bar of a traffic log. A log that grows changes its bar's range every tick, yet the
// handle moves by a pixel only every so many lines; a bar drawn with gradients is costly, so
// it is repainted only when what it shows has changed.

#include <QRect>
#include <QScrollBar>

namespace gsmprog {

class LogScrollBar : public QScrollBar {
public:
    explicit LogScrollBar(Qt::Orientation orientation) : QScrollBar(orientation) {}

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // What the bar showed when last painted: the handle, and the ends it had reached.
    struct Look {
        QRect handle;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const Look&) const = default;
    };
    Look Current() const;

    Look painted_;
    bool lookPending_ = false;  // a look at the bar is on its way
};

}  // namespace gsmprog
