#pragma once
// Keeps a fixed-size window within the screen it opens on.

class QLayout;
class QWidget;

namespace gsmprog {

// When `window` (laid out at a fixed size) is taller than the screen leaves room for, its
// content moves into a vertical scroll area and the window takes the height there is, so
// every control stays reachable (a 768-pixel laptop screen at 125 % scaling). On a larger
// screen nothing changes. `footer`, a row of the window's layout, then stays in view below the
// scrolled part.
void ScrollWhenScreenIsLow(QWidget& window, QLayout* footer = nullptr);

}  // namespace gsmprog
