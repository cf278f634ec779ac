// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The search box and "Искать далее...": grid cells in any case, SIM data exactly, continuing
// after the last hit and wrapping to the rows above.

#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "cards/card_dates.h"
#include "text/win1251.h"
#include "ui/window_fixture.h"

using namespace gsmprog;
using namespace gsmprog::test;

namespace {

CardRecord WithSim(CardRecord card, const char* sim1, const char* sim2) {
    StoreField(QString::fromUtf8(sim1), card.SIM_ID1_Edit);
    StoreField(QString::fromUtf8(sim2), card.SIM_ID2_Edit);
    return card;
}

}  // namespace

class CardSearchTest : public QObject {
    Q_OBJECT
private:
    static int CurrentRow(WindowFixture& f) {
        return f.Find<QTableView>("SetsGrid")->currentIndex().row() + 1;
    }
    static bool CurrentRowInView(WindowFixture& f) {
        QTableView* grid = f.Find<QTableView>("SetsGrid");
        return grid->viewport()->rect().contains(grid->visualRect(grid->currentIndex()));
    }
    static void Enter(WindowFixture& f) {
        QTest::keyClick(f.Find<QLineEdit>("SearchEdit"), Qt::Key_Return);
    }
    static void Next(WindowFixture& f) { f.Click("SpeedButton3"); }

    // Rows 3, 10 and 8000 hold "Склад" objects; row 20 has "AbC-77" only as its SIM ID 2;
    // row 30 has "zz-sim" as SIM ID 1 and row 8500 "zz-sim" in its object.
    static void WriteCards(WindowFixture& f) {
        f.WriteDatabase({{2, MakeCard("100", "СКЛАД Северный")},
                         {9, MakeCard("101", "Склад южный")},
                         {19, WithSim(MakeCard("102", "Офис"), "", "AbC-77")},
                         {29, WithSim(MakeCard("103", "Гараж"), "zz-sim", "")},
                         {7999, MakeCard("104", "Старый склад")},
                         {8499, MakeCard("105", "Дом zz-sim")}});
    }

private Q_SLOTS:
    void TypingFindsTheFirstRowFromTheTopInAnyCase() {
        WindowFixture f;
        WriteCards(f);
        TForm1& form = f.Start();
        f.ClickRow(15);
        f.Search(QStringLiteral("склад"));
        QCOMPARE(CurrentRow(f), 3);
        QCOMPARE(form.SearchRow, 3);
        QCOMPARE(form.Database().SelectedIndex, 2);
        QCOMPARE(f.Text("Edit1"), QStringLiteral("СКЛАД Северный"));
    }

    void EnterAndNextContinueAndWrap() {
        WindowFixture f;
        WriteCards(f);
        TForm1& form = f.Start();
        f.Search(QStringLiteral("склад"));
        Enter(f);
        QCOMPARE(CurrentRow(f), 10);
        Next(f);
        QCOMPARE(CurrentRow(f), 8000);
        QCOMPARE(f.Text("Edit1"), QStringLiteral("Старый склад"));
        // The row is scrolled into view.
        QTableView* grid = f.Find<QTableView>("SetsGrid");
        QVERIFY(grid->viewport()->rect().intersects(grid->visualRect(grid->currentIndex())));
        Next(f);
        QCOMPARE(CurrentRow(f), 3);
        QCOMPARE(form.SearchRow, 3);
    }

    void SimFieldsAreComparedExactly() {
        WindowFixture f;
        WriteCards(f);
        TForm1& form = f.Start();
        // Pasted whole: one search from the top.
        f.Find<QLineEdit>("SearchEdit")->setText(QStringLiteral("abc-77"));
        QCOMPARE(form.Database().SelectedIndex, 0);  // nothing found, nothing changed
        f.Search(QStringLiteral("AbC-77"));
        QCOMPARE(CurrentRow(f), 20);  // found only in SIM ID 2, which the grid does not show
        QCOMPARE(f.Text("Edit1"), QStringLiteral("Офис"));
    }

