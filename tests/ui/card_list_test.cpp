// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window at start and its card list: caption, grid rows, selection of a card.

#include <QAbstractButton>
#include <QFile>
#include <QHeaderView>
#include <QApplication>
#include <QTabBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include "cards/card_dates.h"
#include "ui/main/card_grid_model.h"
#include "ui/main/grid_date_format.h"
#include "ui/window_fixture.h"

using namespace gsmprog;
using namespace gsmprog::test;

class CardListTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void CaptionCarriesTheVersionAndTheFolder() {
        WindowFixture f;
        TForm1& form = f.Start();
        QCOMPARE(form.windowTitle(),
                 QStringLiteral("Утилита программирования GSM модема (4 УО) - Версия 1.38 — ") +
                     QString::fromStdString(f.Dir().string()));
    }

    void StartsBrowsingWithTheCardGroupsDisabled() {
        WindowFixture f;
        f.Start();
        QVERIFY(f.Visible("GroupBox5"));
        for (const char* name :
             {"NCardEdit", "VersionCombo", "Edit1", "uoTypeCombo", "CodeUoo", "Pin1Edit",
              "PUK1_Edit", "balEnable", "sendSMS1Check", "ipUpdateEdit", "BitBtn2", "BitBtn3"})
            QVERIFY2(!f.Enabled(name), name);
        for (const char* name : {"UooTab", "SetsGrid", "SearchEdit", "SpeedButton3", "SpeedButton4",
                                 "ExitBtn", "BitBtn1", "ProgBtn", "SpeedButton1", "ctrlBtn"})
            QVERIFY2(f.Enabled(name), name);
        QCOMPARE(f.Find<QAbstractButton>("BitBtn1")->text(),
                 QStringLiteral("Включить редактирование"));
        QVERIFY(!f.Visible("Progress"));
        QCOMPARE(f.Form().EditMode, false);
        QCOMPARE(f.Form().Database().SelectedIndex, 0);
        QCOMPARE(f.Form().SearchRow, 1);
        QCOMPARE(f.Find<QTableView>("SetsGrid")->currentIndex().row(), 0);
    }

    void GridWithoutFileNumbersEveryEmptyRow() {
        WindowFixture f;
        f.Start();
        QAbstractItemModel* model = f.Find<QTableView>("SetsGrid")->model();
        QCOMPARE(model->rowCount(), 9000);
        QCOMPARE(model->columnCount(), 6);
        const QStringList headers = {"",       "Код УО",         "№ карточки",
                                     "Объект", "Дата изменений", "Дата программирования"};
        for (int c = 0; c < 6; ++c)
            QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), headers[c]);
        for (int row : {1, 2, 4500, 9000}) {
            QCOMPARE(f.Cell(row, 0), QString::number(row));
            for (int c = 1; c <= 5; ++c) QVERIFY(f.Cell(row, c).isEmpty());
        }
        QCOMPARE(f.Find<QTableView>("SetsGrid")->verticalHeader()->defaultSectionSize(), 20);
        QVERIFY(!std::filesystem::exists(f.DatabaseFile()));  // showing slot 0 writes nothing
    }

    void GridRowsShowTheCards() {
        WindowFixture f;
        CardRecord devices13 = MakeCard("A-17", "Склад №2");
        Connect(devices13, 0, 2, 12, 1);
        Connect(devices13, 1, 0, 99, 2);  // not connected: its code is not shown
        Connect(devices13, 2, 3, 345, 3);
        devices13.DateChanged = DaysFromDate({2024, 3, 15, 10, 20, 30, 0});
        devices13.DateProgrammed = DaysFromDate({2024, 3, 16, 0, 0, 0, 0});
        CardRecord codeZero = MakeCard("B", "Офис");
        Connect(codeZero, 3, 1, 0, 0);
        // A hair off midnight is still midnight to the millisecond; one second after is not.
        codeZero.DateChanged = DaysFromDate({2024, 3, 17, 0, 0, 0, 0}) - 1e-11;
        codeZero.DateProgrammed = DaysFromDate({2024, 3, 17, 0, 0, 1, 0});
        CardRecord topBit = MakeCard("C", "");
        Connect(topBit, 0, 1, 0xFFFFFFFFu, 0);
        f.WriteDatabase({{0, devices13}, {4, codeZero}, {8999, topBit}});
        f.Start();

        QCOMPARE(f.Cell(1, 1), QStringLiteral("12 + 345"));
        QCOMPARE(f.Cell(1, 2), QStringLiteral("A-17"));
        QCOMPARE(f.Cell(1, 3), QStringLiteral("Склад №2"));
        // The test runs without regional settings: the grid shows the Russian formats.
        QCOMPARE(f.Cell(1, 4), QStringLiteral("15.03.2024 10:20:30"));
        // On midnight: the date alone.
        QCOMPARE(f.Cell(1, 5), QStringLiteral("16.03.2024"));

        QCOMPARE(f.Cell(5, 1), QStringLiteral("0"));
        QCOMPARE(f.Cell(5, 4), QStringLiteral("17.03.2024"));
        QCOMPARE(f.Cell(5, 5), QStringLiteral("17.03.2024 00:00:01"));
        QCOMPARE(f.Cell(9000, 1), QStringLiteral("4294967295"));
        QCOMPARE(f.Cell(9000, 3), QString());
        QCOMPARE(f.Cell(2, 2), QString());
    }

    void EveryRowIsSearchableAtOnceAndShowsItsTexts() {
        WindowFixture f;
        f.WriteDatabase({{8999, MakeCard("Z-1", "Последняя")}});
        TForm1& form = f.Start();
        auto* rows = form.findChild<CardGridModel*>();
        QVERIFY(rows);
        // Nothing is built while the window idles: the search finds the last row's date at once.
        f.Find<QLineEdit>("SearchEdit")->setText(QStringLiteral("15.03.2024 10:20:30"));
        QCOMPARE(form.Database().SelectedIndex, 8999);
        QCOMPARE(rows->CellText(8999, 2), QStringLiteral("Z-1"));
        QCOMPARE(rows->CellText(8999, 3), QStringLiteral("Последняя"));
    }

    // Dates written from their stored values read exactly as QLocale writes them: 24- and
    // 12-hour clocks, two- and four-digit years, padded and unpadded fields, other digits;
    // formats with month names are left to QLocale, with the same texts.
    void DatesReadAsTheRegionalFormatsWriteThem_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("writtenDirectly");
        QTest::newRow("Russian") << "ru_RU" << true;
        QTest::newRow("American, AM/PM") << "en_US" << true;
        QTest::newRow("German, two-digit year") << "de_DE" << true;
        QTest::newRow("Japanese, letters between") << "ja_JP" << true;
        QTest::newRow("Korean, AM/PM first") << "ko_KR" << true;
        QTest::newRow("Chinese") << "zh_CN" << true;
        QTest::newRow("Arabic digits") << "ar_EG" << true;
        QTest::newRow("Persian digits") << "fa_IR" << true;
        QTest::newRow("Hindi") << "hi_IN" << true;
        QTest::newRow("Bulgarian, quoted letters") << "bg_BG" << true;
        QTest::newRow("Vietnamese") << "vi_VN" << true;
        QTest::newRow("Canadian French, quoted letters") << "fr_CA" << true;
        QTest::newRow("Esperanto, a quoted a is no AM/PM") << "eo_001" << true;
        QTest::newRow("no regional settings, month names") << "C" << false;
    }
    void DatesReadAsTheRegionalFormatsWriteThem() {
        QFETCH(QString, name);
        QFETCH(bool, writtenDirectly);
        const QLocale regional(name);
        const GridDateFormat dates(regional);
        QCOMPARE(dates.WritesDatesItself(), writtenDirectly);
        QString timeFormat = regional.timeFormat(QLocale::LongFormat).remove(QLatin1Char('t'));
        const QString dateFormat = regional.dateFormat(QLocale::ShortFormat);
        const QString dateTimeFormat = dateFormat + QLatin1Char(' ') + timeFormat.trimmed();
        for (const LocalDateTime& when :
             std::initializer_list<LocalDateTime>{{2024, 2, 29, 0, 0, 0, 0},
                                                  {2024, 2, 29, 0, 0, 0, 1},
                                                  {2031, 12, 5, 12, 34, 56, 0},
                                                  {1999, 1, 2, 23, 5, 7, 0},
                                                  {2007, 7, 7, 0, 30, 0, 0},
                                                  {2100, 10, 31, 11, 0, 9, 0},
                                                  {1900, 3, 1, 12, 59, 59, 0},
                                                  {2019, 11, 19, 6, 6, 6, 500}}) {
            const QDateTime at(QDate(when.year, when.month, when.day),
                               QTime(when.hour, when.minute, when.second, when.millisecond),
                               Qt::UTC);
            const bool midnight =
                QTime(when.hour, when.minute, when.second, when.millisecond) == QTime(0, 0);
            const QString expected = regional.toString(at, midnight ? dateFormat : dateTimeFormat);
            const double days = DaysFromDate(when);
            QCOMPARE(dates.Text(days), expected);
            const QString lower = expected.toLower();
            QVERIFY(dates.MayContain(lower));
            QVERIFY(dates.LowerTextContains(days, lower));
            QVERIFY(dates.LowerTextContains(days, lower.mid(1, 4)));
            QVERIFY(!dates.LowerTextContains(days, lower + QLatin1Char(' ')));
        }
        QVERIFY(dates.Text(-1).isEmpty());
        QVERIFY(!dates.LowerTextContains(-1, u"1"));
        QVERIFY(!dates.MayContain(u"щ"));
    }

    void DatesShowTheirWallClockTimeWhateverTheZoneSaysOfIt() {
        // 02:30 on 2024-03-10 does not exist where clocks jump from 02:00 to 03:00 that night.
        const QByteArray savedZone = qgetenv("TZ");
        qputenv("TZ", "EST5EDT,M3.2.0,M11.1.0");
        WindowFixture f;
        CardRecord card = MakeCard("1", "x");
        card.DateChanged = DaysFromDate({2024, 3, 10, 2, 30, 15, 0});
        f.WriteDatabase({{0, card}});
        f.Start();
        const QString changed = f.Cell(1, 4);
        if (savedZone.isNull()) qunsetenv("TZ");
        else qputenv("TZ", savedZone);
        QCOMPARE(changed, QStringLiteral("10.03.2024 02:30:15"));
    }

    void NeverProgrammedCardShowsZeroIdentifiers() {
        WindowFixture f;
        CardRecord programmed = MakeCard("1", "x");
        programmed.ProgID1 = 0xBEEF;
        programmed.ProgID2 = 0x0A1;
        f.WriteDatabase({{0, programmed}, {1, MakeCard("2", "y")}});
        f.Start();
        QCOMPARE(f.Text("ProgID1"), QStringLiteral("BEEF"));
        QCOMPARE(f.Text("ProgID2"), QStringLiteral("00A1"));
        f.ClickRow(2);
        QCOMPARE(f.Text("ProgID1"), QStringLiteral("0000"));
        QCOMPARE(f.Text("ProgID2"), QStringLiteral("0000"));
        QCOMPARE(f.Cell(2, 5), QString());
    }

    void ClickingTheShownRowNeitherSavesNorReloads() {
        WindowFixture f;
        f.WriteDatabase({{0, MakeCard("1", "Первый")}, {2, MakeCard("3", "Третий")}});
        f.Start();
        f.ClickRow(3);
        QCOMPARE(f.Text("Edit1"), QStringLiteral("Третий"));
        QCOMPARE(f.Form().SearchRow, 3);
        const auto written = std::filesystem::last_write_time(f.DatabaseFile());
        f.Form().SearchRow = 7;
        f.Find<QLineEdit>("Edit1")->setText("changed on screen");
        f.ClickRow(3);
        QCOMPARE(f.Form().SearchRow, 3);
        QCOMPARE(f.Text("Edit1"), QStringLiteral("changed on screen"));
        QCOMPARE(std::filesystem::last_write_time(f.DatabaseFile()), written);
        QVERIFY(f.dialogs.shown.empty());
    }

    void ArrowKeysInTheGridSelectLikeAClick() {
        WindowFixture f;
        f.WriteDatabase({{0, MakeCard("1", "Первый")}, {1, MakeCard("2", "Второй")}});
        TForm1& form = f.Start();
        QTableView* grid = f.Find<QTableView>("SetsGrid");
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(form.Database().SelectedIndex, 1);
        QCOMPARE(form.SearchRow, 2);
        QCOMPARE(f.Text("Edit1"), QStringLiteral("Второй"));
    }

    void SelectingACardRepairsLoopsSetBothWays() {
        WindowFixture f;
        CardRecord card = MakeCard("7", "Шлейфы");
        Connect(card, 0, 3, 70, 1);
        card.UoGuardCords[0] = 0b000101;  // loops 1 and 3 guard
        card.UoFireCords[0] = 0b000110;   // loop 3 also fire, loop 2 fire
        Connect(card, 2, 2, 71, 2);
        card.UoGuardCords[2] = 0b1;
        card.UoFireCords[2] = 0b1;
        f.WriteDatabase({{5, card}});
        f.Start();
        f.ClickRow(6);

        const auto onDisk = f.ReadBack();
        const CardRecord& stored = onDisk->cards[5];
        QCOMPARE(int(stored.UoGuardCords[0]), 0b101);
        QCOMPARE(int(stored.UoFireCords[0]), 0b010);
        QCOMPARE(int(stored.UoFireCords[2]), 0);
        QCOMPARE(int(f.Form().UoEditBuffer[0].fireLoops), 0b010);
        QCOMPARE(f.Find<QComboBox>("Cord1")->currentIndex(), 1);
        QCOMPARE(f.Find<QComboBox>("Cord2")->currentIndex(), 2);
        QCOMPARE(f.Find<QComboBox>("Cord3")->currentIndex(), 1);
        QVERIFY(f.dialogs.shown.empty());
    }

    void SelectingACardShowsTheFirstDeviceTab() {
        WindowFixture f;
        CardRecord a = MakeCard("1", "a");
        Connect(a, 0, 1, 11, 0);
        Connect(a, 2, 1, 33, 3);
        f.WriteDatabase({{0, a}, {1, a}});
        f.Start();
        f.ChooseTab(2);
        QCOMPARE(f.Text("CodeUoo"), QStringLiteral("33"));
        f.ClickRow(2);
        QCOMPARE(f.Find<QTabBar>("UooTab")->currentIndex(), 0);
        QCOMPARE(f.Text("CodeUoo"), QStringLiteral("11"));
    }

    void AFailedRepairSaveIsReported() {
        WindowFixture f;
        CardRecord card = MakeCard("7", "x");
        Connect(card, 0, 2, 1, 1);
        card.UoGuardCords[0] = card.UoFireCords[0] = 1;
        f.WriteDatabase({{1, card}});
        f.Start();
        // A directory in place of the temporary file makes the write fail.
        QFile::remove(QString::fromStdString(f.DatabaseFile().string()));
        std::filesystem::create_directory(f.DatabaseFile());
        f.ClickRow(2);
        QCOMPARE(f.dialogs.shown.size(), size_t(1));
        QCOMPARE(f.dialogs.shown[0].caption, QStringLiteral("Ошибка"));
        QCOMPARE(f.dialogs.shown[0].text, QStringLiteral("Ошибка записи на диск"));
        QCOMPARE(int(f.Form().Database().cards[1].UoFireCords[0]),
                 0);  // memory stays authoritative
    }

    void DeviceTabsAreNamed() {
        WindowFixture f;
        f.Start();
        QTabBar* tabs = f.Find<QTabBar>("UooTab");
        QCOMPARE(tabs->count(), 4);
        for (int i = 0; i < 4; ++i) QCOMPARE(tabs->tabText(i), QStringLiteral("УОО %1").arg(i + 1));
    }
};

int main(int argc, char* argv[]) {
    // A system without regional settings, whatever the machine running the test has.
    qputenv("LC_ALL", "C");
    qputenv("LANG", "C");
    QApplication app(argc, argv);
    CardListTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "card_list_test.moc"
