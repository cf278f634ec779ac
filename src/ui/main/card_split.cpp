// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/card_split.h"

#include <QHeaderView>
#include <QLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <algorithm>

namespace gsmprog {

namespace {
// The fewest rows a dragged split leaves in view.
constexpr int FewestListRows = 2;
// The least of the card a dragged split leaves: a few of its lines.
constexpr int FewestCardPixels = 90;

// The splitter's height once the window's layout has placed it at the window's present
// size: a window not shown yet lays itself out only when told.
int SplitHeight(QWidget& window, const QSplitter& split) {
    window.layout()->invalidate();
    window.layout()->activate();
    return split.height();
}
}  // namespace

void RefreshSizeHints(QWidget& widget) {
    for (QWidget* control : widget.findChildren<QWidget*>()) control->updateGeometry();
    for (QLayout* layout : widget.findChildren<QLayout*>()) layout->invalidate();
    if (widget.layout()) widget.layout()->invalidate();
}

int ListHeightForRows(const QTableView& list, int rows) {
    return list.horizontalHeader()->sizeHint().height() +
           rows * list.verticalHeader()->defaultSectionSize() + 2 * list.frameWidth();
}

void SizeCardSplit(QWidget& window, const CardSplitParts& parts, int room) {
    QScrollArea& card = *parts.card;
    RefreshSizeHints(*card.widget());
    const QSize size = card.widget()->sizeHint();
    const int full = size.height() + 2 * card.frameWidth();
    // Beyond all of itself the card would only show empty room: the list takes that.
    card.setMaximumHeight(full);
    card.setMinimumHeight(std::min(full, FewestCardPixels));
    // As wide as the card's design with a scroll bar beside it: it scrolls only up and down.
    card.setMinimumWidth(size.width() + card.verticalScrollBar()->sizeHint().width() +
                         2 * card.frameWidth());
    parts.list->setMinimumHeight(ListHeightForRows(*parts.list, FewestListRows));
    parts.split->setStretchFactor(0, 1);
    parts.split->setStretchFactor(1, 0);

    const int width = window.layout()->totalMinimumSize().width();
    window.resize(width, window.layout()->totalMinimumSize().height());
    const int others = window.height() - SplitHeight(window, *parts.split);
    const int handle = parts.split->handleWidth();
    const int wanted = others + ListHeightForRows(*parts.list, DefaultListRows) + handle + full;
    const int least =
        others + ListHeightForRows(*parts.list, MinimumListRows) + handle + card.minimumHeight();
    window.resize(width, std::max(std::min(wanted, room), least));
    DefaultCardSplit(window, parts);
}

void DefaultCardSplit(QWidget& window, const CardSplitParts& parts) {
    const int available = SplitHeight(window, *parts.split) - parts.split->handleWidth();
    const int listLeast = ListHeightForRows(*parts.list, MinimumListRows);
    const int card =
        std::clamp(available - listLeast, parts.card->minimumHeight(), parts.card->maximumHeight());
    parts.split->setSizes({available - card, card});
}

}  // namespace gsmprog
