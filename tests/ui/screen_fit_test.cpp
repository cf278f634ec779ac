// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A fixed-size window on a low screen gives up height in steps, and every control stays in it.

#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

#include "ui/main/screen_fit.h"

using namespace gsmprog;

namespace {

// A button above, a tall part with a button at its foot, and a footer row with a button.
struct TallWindow {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QPushButton* top = new QPushButton(QStringLiteral("Выход"));
    QWidget* part = new QWidget;
    QPushButton* inPart = new QPushButton(QStringLiteral("В части"));
    QHBoxLayout* footer = new QHBoxLayout;
    QPushButton* bottom = new QPushButton(QStringLiteral("Программировать модем"));

    TallWindow() {
        auto* partLayout = new QVBoxLayout(part);
        partLayout->addStretch();
        partLayout->addWidget(inPart);
        part->setMinimumSize(300, 400);  // room kept for the part's largest content
        footer->addWidget(bottom);
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(9, 9, 9, 9);
        layout->setSpacing(6);
        layout->addWidget(top);
        layout->addWidget(part);
        layout->addLayout(footer);
        layout->setSizeConstraint(QLayout::SetFixedSize);
    }
    int Wanted() const { return window->layout()->totalSizeHint().height(); }
    void Fit(int room) {
        FitWindowToHeight(*window, room, {part, 100, footer});
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    bool InScrollArea(QWidget* w) const {
        for (; w && w != window.get(); w = w->parentWidget())
            if (qobject_cast<QScrollArea*>(w)) return true;
        return false;
    }
};

}  // namespace

class ScreenFitTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void RoomEnoughChangesNothing() {
        TallWindow w;
        const int wanted = w.Wanted();
        w.Fit(wanted);
        QCOMPARE(w.window->height(), wanted);
        QCOMPARE(w.window->layout()->spacing(), 6);
        QVERIFY(!w.InScrollArea(w.inPart));
    }

    void AFewPixelsTooFewCloseUpTheLayoutOnly() {
        TallWindow w;
        const int room = w.Wanted() - 10;
        w.Fit(room);
        QVERIFY(w.window->height() <= room);
        QVERIFY(w.window->layout()->spacing() < 6);
        QVERIFY(!w.InScrollArea(w.inPart));
    }

    void ThenThePartScrollsInsideAndTheRestStaysInView() {
        TallWindow w;
        const int room = w.Wanted() - 150;
        w.Fit(room);
        QVERIFY(w.window->height() <= room);
        QVERIFY(w.InScrollArea(w.inPart));
        QVERIFY(!w.InScrollArea(w.top) && !w.InScrollArea(w.bottom));
    }

    void BelowThePartsKeptHeightTheContentScrollsAboveTheFooter() {
        TallWindow w;
        w.Fit(120);  // the part keeps 100, the rest needs more than 20
        QCOMPARE(w.window->height(), 120);
        QVERIFY(w.InScrollArea(w.top));
        QVERIFY(!w.InScrollArea(w.bottom));
        const QRect bottom(w.bottom->mapTo(w.window.get(), QPoint(0, 0)), w.bottom->size());
        QVERIFY(w.window->rect().contains(bottom));
    }
};

QTEST_MAIN(ScreenFitTest)
#include "screen_fit_test.moc"
