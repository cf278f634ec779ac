// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Edit mode: enter and cancel, save, delete, and closing the window during an edit.

#include <QAbstractButton>
#include <QCheckBox>
#include <QTableView>
#include <QApplication>
#include <QTest>

#include "cards/card_dates.h"
#include "text/win1251.h"
#include "ui/window_fixture.h"

using namespace gsmprog;
using namespace gsmprog::test;

class EditingTest : public QObject {
    Q_OBJECT
private:
    static const QString CancelQuestion;
    static const QString DeleteQuestion;
    static const QString CloseQuestion;

private Q_SLOTS:
    void CancelAnsweredNoKeepsEverything() {
        WindowFixture f;
        CardRecord card = ValidCard("1", "Склад");
        Connect(card, 0, 2, 10, 1);
        f.WriteDatabase({{0, card}});
        TForm1& form = f.Start();
        f.StartEditing();
        f.Type("Edit1", "Новый объект");
        f.Type("CodeUoo", "55");
        f.Click("sendSMS1Check");
        f.dialogs.answers = {false};
        f.Click("BitBtn1");
        QCOMPARE(f.dialogs.shown.size(), size_t(1));
        QCOMPARE(f.dialogs.shown[0].caption, QStringLiteral("Внимание"));
        QCOMPARE(f.dialogs.shown[0].text, CancelQuestion);
        QVERIFY(f.dialogs.shown[0].question);
        QVERIFY(form.EditMode);
        QCOMPARE(f.Text("Edit1"), QStringLiteral("Новый объект"));
        QCOMPARE(form.UoEditBuffer[0].code, 55u);
        QVERIFY(f.Enabled("smsNumber1Edit"));
        QVERIFY(f.Enabled("Edit1"));
        QVERIFY(f.Enabled("BitBtn2"));
        QVERIFY(!f.Enabled("SetsGrid"));
        QCOMPARE(f.Find<QAbstractButton>("BitBtn1")->text(),
                 QStringLiteral("Отменить редактирование"));
    }

    void CancelAnsweredYesShowsTheStoredCardOnEveryTab() {
        WindowFixture f;
        CardRecord card = ValidCard("1", "Склад");
        Connect(card, 0, 2, 10, 1);
        Connect(card, 2, 3, 30, 3);
        f.WriteDatabase({{0, card}});
        TForm1& form = f.Start();
        f.StartEditing();
        f.Type("Edit1", "Новый объект");
        f.Type("CodeUoo", "55");
        f.ChooseTab(2);
        f.Choose("uoTypeCombo", 0);
        f.ChooseTab(3);
        f.Choose("uoTypeCombo", 1);
        f.dialogs.answers = {true};
        f.Click("BitBtn1");
        QVERIFY(!form.EditMode);
        QCOMPARE(f.Text("Edit1"), QStringLiteral("Склад"));
        QVERIFY(!f.Enabled("Edit1"));
        QVERIFY(f.Enabled("SetsGrid"));
        QCOMPARE(f.Find<QAbstractButton>("BitBtn1")->text(),
                 QStringLiteral("Включить редактирование"));
        const int types[] = {2, 0, 3, 0};
        const char* codes[] = {"10", "", "30", ""};
        for (int tab : {0, 1, 2, 3}) {
            f.ChooseTab(tab);
            QCOMPARE(f.Find<QComboBox>("uoTypeCombo")->currentIndex(), types[tab]);
            if (types[tab]) QCOMPARE(f.Text("CodeUoo"), QString::fromLatin1(codes[tab]));
        }
        // A later save stores the stored value, not the one typed before the cancel.
        f.StartEditing();
        f.Save();
        QVERIFY(f.dialogs.Texts().size() == 1);
        QCOMPARE(std::uint32_t(f.ReadBack()->cards[0].UoCode[0]), 10u);
        QCOMPARE(int(f.ReadBack()->cards[0].UoType[2]), 3);
    }

