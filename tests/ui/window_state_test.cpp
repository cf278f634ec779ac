// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window remembers its place per user, and a remembered place from a larger screen
// is brought inside the current one.

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTableView>
#include <QTest>

#include "ui/main/card_split.h"
#include "ui/window_fixture.h"

using namespace gsmprog;
using namespace gsmprog::test;

class WindowStateTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void APlaceOnALargerScreenIsClampedIntoThisOne() {
        WindowFixture f;
        {
            QSettings settings(QStringLiteral("gsmprog"), QStringLiteral("gsmprog"));
            settings.setValue("mainWindow/position", QPoint(2600, 1500));
            settings.setValue("mainWindow/size", QSize(2400, 1300));
        }
        TForm1& form = f.Start();
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(area.contains(form.pos()));
        QVERIFY(form.height() < area.height());
        QVERIFY(form.pos().y() + form.height() <= area.bottom());
        QCOMPARE(form.width(), std::max(form.minimumWidth(), area.width()));
        // The split of the taller window is not taken over: the list keeps its rows.
        QVERIFY(f.Find<QTableView>("SetsGrid")->height() >=
                ListHeightForRows(*f.Find<QTableView>("SetsGrid"), MinimumListRows));
    }

    void SplitAndColumnWidthsComeBack() {
        WindowFixture f;
        TForm1& first = f.Start();
        auto* split = f.Find<QSplitter>("cardSplit");
        const QList<int> sizes = split->sizes();
        split->setSizes({sizes[0] - 40, sizes[1] + 40});
        const QList<int> moved = split->sizes();
        QVERIFY(moved != sizes);
        f.Find<QTableView>("SetsGrid")->setColumnWidth(2, 150);
        first.close();

        f.Start();
        QCOMPARE(f.Find<QSplitter>("cardSplit")->sizes(), moved);
        QCOMPARE(f.Find<QTableView>("SetsGrid")->columnWidth(2), 150);
    }
};

QTEST_MAIN(WindowStateTest)
#include "window_state_test.moc"
