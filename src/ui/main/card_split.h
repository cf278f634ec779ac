// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The card list and the card area share the window's height through a splitter; the card
// area scrolls inside itself when it gets less than all of itself, so the toolbar, the list
// and the button rows below stay in view on any screen. By default the list shows
// MinimumListRows rows where that is all the screen allows and up to DefaultListRows where
// it allows more; the card takes the rest, up to all of itself.

class QScrollArea;
class QSplitter;
class QTableView;
class QWidget;

namespace gsmprog {

inline constexpr int MinimumListRows = 6;
inline constexpr int DefaultListRows = 15;

// Layouts keep their controls' size hints until told, or until the events of a change are
// handled; a change deep inside `widget` (a group shown, a caption widened) reaches its size
// hint at once only so.
void RefreshSizeHints(QWidget& widget);

// The list's height for `rows` rows under its header.
int ListHeightForRows(const QTableView& list, int rows);

struct CardSplitParts {
    QSplitter* split = nullptr;  // the list above the card area
    QTableView* list = nullptr;
    QScrollArea* card = nullptr;
};

// Sets what the parts may take and gives the window, not shown yet, its default height
// within `room`, split by default.
void SizeCardSplit(QWidget& window, const CardSplitParts& parts, int room);
// The default split for the window's present height.
void DefaultCardSplit(QWidget& window, const CardSplitParts& parts);

}  // namespace gsmprog
