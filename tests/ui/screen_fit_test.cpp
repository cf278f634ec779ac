// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on a laptop of 1366×768 at 125 % whose desktop panels leave 1294×728: the
// toolbar, six rows of the list and every button in view at once, the window inside the
// work area and unscrolled; only the card scrolls, inside its own area. With
// GSMPROG_TEST_SCREEN=1280x1024 the same window on such a screen, where nothing scrolls.

#include <QApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryFile>
#include <QTest>

#include "ui/main/screen_fit.h"
#include "ui/window_fixture.h"

using namespace gsmprog;
using namespace gsmprog::test;

namespace {
bool laptop = true;

bool Scrolled(QWidget* control, const QWidget& window) {
    for (QWidget* w = control->parentWidget(); w && w != &window; w = w->parentWidget())
        if (qobject_cast<QScrollArea*>(w)) return true;
    return false;
}
}  // namespace

class ScreenFitTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void EveryButtonAndSixRowsInViewOnlyTheCardScrolls() {
        WindowFixture f;
        CardRecord card = ValidCard("101", "Склад");
        Connect(card, 0, 3, 12, 1);  // "УОО 6ША": the device's every loop and mode shown
        f.WriteDatabase({{0, card}});
        TForm1& form = f.Start();

        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(form.width() <= area.width());
        QVERIFY(form.height() + TitleBarAllowance(form) <= area.height());
        for (const char* name :
             {"ExitBtn", "SearchEdit", "SpeedButton4", "journalBtn", "folderBtn", "SetsGrid",
              "BitBtn1", "BitBtn2", "BitBtn3", "ProgBtn", "SpeedButton1", "ProgUoBtn", "ctrlBtn"}) {
            QWidget* control = f.Find<QWidget>(name);
            QVERIFY2(control->isVisible(), name);
            QVERIFY2(
                form.rect().contains(QRect(control->mapTo(&form, QPoint(0, 0)), control->size())),
                name);
            QVERIFY2(!Scrolled(control, form), name);
        }
        auto* list = f.Find<QTableView>("SetsGrid");
        const int rows = list->viewport()->height() / list->verticalHeader()->defaultSectionSize();
        QCOMPARE(rows, laptop ? 6 : 15);

        // The card keeps its width and, on the laptop alone, scrolls to its last control.
        auto* scroll = f.Find<QScrollArea>("cardScroll");
        QVERIFY(scroll->widget()->width() >= scroll->widget()->minimumSizeHint().width());
        QCOMPARE(scroll->verticalScrollBar()->maximum() > 0, laptop);
        QWidget* last = f.Find<QWidget>("ChangesBtn");
        scroll->ensureWidgetVisible(last);
        QVERIFY(scroll->viewport()->rect().contains(
            QRect(last->mapTo(scroll->viewport(), QPoint(0, 0)), last->size())));
        // The journal it opens fits the work area too.
        f.Click("journalBtn");
        QWidget* journal = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible() && window->windowTitle() == QStringLiteral("Журнал операций"))
                journal = window;
        QVERIFY(journal);
        QVERIFY(journal->width() <= area.width());
        QVERIFY(journal->height() + TitleBarAllowance(*journal) <= area.height());
    }
};

int main(int argc, char* argv[]) {
    laptop = qgetenv("GSMPROG_TEST_SCREEN") != "1280x1024";
    QTemporaryFile screen;
    if (!screen.open()) qFatal("no screen file");
    screen.write(laptop ? R"({"screens":[{"name":"laptop","x":72,"y":40,"width":1294,"height":728,
                           "logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})"
                        : R"({"screens":[{"name":"desk","x":0,"y":0,"width":1280,"height":1024,
                           "logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})");
    screen.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screen.fileName().toLocal8Bit());
    qputenv("QT_SCALE_FACTOR", laptop ? "1.25" : "1");
    QApplication app(argc, argv);
    ScreenFitTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "screen_fit_test.moc"