    void GridCellsAnywhereBelowWinOverNearerSimData() {
        WindowFixture f;
        WriteCards(f);
        f.Start();
        f.Search(QStringLiteral("zz-sim"));
        QCOMPARE(CurrentRow(f), 8500);
        Next(f);  // after the anchor nothing more; the wrap finds the SIM match
        QCOMPARE(CurrentRow(f), 30);
    }

    void ClickedRowIsTheAnchor() {
        WindowFixture f;
        WriteCards(f);
        f.Start();
        f.ClickRow(5);
        f.Search(QStringLiteral("склад"));
        QCOMPARE(CurrentRow(f), 3);  // typing restarts from the top
        f.ClickRow(5);
        Next(f);
        QCOMPARE(CurrentRow(f), 10);
    }

    void ClickingTheShownRowAgainMakesItTheAnchor() {
        WindowFixture f;
        WriteCards(f);
        TForm1& form = f.Start();
        f.ClickRow(10);
        f.Find<QLineEdit>("SearchEdit")->setText(QStringLiteral("qqq"));  // found nowhere
        QCOMPARE(form.SearchRow, 0);
        QCOMPARE(form.Database().SelectedIndex, 9);
        f.ClickRow(10);
        QCOMPARE(form.SearchRow, 10);
        f.Find<QLineEdit>("SearchEdit")->blockSignals(true);
        f.Find<QLineEdit>("SearchEdit")->setText(QStringLiteral("склад"));
        f.Find<QLineEdit>("SearchEdit")->blockSignals(false);
        Next(f);
        QCOMPARE(CurrentRow(f), 8000);
    }

    void TheAnchorRowItselfIsNeverExamined() {
        WindowFixture f;
        f.WriteDatabase({{0, MakeCard("1", "Единственный")}});
        TForm1& form = f.Start();
        QCOMPARE(form.SearchRow, 1);
        f.Find<QLineEdit>("SearchEdit")->blockSignals(true);
        f.Find<QLineEdit>("SearchEdit")->setText(QStringLiteral("единств"));
        f.Find<QLineEdit>("SearchEdit")->blockSignals(false);
        f.ClickRow(1);
        Next(f);
        QCOMPARE(form.SearchRow, 1);
        f.ClickRow(4);
        QCOMPARE(form.SearchRow, 4);
        Next(f);  // wraps to row 1
        QCOMPARE(form.SearchRow, 1);
        Next(f);
        QCOMPARE(form.SearchRow, 1);
        f.Search(QStringLiteral("единств"));  // typing restarts from row 0 and finds it
        QCOMPARE(form.SearchRow, 1);
        QCOMPARE(CurrentRow(f), 1);
    }

    void EmptyTextFindsNothingAndLeavingItPutsThePlaceholder() {
        WindowFixture f;
        WriteCards(f);
        TForm1& form = f.Start();
        f.ClickRow(10);
        QLineEdit* box = f.Find<QLineEdit>("SearchEdit");
        QCOMPARE(box->text(), QStringLiteral("(Поиск)"));
        f.Search(QString());
        QCOMPARE(box->text(), QString());
        QCOMPARE(form.Database().SelectedIndex, 9);
        Next(f);
        QCOMPARE(form.Database().SelectedIndex, 9);
        box->setFocus();
        QVERIFY(box->hasFocus());
        f.Find<QToolButton>("SpeedButton3")->setFocus(Qt::TabFocusReason);
        QCOMPARE(box->text(), QStringLiteral("(Поиск...)"));
        QCOMPARE(form.Database().SelectedIndex, 9);
    }