    void FailedCheckStaysInEditModeAndStoresNothing() {
        WindowFixture f;
        f.WriteDatabase({{0, ValidCard("1", "Склад")}});
        TForm1& form = f.Start();
        const auto written = std::filesystem::last_write_time(f.DatabaseFile());
        f.StartEditing();
        f.Type("Edit1", "Другой");
        f.Type("NCardEdit", "");
        f.Type("Pin1Edit", "12");  // a later check would fail too
        f.Save();
        QCOMPARE(f.dialogs.shown.size(), size_t(1));
        QCOMPARE(f.dialogs.shown[0].caption, QStringLiteral("Внимание!"));
        QVERIFY(f.dialogs.shown[0].text.startsWith(QStringLiteral("Заполните ВСЕ")));
        QVERIFY(form.EditMode);
        QVERIFY(!form.DatabaseChanged);
        QCOMPARE(FromField(form.Database().cards[0].Edit1), QStringLiteral("Склад"));
        QCOMPARE(f.Text("Edit1"), QStringLiteral("Другой"));
        QCOMPARE(std::filesystem::last_write_time(f.DatabaseFile()), written);
    }

    void SavedCardIsInTheGridAndOnDisk() {
        WindowFixture f;
        f.WriteDatabase({{0, ValidCard("1", "Склад")}});
        TForm1& form = f.Start();
        f.ClickRow(3);
        f.StartEditing();
        f.Type("NCardEdit", "Н-3");
        f.Type("APN1Edit", "apn.one");
        f.Type("APN2Edit", "apn.two");
        f.Type("Pin1Edit", "0007");
        f.Type("Pin2Edit", "1234");
        f.Type("Port1GsmEdit", "6000");
        f.Type("Port2GsmEdit", "7000");
        // Tab goes down the left column of "Основные", then down the right one.
        const auto tabFrom = [&](const char* name) {
            QWidget* from = f.Find<QWidget>(name);
            from->setFocus();
            QTest::keyClick(from, Qt::Key_Tab);
            return QApplication::focusWidget()->objectName();
        };
        QCOMPARE(tabFrom("Pin1Edit"), QStringLiteral("Ip1GsmEdit"));
        QCOMPARE(tabFrom("Port1GsmEdit"), QStringLiteral("APN1Edit"));
        QCOMPARE(tabFrom("PassGsm1Edit"), QStringLiteral("Pin2Edit"));
        QCOMPARE(f.Find<QWidget>("ProgID1")->focusPolicy(), Qt::ClickFocus);
        f.Type("Edit1", "Дача Иванова");
        f.Choose("uoTypeCombo", 1);
        f.Type("CodeUoo", "303");
        const double before = CurrentDays();
        f.Save();
        QVERIFY2(f.dialogs.shown.empty(), qPrintable(f.dialogs.Texts().join("|")));
        QCOMPARE(QApplication::focusWidget(), f.Find<QWidget>("SetsGrid"));
        QVERIFY(!form.EditMode);
        QVERIFY(form.DatabaseChanged);
        QVERIFY(!f.Enabled("Edit1"));
        QCOMPARE(f.Cell(3, 1), QStringLiteral("303"));
        QCOMPARE(f.Cell(3, 2), QStringLiteral("Н-3"));
        QCOMPARE(f.Cell(3, 3), QStringLiteral("Дача Иванова"));
        QVERIFY(!f.Cell(3, 4).isEmpty());
        const auto onDisk = f.ReadBack();
        const CardRecord& stored = onDisk->cards[2];
        QVERIFY(stored.DateChanged >= before && stored.DateChanged <= CurrentDays());
        QCOMPARE(FromField(stored.Edit1), QStringLiteral("Дача Иванова"));
        QCOMPARE(std::uint32_t(stored.UoCode[0]), 303u);
        QCOMPARE(FromField(stored.Pin1Edit), QStringLiteral("0007"));
        // The new card is the template of the next one.
        QCOMPARE(FromField(onDisk->TemplateRecord.APN1Edit), QStringLiteral("apn.one"));
        QCOMPARE(FromField(onDisk->TemplateRecord.Pin1Edit), QString());
    }

