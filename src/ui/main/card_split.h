// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The card list and the card area share the window's height through a splitter. By default
// the list shows at least MinimumListRows rows, and more where the screen has room; the card
// area gives up height only where its controls stay reachable: the object device's pane
// scrolls its loops inside itself down to its type, code and modes.

class QBoxLayout;
class QLayout;
class QSplitter;
class QTableView;
class QWidget;

namespace gsmprog {

inline constexpr int MinimumListRows = 6;

// The list's height for `rows` rows under its header.
int ListHeightForRows(const QTableView& list, int rows);

struct CardSplitParts {
    QBoxLayout* root = nullptr;  // the window's layout holding the list and the card area
    QTableView* list = nullptr;
    QWidget* aboveList = nullptr;  // a line shown above the list, if any; an item of `root`
    QLayout* cardArea = nullptr;   // an item of `root`
    QWidget* devicePane = nullptr;
    int devicePaneFull = 0;  // the pane's height with every control of every device type
    int devicePaneKept = 0;  // what it keeps when it scrolls
};

// Puts the list and the card area of a window laid out at its fixed, screen-fitted size into
// a splitter, as high as they are now, and lets the window grow: the list takes what the
// window gains, up to `room` by default. Returns the splitter ("cardSplit").
QSplitter* SplitCardList(QWidget& window, const CardSplitParts& parts, int room);

}  // namespace gsmprog
