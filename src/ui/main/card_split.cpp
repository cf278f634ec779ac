// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/card_split.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QScrollArea>
#include <QSplitter>
#include <QTableView>
#include <algorithm>

#include "ui/main/screen_fit.h"

namespace gsmprog {

namespace {
// The list's rows by default where the screen has room for them.
constexpr int DefaultListRows = 15;
// The fewest rows a dragged split leaves in view.
constexpr int FewestListRows = 2;

QScrollArea* EnclosingScrollArea(QWidget& widget) {
    for (QWidget* w = widget.parentWidget(); w; w = w->parentWidget())
        if (auto* scroll = qobject_cast<QScrollArea*>(w)) return scroll;
    return nullptr;
}
}  // namespace

int ListHeightForRows(const QTableView& list, int rows) {
    return list.horizontalHeader()->sizeHint().height() +
           rows * list.verticalHeader()->defaultSectionSize() + 2 * list.frameWidth();
}

QSplitter* SplitCardList(QWidget& window, const CardSplitParts& parts, int room) {
    window.layout()->activate();
    const int listHeight = parts.list->height();
    const int cardHeight = parts.cardArea->geometry().height();
    const int windowHeight = window.height();

    // The device pane scrolls between its kept and its full height; on a low screen the fit
    // has already put it into a scroll area.
    QScrollArea* pane = EnclosingScrollArea(*parts.devicePane);
    if (!pane) pane = ScrollPartInside(*parts.devicePane, parts.devicePane->height());
    const int paneGrowth = pane ? std::max(0, parts.devicePaneFull - pane->height()) : 0;
    if (pane) {
        pane->setMinimumHeight(std::min(parts.devicePaneKept, pane->height()));
        pane->setMaximumHeight(pane->height() + paneGrowth);
    }

    const int at = parts.root->indexOf(parts.aboveList ? parts.aboveList : parts.list);
    auto* split = new QSplitter(Qt::Vertical);
    split->setObjectName(QStringLiteral("cardSplit"));
    split->setChildrenCollapsible(false);
    // The list with the line above it, if any, moves as one.
    auto* listPane = new QWidget;
    listPane->setObjectName(QStringLiteral("listPane"));
    auto* listLayout = new QVBoxLayout(listPane);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(parts.root->spacing());
    for (QWidget* part : {parts.aboveList, static_cast<QWidget*>(parts.list)})
        if (part) {
            parts.root->removeWidget(part);
            listLayout->addWidget(part);
        }
    parts.root->removeItem(parts.cardArea);
    auto* card = new QWidget;
    card->setObjectName(QStringLiteral("cardArea"));
    card->setLayout(parts.cardArea);
    parts.cardArea->setContentsMargins(0, 0, 0, 0);
    // Beyond the device pane's full height the card would only show empty room.
    card->setMaximumHeight(cardHeight + paneGrowth);
    split->addWidget(listPane);
    split->addWidget(card);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 0);
    parts.list->setMinimumHeight(ListHeightForRows(*parts.list, FewestListRows));
    parts.list->setMaximumHeight(QWIDGETSIZE_MAX);
    parts.root->insertWidget(at, split, 1);

    // A window whose whole content had to scroll keeps its size.
    if (window.layout() != parts.root) return split;
    // The window may now grow; by default the list takes what the screen has to spare.
    window.layout()->setSizeConstraint(QLayout::SetMinimumSize);
    window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const int extra =
        std::clamp(room - windowHeight, 0,
                   std::max(0, ListHeightForRows(*parts.list, DefaultListRows) - listHeight));
    window.resize(window.width(), windowHeight + extra);
    const int aboveHeight = parts.aboveList ? parts.aboveList->height() + parts.root->spacing() : 0;
    split->setSizes({aboveHeight + listHeight + extra, cardHeight});
    return split;
}

}  // namespace gsmprog