    void FailedWriteIsReportedAndMemoryStaysAuthoritative() {
        WindowFixture f;
        f.WriteDatabase({{0, ValidCard("1", "Склад")}});
        TForm1& form = f.Start();
        f.StartEditing();
        f.Type("Edit1", "Новое");
        std::filesystem::remove(f.DatabaseFile());
        std::filesystem::create_directory(f.DatabaseFile());  // the file cannot be replaced
        f.Save();
        QCOMPARE(f.dialogs.shown.size(), size_t(1));
        QCOMPARE(f.dialogs.shown[0].caption, QStringLiteral("Ошибка"));
        QCOMPARE(f.dialogs.shown[0].text, QStringLiteral("Ошибка записи на диск"));
        // The file and the system's reason come under the specified text.
        QVERIFY(f.dialogs.shown[0].detail.startsWith(
            QString::fromStdString(f.DatabaseFile().string()) + ": "));
        QVERIFY(f.dialogs.shown[0].detail.size() > int(f.DatabaseFile().string().size()) + 4);
        QVERIFY(!form.EditMode);
        QCOMPARE(FromField(form.Database().cards[0].Edit1), QStringLiteral("Новое"));
    }

    void DeleteAnsweredNoChangesNothing() {
        WindowFixture f;
        f.WriteDatabase({{0, ValidCard("1", "Склад")}});
        TForm1& form = f.Start();
        f.StartEditing();
        f.dialogs.answers = {false};
        f.Click("BitBtn3");
        QCOMPARE(f.dialogs.shown.at(0).text, DeleteQuestion);
        QCOMPARE(f.dialogs.shown.at(0).caption, QStringLiteral("Внимание"));
        QVERIFY(form.EditMode);
        QVERIFY(form.Database().cards[0].InUse());
    }

    void DeletedCardLeavesAnEmptyRowAndFreesItsCodes() {
        WindowFixture f;
        CardRecord doomed = ValidCard("1", "Снос");
        Connect(doomed, 0, 2, 500, 1);
        Connect(doomed, 1, 1, 501, 2);
        CardRecord other = ValidCard("2", "Другой");
        f.WriteDatabase({{0, ValidCard("0", "x")}, {4, doomed}, {6, other}});
        TForm1& form = f.Start();
        f.ClickRow(5);
        f.StartEditing();
        f.dialogs.answers = {true};
        f.Click("BitBtn3");
        QVERIFY(!form.EditMode);
        QVERIFY(!form.DatabaseChanged);
        for (int c = 1; c <= 5; ++c) QVERIFY(f.Cell(5, c).isEmpty());
        for (int tab : {0, 1, 2, 3}) {
            f.ChooseTab(tab);
            QCOMPARE(f.Find<QComboBox>("uoTypeCombo")->currentText(),
                     QStringLiteral("Не подключено"));
        }
        QVERIFY(!f.ReadBack()->cards[4].InUse());

        // Its codes may now be used by another card.
        f.ClickRow(7);
        f.StartEditing();
        f.Choose("uoTypeCombo", 1);
        f.Type("CodeUoo", "500");
        f.Save();
        QVERIFY2(f.dialogs.shown.size() == 1, qPrintable(f.dialogs.Texts().join("|")));
        QCOMPARE(std::uint32_t(f.ReadBack()->cards[6].UoCode[0]), 500u);
    }

    void ClosingWhileEditingAsks() {
        WindowFixture f;
        f.WriteDatabase({{0, ValidCard("1", "Склад")}});
        TForm1& form = f.Start();
        f.StartEditing();
        f.Type("Edit1", "Не сохранено");
        f.dialogs.answers = {false};
        QVERIFY(!form.close());
        QCOMPARE(f.dialogs.shown.at(0).text, CloseQuestion);
        QVERIFY(form.EditMode);
        QVERIFY(form.isVisible());
        const auto written = std::filesystem::last_write_time(f.DatabaseFile());
        f.dialogs.answers = {true};
        QVERIFY(form.close());
        // No card was saved in this run: nothing is written at close.
        QCOMPARE(std::filesystem::last_write_time(f.DatabaseFile()), written);
        QCOMPARE(FromField(f.ReadBack()->cards[0].Edit1), QStringLiteral("Склад"));
    }

