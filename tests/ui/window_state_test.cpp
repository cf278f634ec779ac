// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window remembers its place per user, and a remembered place from a larger screen
// is brought inside the current one; it remembers the card database folders it worked on,
// and opens another one through the checks of a start.

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "cards/database_lock.h"
#include "ui/main/database_folders.h"

#include "ui/main/card_split.h"
#include "ui/window_fixture.h"

using namespace gsmprog;
using namespace gsmprog::test;

namespace {

// A home folder of the test's own while it lives.
class TemporaryHome {
public:
    TemporaryHome() : saved_(qgetenv("HOME")) { qputenv("HOME", dir_.path().toLocal8Bit()); }
    ~TemporaryHome() { qputenv("HOME", saved_); }
    std::filesystem::path Path() const { return dir_.path().toStdString(); }

private:
    QTemporaryDir dir_;
    QByteArray saved_;
};

QString Folder(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

}  // namespace

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

    void MenuStartMakesGsmprogThenOpensTheFolderUsedLast() {
        WindowFixture f;
        const TemporaryHome home;
        const std::filesystem::path first = home.Path() / "gsmprog";
        QCOMPARE(FolderForMenuStart().folder, first);
        QCOMPARE(std::filesystem::status(first).permissions(), std::filesystem::perms::owner_all);
        QVERIFY(f.Host().Open(first));
        TForm1& window = f.Host().Window();
        window.show();
        QVERIFY(window.windowTitle().endsWith(QStringLiteral(" — ~/gsmprog")));

        // Another folder, chosen in the window: it takes the old one's place and is next.
        const std::filesystem::path other = home.Path() / "склад";
        std::filesystem::create_directory(other);
        f.dialogs.folders = {Folder(other)};
        QTest::mouseClick(window.findChild<QToolButton*>("folderBtn"), Qt::LeftButton);
        QTRY_VERIFY(&f.Host().Window() != &window);
        QVERIFY(f.Host().Window().windowTitle().endsWith(QStringLiteral(" — ~/склад")));
        QVERIFY(f.Host().Window().isVisible());
        QCOMPARE(RecentFolders(), QStringList({Folder(other), Folder(first)}));
        QCOMPARE(FolderForMenuStart().folder, other);
        DatabaseLock left(first);  // the old window let its database go
        QCOMPARE(left.Take("gsmprog-cli"), DatabaseLock::Outcome::Taken);

        // Only the last five are kept.
        for (int i = 0; i < RecentFolderCount; ++i) RememberFolder(home.Path() / std::to_string(i));
        QCOMPARE(RecentFolders().size(), RecentFolderCount);
        QVERIFY(!RecentFolders().contains(Folder(other)));
    }

    void AHeldOrMissingFolderIsRefusedAndTheWindowStays() {
        WindowFixture f;
        WindowFixture held;
        DatabaseLock lock(held.Dir());
        QCOMPARE(lock.Take("gsmprog-cli"), DatabaseLock::Outcome::Taken);
        QVERIFY(f.Host().Open(f.Dir()));
        TForm1& window = f.Host().Window();

        f.dialogs.answers = {false};  // not to view it read-only
        QVERIFY(!f.Host().SwitchTo(held.Dir()));
        QCOMPARE(f.dialogs.shown.size(), size_t(1));
        QVERIFY2(f.dialogs.shown[0].text.startsWith(
                     QStringLiteral("База карточек уже открыта: gsmprog-cli на ")),
                 qPrintable(f.dialogs.shown[0].text));
        QCOMPARE(&f.Host().Window(), &window);
        QCOMPARE(RecentFolders().front(), Folder(f.Dir()));

        RememberFolder(f.Dir() / "gone");
        QVERIFY(!f.Host().SwitchTo(f.Dir() / "gone"));
        QCOMPARE(f.dialogs.shown.back().text,
                 QStringLiteral("Папки базы карточек %1 нет.").arg(Folder(f.Dir() / "gone")));
        QCOMPARE(RecentFolders(), QStringList{Folder(f.Dir())});
        QCOMPARE(&f.Host().Window(), &window);
    }
};

QTEST_MAIN(WindowStateTest)
#include "window_state_test.moc"