    void ClickingTheBoxSelectsItsText() {
        WindowFixture f;
        f.Start();
        QLineEdit* box = f.Find<QLineEdit>("SearchEdit");
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(5, box->height() / 2));
        QCOMPARE(box->selectedText(), QStringLiteral("(Поиск)"));
    }

    void SearchIsOffWhileEditing() {
        WindowFixture f;
        WriteCards(f);
        f.Start();
        f.StartEditing();
        QVERIFY(!f.Enabled("SearchEdit"));
        QVERIFY(!f.Enabled("SpeedButton3"));
    }

    // Which row a typed text selects: what the grid pass folds, what it leaves out, and which
    // SIM fields the exact pass reads. Row 0 means nothing was found (the clicked row stays).
    void TypedTextSelects_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("row");
        QTest::newRow("Cyrillic Ё folded") << QStringLiteral("ёлка") << 5;
        QTest::newRow("upper case typed") << QStringLiteral("ДВОР") << 7;
        QTest::newRow("leading blank kept") << QStringLiteral(" двор") << 7;
        QTest::newRow("trailing blank kept") << QStringLiteral("двор ") << 0;
        QTest::newRow("row number not searched") << QStringLiteral("6543") << 0;
        QTest::newRow("PUK 1") << QStringLiteral("puk-one") << 50;
        QTest::newRow("PUK 2") << QStringLiteral("puk-two") << 60;
        QTest::newRow("phone 1") << QStringLiteral("+7111") << 70;
        QTest::newRow("phone 2") << QStringLiteral("+7222") << 80;
        QTest::newRow("SIM data not folded") << QStringLiteral("PUK-TWO") << 0;
        QTest::newRow("Cyrillic SIM ID") << QStringLiteral("Ключ-А") << 70;
        QTest::newRow("Cyrillic SIM ID not folded") << QStringLiteral("ключ-а") << 0;
    }
    void TypedTextSelects() {
        QFETCH(QString, text);
        QFETCH(int, row);
        WindowFixture f;
        CardRecord puk1 = MakeCard("31", "a");
        StoreField(QStringLiteral("puk-one"), puk1.PUK1_Edit);
        CardRecord puk2 = MakeCard("32", "b");
        StoreField(QStringLiteral("puk-two"), puk2.PUK2_Edit);
        CardRecord phone1 = MakeCard("33", "c");
        StoreField(QStringLiteral("+71110000000"), phone1.Number1_Edit);
        StoreField(QStringLiteral("Ключ-А"), phone1.SIM_ID1_Edit);
        CardRecord phone2 = MakeCard("34", "d");
        StoreField(QStringLiteral("+72220000000"), phone2.Number2_Edit);
        f.WriteDatabase({{2, MakeCard("2", "Въезд")},
                         {4, MakeCard("5", "ЁЛКА")},
                         {6, MakeCard("6", "Задний Двор")},
                         {49, puk1},
                         {59, puk2},
                         {69, phone1},
                         {79, phone2}});
        TForm1& form = f.Start();
        f.ClickRow(3);
        f.Find<QLineEdit>("SearchEdit")
            ->setText(text);  // pasted whole, so no partial text searches first
        QCOMPARE(form.Database().SelectedIndex + 1, row ? row : 3);
    }

    // Date-like texts typed at once on a fresh window select what they select once every
    // row's texts have been built for the list: dates as shown (the date alone on midnight, no
    // programming date below the threshold, none for an unused slot), grid before SIM data.
    void DateLikeTextSelectsTheSameBeforeAndAfterTheRowsAreBuilt_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("row");
        QTest::newRow("day and month") << QStringLiteral("07.12") << 5;
        QTest::newRow("year and hour") << QStringLiteral("2023 09:05") << 5;
        QTest::newRow("a time") << QStringLiteral("23:59:59") << 20;
        QTest::newRow("date on midnight") << QStringLiteral("01.02.2024") << 10;
        QTest::newRow("no time on midnight") << QStringLiteral("01.02.2024 00") << 0;
        QTest::newRow("programming date below SIM data") << QStringLiteral("12.06") << 40;
        QTest::newRow("programming date and time") << QStringLiteral("12.06.2024 08:00:00") << 40;
        QTest::newRow("SIM data when no date has it") << QStringLiteral("12.06.19") << 5;
        QTest::newRow("programming value below the threshold") << QStringLiteral("1899") << 0;
        QTest::newRow("unused slot") << QStringLiteral("05.05") << 0;
        QTest::newRow("found nowhere") << QStringLiteral("31.12") << 0;
        QTest::newRow("a year every card has") << QStringLiteral("20") << 5;
    }
    void DateLikeTextSelectsTheSameBeforeAndAfterTheRowsAreBuilt() {
        QFETCH(QString, text);
        QFETCH(int, row);
        WindowFixture f;
        CardRecord december = WithSim(MakeCard("1", "a"), "12.06.19", "");
        december.DateChanged = DaysFromDate({2023, 12, 7, 9, 5, 7, 0});
        CardRecord midnight = MakeCard("2", "b");
        midnight.DateChanged = DaysFromDate({2024, 2, 1, 0, 0, 0, 0});
        CardRecord late = MakeCard("3", "c");
        late.DateChanged = DaysFromDate({2025, 10, 20, 23, 59, 59, 0});
        late.DateProgrammed = CardRecord::InUseThreshold / 2;  // 30.12.1899 if it were shown
        CardRecord programmed = MakeCard("4", "d");
        programmed.DateChanged = DaysFromDate({2024, 1, 3, 10, 0, 0, 0});
        programmed.DateProgrammed = DaysFromDate({2024, 6, 12, 8, 0, 0, 0});
        CardRecord unused{};
        unused.DateProgrammed = DaysFromDate({2024, 5, 5, 5, 5, 5, 0});
        f.WriteDatabase({{4, december}, {9, midnight}, {19, late}, {39, programmed}, {49, unused}});
        TForm1& form = f.Start();
        QLineEdit* box = f.Find<QLineEdit>("SearchEdit");
        box->setText(text);  // pasted whole at once
        QCOMPARE(form.Database().SelectedIndex + 1, row ? row : 1);

        // Every row's texts built, as a list scrolled through all its rows has them.
        for (int r = 1; r <= CardDatabase::SlotCount; ++r) f.Cell(r, 5);
        f.ClickRow(1);
        box->setText(QString());
        box->setText(text);
        QCOMPARE(form.Database().SelectedIndex + 1, row ? row : 1);
    }

    void AnchorOnTheLastRowWrapsToTheTop() {
        WindowFixture f;
        f.WriteDatabase({{0, MakeCard("1", "Первый")}, {8999, MakeCard("9000", "Конечный")}});
        TForm1& form = f.Start();
        f.Find<QLineEdit>("SearchEdit")->blockSignals(true);
        f.Find<QLineEdit>("SearchEdit")->setText(QStringLiteral("ый"));
        f.Find<QLineEdit>("SearchEdit")->blockSignals(false);
        f.ClickRow(9000);
        Next(f);
        QCOMPARE(form.SearchRow, 1);
        QVERIFY(CurrentRowInView(f));
        QTest::keyClick(f.Find<QLineEdit>("SearchEdit"), Qt::Key_Enter,
                        Qt::KeypadModifier);  // Enter of the keypad
        QCOMPARE(form.SearchRow, 9000);
        QCOMPARE(CurrentRow(f), 9000);
        QVERIFY(CurrentRowInView(f));
    }

    void SavedAndDeletedCardsAreSearchedAsTheyNowAre() {
        WindowFixture f;
        f.WriteDatabase({{0, ValidCard("1", "Старое имя")}, {4, ValidCard("5", "Соседний")}});
        TForm1& form = f.Start();
        f.StartEditing();
        f.Type("Edit1", QStringLiteral("Новое ИМЯ"));
        f.Save();
        QVERIFY(f.dialogs.shown.empty());
        f.ClickRow(5);
        f.Search(QStringLiteral("старое"));
        QCOMPARE(form.Database().SelectedIndex, 4);
        f.Search(QStringLiteral("новое имя"));
        QCOMPARE(CurrentRow(f), 1);
        f.StartEditing();
        f.dialogs.answers.push_back(true);
        f.Click("BitBtn3");
        f.ClickRow(5);
        f.Search(QStringLiteral("новое"));
        QCOMPARE(form.Database().SelectedIndex, 4);
    }

    void DatesAndCodesAreSearchedAsShown() {
        WindowFixture f;
        CardRecord card = MakeCard("7", "x");
        Connect(card, 0, 1, 4242, 1);
        Connect(card, 1, 1, 77, 2);
        f.WriteDatabase({{0, MakeCard("1", "y")}, {40, card}});
        f.Start();
        f.Search(QStringLiteral("4242 + 77"));
        QCOMPARE(CurrentRow(f), 41);
    }
};

QTEST_MAIN(CardSearchTest)
#include "card_search_test.moc"