    void ClosingWritesOnlyAfterASaveInThisRun() {
        WindowFixture f;
        f.WriteDatabase({{0, ValidCard("1", "Склад")}, {1, ValidCard("2", "Два")}});
        TForm1& form = f.Start();
        f.StartEditing();
        f.Save();
        f.ClickRow(2);
        f.StartEditing();
        f.Type("Edit1", "Брошено");
        std::filesystem::remove(f.DatabaseFile());
        f.dialogs.answers = {true};
        QVERIFY(form.close());
        const auto onDisk = f.ReadBack();
        QVERIFY(std::filesystem::exists(f.DatabaseFile()));
        QCOMPARE(FromField(onDisk->cards[1].Edit1), QStringLiteral("Два"));
        QCOMPARE(f.dialogs.shown.size(), size_t(1));  // the question, nothing else
    }

    void DeleteAloneCausesNoWriteAtClose() {
        WindowFixture f;
        f.WriteDatabase({{0, ValidCard("1", "Склад")}});
        TForm1& form = f.Start();
        f.StartEditing();
        f.dialogs.answers = {true};
        f.Click("BitBtn3");
        std::filesystem::remove(f.DatabaseFile());
        QVERIFY(form.close());
        QVERIFY(!std::filesystem::exists(f.DatabaseFile()));
    }

    void UnwrittenChangesAreNotLostSilentlyAtClose() {
        WindowFixture f;
        f.WriteDatabase({{0, ValidCard("1", "Склад")}});
        TForm1& form = f.Start();
        f.StartEditing();
        std::filesystem::remove(f.DatabaseFile());
        std::filesystem::create_directory(f.DatabaseFile());  // writes fail from now on
        f.dialogs.answers = {true};
        f.Click("BitBtn3");  // the delete is not written
        f.dialogs.shown.clear();
        f.dialogs.answers = {false};
        QVERIFY(!form.close());
        QCOMPARE(
            f.dialogs.Texts(),
            QStringList(
                {"Ошибка записи на диск",
                 "Изменения карточек не записаны на диск. Выйти из программы без сохранения?"}));
        QVERIFY(form.isVisible());
        // Once the disk takes the file again, closing writes it.
        std::filesystem::remove(f.DatabaseFile());
        f.dialogs.shown.clear();
        QVERIFY(form.close());
        QVERIFY(f.dialogs.shown.empty());
        QVERIFY(!f.ReadBack()->cards[0].InUse());
    }

    void ClosingWhileBrowsingNeverAsks() {
        WindowFixture f;
        TForm1& form = f.Start();
        QVERIFY(form.close());
        QVERIFY(f.dialogs.shown.empty());
    }

    void ExitButtonClosesTheWindow() {
        WindowFixture f;
        TForm1& form = f.Start();
        f.Click("ExitBtn");
        QVERIFY(!form.isVisible());
    }

    void TabsExportAndControlWorkInBothStates() {
        WindowFixture f;
        TForm1& form = f.Start();
        for (bool editing : {false, true}) {
            if (editing) f.StartEditing();
            QVERIFY(f.Enabled("UooTab"));
            QVERIFY(f.Enabled("SpeedButton4"));
            QVERIFY(f.Enabled("ctrlBtn"));
            QVERIFY(f.Enabled("ExitBtn"));
            QCOMPARE(f.Enabled("SearchEdit"), !editing);
            QCOMPARE(f.Enabled("SpeedButton3"), !editing);
            QCOMPARE(f.Enabled("SetsGrid"), !editing);
        }
        QVERIFY(form.EditMode);
    }
};

const QString EditingTest::CancelQuestion =
    QStringLiteral("Все изменения будут утеряны. Отменить редактирование?");
const QString EditingTest::DeleteQuestion =
    QStringLiteral("Вы точно хотите удалить запись безвозвратно?");
const QString EditingTest::CloseQuestion = QStringLiteral(
    "Включен режим редактирования. Хотите выйти из программы без сохранения текущей записи?");

QTEST_MAIN(EditingTest)
#include "editing_test.moc"
