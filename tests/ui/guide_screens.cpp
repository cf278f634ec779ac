// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Makes the pictures of the installers' guide from the real windows, so that they show the
// program as it is: the main window with a card, the journal after a failed programming, the
// control window after its modem went away. Run on an X server with the screen to show
// (scripts/guide-screenshots sets up a laptop's); writes PNG files into the folder named.

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <cstdio>

#include "ui/ctrlForm/link_state_line.h"
#include "ui/journal/journal_window.h"
#include "ui/main/russian_ui.h"
#include "window_fixture.h"

namespace gsmprog::test {
namespace {

constexpr int OperationTimeoutMs = 30000;
constexpr int LinkTimeoutMs = 30000;

// What the installer sees: the whole screen, the desktop's panels left empty.
bool Shoot(const QString& folder, const QString& name) {
    // With no window manager nothing repaints what a moved window uncovered: paint all now.
    QApplication::processEvents();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible()) window->repaint();
    QApplication::processEvents();
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    const QString file = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (screen.isNull() || !screen.save(file)) {
        std::fprintf(stderr, "guide_screens: %s not written\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

bool OperationEnded(WindowFixture& f) {
    return QTest::qWaitFor(
        [&] { return !f.Form().WorkersAlive() && !f.Form().ProgRunning; }, OperationTimeoutMs);
}

// Two cards programmed, the second one by a modem that fails in the middle.
bool ProgramCards(WindowFixture& f) {
    f.ClickRow(1);
    {
        auto modem = f.StartModem();
        f.Click("ProgBtn");
        if (!OperationEnded(f)) return false;
    }
    f.ClickRow(2);
    auto failing = f.StartModem({"--error-in", "block"});
    f.Click("ProgBtn");
    return OperationEnded(f);
}

QWidget* TopLevel(const QString& caption) {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->windowTitle() == caption) return window;
    return nullptr;
}

bool ShootJournal(WindowFixture& f, const QString& folder) {
    f.Click("journalBtn");
    JournalWindow* journal = nullptr;
    const auto read = [&] {
        journal = qobject_cast<JournalWindow*>(TopLevel(QStringLiteral("Журнал операций")));
        return journal && !journal->Reading();
    };
    if (!QTest::qWaitFor(read, OperationTimeoutMs)) return false;
    // Placed in the work area as a desktop's window manager would; the X server alone has none.
    QRect placed = journal->frameGeometry();
    placed.moveCenter(journal->screen()->availableGeometry().center());
    journal->move(placed.topLeft());
    journal->raise();
    const bool shot = Shoot(folder, QStringLiteral("журнал"));
    journal->close();
    return shot;
}

bool ShootLostModem(WindowFixture& f, const QString& folder) {
    auto modem = f.StartModem({"--traces", "4", "--ibutton-every", "1"});
    bool shot = false;
    f.dialogs.onModal = [&](QDialog& control) {
        control.show();
        auto* line = control.findChild<QLabel*>(QStringLiteral("linkStateLabel"));
        auto* log = control.findChild<QPlainTextEdit*>(QStringLiteral("ismLog"));
        auto* view = control.findChild<QCheckBox*>(QStringLiteral("uooViewCheck"));
        if (!line || !log || !view) return;
        view->setChecked(true);
        // Some traffic and some voltages on the chart before the outage.
        const auto traffic = [&] { return log->blockCount() > 12; };
        if (!QTest::qWaitFor(traffic, LinkTimeoutMs)) return;
        modem->Stop();
        const auto lost = [&] { return line->text().contains(QString::fromUtf8(LinkStateLine::LostText)); };
        if (!QTest::qWaitFor(lost, LinkTimeoutMs)) return;
        shot = Shoot(folder, QStringLiteral("контроль"));
        control.close();
    };
    f.Click("ctrlBtn");
    return shot;
}

int Run(const QString& folder) {
    WindowFixture f;
    CardRecord shop = ValidCard(QStringLiteral("1207"), QStringLiteral("Магазин «Берёзка»"));
    Connect(shop, 0, 2, 1207, 1);
    CardRecord pharmacy = ValidCard(QStringLiteral("1208"), QStringLiteral("Аптека на Садовой"));
    Connect(pharmacy, 0, 3, 1208, 2);
    f.WriteDatabase({{0, shop}, {1, pharmacy}});
    f.StartWithControl();
    if (!ProgramCards(f)) {
        std::fprintf(stderr, "guide_screens: the programming did not end\n");
        return 1;
    }
    f.ClickRow(1);
    if (!Shoot(folder, QStringLiteral("главное-окно")) || !ShootJournal(f, folder) ||
        !ShootLostModem(f, folder))
        return 1;
    return 0;
}

}  // namespace
}  // namespace gsmprog::test

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Usage: guide_screens FOLDER\n");
        return 2;
    }
    gsmprog::InstallRussianTranslation(app);
    return gsmprog::test::Run(QString::fromLocal8Bit(argv[1]));
}
