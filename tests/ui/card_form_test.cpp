// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Moving a card into the window and back, and the device edit buffer behind the tabs.

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>
#include <cstring>

#include "cards/card_dates.h"
#include "cards/settings_fields.h"
#include "support/sample_cards.h"
#include "text/win1251.h"
#include "ui/window_fixture.h"

using namespace gsmprog;
using namespace gsmprog::test;

class CardFormTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ShownCardReadsBackUnchanged_data() {
        QTest::addColumn<int>("version");
        QTest::newRow("81.32 и выше") << 1;
        QTest::newRow("до 81.31") << 0;
    }
    void ShownCardReadsBackUnchanged() {
        QFETCH(int, version);
        WindowFixture f;
        const CardRecord card = FullCard(static_cast<std::uint8_t>(version));
        f.WriteDatabase({{0, MakeCard("x", "y")}, {3, card}});
        TForm1& form = f.Start();
        f.ClickRow(4);

        CardRecord read = form.Database().cards[3];
        const double before = CurrentDays();
        form.ReadCard(read);
        QVERIFY(read.DateChanged >= before && read.DateChanged <= CurrentDays());
        read.DateChanged = card.DateChanged;
        for (std::size_t i = 0; i < sizeof(CardRecord); ++i)
            QVERIFY2(reinterpret_cast<const unsigned char*>(&read)[i] ==
                         reinterpret_cast<const unsigned char*>(&card)[i],
                     qPrintable(QStringLiteral("byte %1 differs").arg(i)));
        // The template keeps what a new card inherits.
        QCOMPARE(FromField(form.Database().TemplateRecord.APN1Edit),
                 QStringLiteral("internet.mts.ru"));
        QCOMPARE(FromField(form.Database().TemplateRecord.Pin1Edit), QString());
    }

    // The settings table names the window's own controls, and a check box by its own text.
    void EverySettingsFieldHasItsControl() {
        WindowFixture f;
        TForm1& form = f.Start();
        for (const SettingsField& field : SettingsFields()) {
            const auto* control = form.findChild<QWidget*>(QString::fromLatin1(field.control));
            QVERIFY2(control, field.control);
            if (const auto* box = qobject_cast<const QCheckBox*>(control))
                QVERIFY2(QString::fromStdString(field.label).endsWith(box->text()), field.control);
        }
    }

    void ReadCardClearsWhatNoControlHolds() {
        WindowFixture f;
        CardRecord card = FullCard();
        card.Reserved340[5] = 0x55;
        card.ImageCrc = 0x7777;
        card.UoSpare[0] = 9;
        card.UoSpare[2] = 5;  // device 3 is not connected
        f.WriteDatabase({{0, card}});
        TForm1& form = f.Start();
        CardRecord read = form.Database().cards[0];
        form.ReadCard(read);
        QCOMPARE(int(read.Reserved340[5]), 0);
        QCOMPARE(int(read.ImageCrc), 0);
        QCOMPARE(int(read.UoSpare[0]), 0);
        QCOMPARE(int(read.UoSpare[2]), 0);
        QCOMPARE(form.UoEditBuffer[0].spare, std::uint16_t(9));  // carried in the buffer
    }

    void EmptySlotShowsTheTemplate() {
        WindowFixture f;
        CardRecord saved = FullCard();
        f.WriteDatabase({{0, saved}}, MakeTemplate(saved));
        f.Start();
        f.ClickRow(2);
        QCOMPARE(f.Text("Ip1GsmEdit"), QStringLiteral("195.19.200.231.static.x"));
        QCOMPARE(f.Text("APN2Edit"), QStringLiteral("internet.beeline.ru"));
        QCOMPARE(f.Text("LoginGsm1Edit"), QStringLiteral("mts"));
        QCOMPARE(f.Text("ipUpdateEdit"), QStringLiteral("upd.example.org"));
        QCOMPARE(f.Text("Pin1Edit"), QString());
        QCOMPARE(f.Text("Pin2Edit"), QString());
        QCOMPARE(f.Text("NCardEdit"), QString());
        QCOMPARE(f.Text("smsNumber1Edit"), QString());
        QCOMPARE(f.Text("balCritical"), QStringLiteral("10"));
        QVERIFY(!f.Find<QCheckBox>("sendSMS1Check")->isChecked());
        QVERIFY(!f.Find<QCheckBox>("balEnable")->isChecked());
        QCOMPARE(f.Find<QComboBox>("VersionCombo")->currentText(), QStringLiteral("81.32 и выше"));
        QCOMPARE(f.Text("ProgID1"), QStringLiteral("0000"));
        for (int tab = 0; tab < 4; ++tab) {
            f.ChooseTab(tab);
            QCOMPARE(f.Find<QComboBox>("uoTypeCombo")->currentText(),
                     QStringLiteral("Не подключено"));
        }
    }

    void FreshDatabaseGetsTheDefaultUpdateSettings() {
        WindowFixture f;
        f.Start();
        QCOMPARE(f.Text("ipUpdateEdit"), QString::fromLatin1(TForm1::DefaultUpdateHost));
        QCOMPARE(f.Text("portUpdateEdit"), QStringLiteral("25001"));
        QCOMPARE(f.Text("portParamsEdit"), QStringLiteral("25002"));
        QVERIFY(f.Text("ipUpdateEdit").isEmpty());
    }

    void NoDefaultHostSoAllowingUpdatesAsksForOne() {
        WindowFixture f;
        CardRecord card = ValidCard("77", "Склад");
        std::memset(card.ipUpdateEdit, 0, sizeof card.ipUpdateEdit);
        f.WriteDatabase({{0, card}});
        f.Start();
        f.StartEditing();
        f.Click("allowUpdateCheck");
        f.Save();
        QCOMPARE(f.dialogs.Texts(),
                 QStringList{"Неверные значения IP или порта сервера обновлений."});
        f.Type("ipUpdateEdit", "upd.example.org");
        f.Save();
        QCOMPARE(f.dialogs.Texts().size(), 1);
        QCOMPARE(QString::fromLatin1(f.ReadBack()->cards[0].ipUpdateEdit),
                 QStringLiteral("upd.example.org"));
    }

    void OneEmptyUpdateFieldBringsAllDefaults() {
        WindowFixture f;
        CardRecord card = FullCard();
        std::memset(card.portParamsEdit, 0, sizeof card.portParamsEdit);
        f.WriteDatabase({{0, card}});
        f.Start();
        QCOMPARE(f.Text("ipUpdateEdit"), QString::fromLatin1(TForm1::DefaultUpdateHost));
        QCOMPARE(f.Text("portUpdateEdit"), QStringLiteral("25001"));
        QCOMPARE(f.Text("portParamsEdit"), QStringLiteral("25002"));
    }

    void CriticalBalanceZeroShowsAndStoresTen() {
        WindowFixture f;
        CardRecord card = FullCard();
        card.balCritical = 0;
        f.WriteDatabase({{0, card}});
        TForm1& form = f.Start();
        QCOMPARE(f.Text("balCritical"), QStringLiteral("10"));
        CardRecord read{};
        form.ReadCard(read);
        QCOMPARE(int(read.balCritical), 10);
        f.Find<QLineEdit>("balCritical")->setText("abc");
        form.ReadCard(read);
        QCOMPARE(int(read.balCritical), 10);
    }

    void UnknownVersionByteKeepsTheComboWhereItWas() {
        WindowFixture f;
        CardRecord old = MakeCard("1", "old");
        old.VersionCombo = 0;
        CardRecord odd = MakeCard("2", "odd");
        odd.VersionCombo = 7;
        f.WriteDatabase({{0, old}, {1, odd}});
        TForm1& form = f.Start();
        QCOMPARE(f.Find<QComboBox>("VersionCombo")->currentIndex(), 0);
        f.ClickRow(2);
        QCOMPARE(f.Find<QComboBox>("VersionCombo")->currentIndex(), 0);
        CardRecord read = form.Database().cards[1];
        form.ReadCard(read);
        QCOMPARE(int(read.VersionCombo), 0);
    }

    void SavingKeepsTheProgrammingRecord() {
        WindowFixture f;
        f.WriteDatabase({{0, FullCard()}});
        TForm1& form = f.Start();
        CardRecord& stored = form.Database().cards[0];
        form.ReadCard(stored);
        form.ReadCard(stored);
        QCOMPARE(int(stored.ProgID1), 0xC0DE);
        QCOMPARE(int(stored.ProgID2), 0x1234);
        QCOMPARE(double(stored.DateProgrammed), DaysFromDate({2023, 1, 2, 3, 4, 5, 0}));
    }

    void ViewingTabsLeavesTheBufferAlone() {
        WindowFixture f;
        f.WriteDatabase({{0, FullCard()}});
        TForm1& form = f.Start();
        const UoSlots before = form.UoEditBuffer;
        for (int tab : {1, 3, 0, 2, 0}) f.ChooseTab(tab);
        QVERIFY(form.UoEditBuffer == before);
        QCOMPARE(f.Text("CodeUoo"), QStringLiteral("123456789"));
        f.ChooseTab(1);
        QCOMPARE(f.Text("CodeUoo"), QStringLiteral("4000000000"));
        QCOMPARE(f.Find<QComboBox>("uoTypeCombo")->currentIndex(), 1);
        // Typing is impossible while viewing; a change that still reaches a control is not kept.
        f.Find<QLineEdit>("CodeUoo")->setText("5");
        Q_EMIT f.Find<QLineEdit>("CodeUoo")->textEdited("5");
        QVERIFY(form.UoEditBuffer == before);
    }

    void EditingTabsKeepEachDevicesValues() {
        WindowFixture f;
        f.WriteDatabase({{0, FullCard()}});
        TForm1& form = f.Start();
        f.StartEditing();
        f.Type("CodeUoo", "777");
        f.Type("numLine", "300");  // the low 8 bits are kept: 44
        f.Choose("Cord2", 0);
        f.Click("uoBatteryCheck");
        f.ChooseTab(2);
        QCOMPARE(f.Find<QComboBox>("uoTypeCombo")->currentIndex(), 0);
        f.Choose("uoTypeCombo", 3);
        f.Type("CodeUoo", "78");
        f.Type("numLine", "5");
        f.Choose("Cord6", 2);
        f.Click("fireWoGuard");
        f.ChooseTab(0);
        QCOMPARE(f.Text("CodeUoo"), QStringLiteral("777"));
        QCOMPARE(f.Text("numLine"), QStringLiteral("44"));
        QCOMPARE(f.Find<QComboBox>("Cord2")->currentIndex(), 0);
        QVERIFY(!f.Find<QCheckBox>("uoBatteryCheck")->isChecked());
        f.ChooseTab(2);
        QCOMPARE(f.Text("CodeUoo"), QStringLiteral("78"));
        QCOMPARE(f.Find<QComboBox>("Cord6")->currentIndex(), 2);
        QVERIFY(f.Find<QCheckBox>("fireWoGuard")->isChecked());

        const UoSlot first = form.UoEditBuffer[0];
        QCOMPARE(first.code, 777u);
        QCOMPARE(int(first.lineAddress), 44);
        QCOMPARE(int(first.guardLoops), 0b010101);
        QCOMPARE(int(first.fireLoops), 0b101000);
        QCOMPARE(int(first.modes), UoModeFireWithoutGuard | UoModeIndicatorBlink);
        const UoSlot third = form.UoEditBuffer[2];
        QCOMPARE(int(third.type), 3);
        QCOMPARE(int(third.fireLoops), 0b100000);
        QCOMPARE(int(third.modes), int(UoModeFireWithoutGuard));
        // Nothing reaches the card before it is saved.
        QCOMPARE(std::uint32_t(form.Database().cards[0].UoCode[0]), 123456789u);
        QCOMPARE(int(form.Database().cards[0].UoType[2]), 0);
    }

    void UnknownDeviceTypeIsKeptThroughEditing() {
        WindowFixture f;
        CardRecord card = ValidCard("1", "x");
        Connect(card, 1, 7, 55, 2);  // a type byte the list has no item for
        f.WriteDatabase({{0, card}});
        TForm1& form = f.Start();
        f.StartEditing();
        f.ChooseTab(1);
        f.ChooseTab(0);
        QCOMPARE(int(form.UoEditBuffer[1].type), 7);
        f.Save();
        QVERIFY(f.dialogs.shown.empty());
        QCOMPARE(int(f.ReadBack()->cards[0].UoType[1]), 7);
    }

    void LoopChoicesMoveTheirBit() {
        WindowFixture f;
        CardRecord card = MakeCard("1", "x");
        Connect(card, 0, 3, 5, 1);
        card.UoGuardCords[0] = 0b1000;
        f.WriteDatabase({{0, card}});
        TForm1& form = f.Start();
        f.StartEditing();
        f.Choose("Cord4", 2);
        QCOMPARE(int(form.UoEditBuffer[0].guardLoops), 0);
        QCOMPARE(int(form.UoEditBuffer[0].fireLoops), 0b1000);
        f.Choose("Cord4", 0);
        QCOMPARE(int(form.UoEditBuffer[0].fireLoops), 0);
        f.Type("CodeUoo", "12a");
        QCOMPARE(form.UoEditBuffer[0].code, 0u);
    }

    void DisconnectedDeviceIsStoredEmpty() {
        WindowFixture f;
        CardRecord card = FullCard();
        f.WriteDatabase({{0, card}});
        TForm1& form = f.Start();
        f.StartEditing();
        f.ChooseTab(3);
        f.Choose("uoTypeCombo", 0);
        CardRecord read = form.Database().cards[0];
        form.ReadCard(read);
        QCOMPARE(std::uint32_t(read.UoCode[3]), 0u);
        QCOMPARE(int(read.UoType[3]), 0);
        QCOMPARE(int(read.UoLineAddress[3]), 0);
        QCOMPARE(int(read.UoGuardCords[3]), 0);
        QCOMPARE(int(read.UoModes[3]), 0);
        QCOMPARE(std::uint32_t(read.UoCode[0]), 123456789u);  // the others stay
    }

    void TextsOutsideWindows1251AreRefused() {
        WindowFixture f;
        f.Start();
        f.StartEditing();
        f.Type("Edit1", QStringLiteral("Дом 5"));
        QCOMPARE(f.Text("Edit1"), QStringLiteral("Дом 5"));
        // A typed character without a Windows-1251 byte does not enter the field.
        QTest::sendKeyEvent(QTest::Click, f.Find<QLineEdit>("Edit1"), Qt::Key_unknown,
                            QStringLiteral("\u4E2D"), Qt::NoModifier);
        QCOMPARE(f.Text("Edit1"), QStringLiteral("Дом 5"));
        QCOMPARE(QToolTip::text(), QStringLiteral("Символ не поддерживается"));
        // A pasted text with such a character is refused whole.
        QGuiApplication::clipboard()->setText(QStringLiteral(" корпус 中"));
        f.Find<QLineEdit>("Edit1")->paste();
        QCOMPARE(f.Text("Edit1"), QStringLiteral("Дом 5"));
        QGuiApplication::clipboard()->setText(QStringLiteral(" корпус №2"));
        f.Find<QLineEdit>("Edit1")->paste();
        QCOMPARE(f.Text("Edit1"), QStringLiteral("Дом 5 корпус №2"));
    }

    void TypingStopsAtTheDesignedLength() {
        WindowFixture f;
        f.Start();
        f.StartEditing();
        f.Click("allowUpdateCheck");
        f.Type("NCardEdit", "12345678901");
        QCOMPARE(f.Text("NCardEdit"), QStringLiteral("1234567890"));
        // The update server field holds 18 characters, and so does its edit.
        f.Type("ipUpdateEdit", "a-very-long-host.example.net");
        QCOMPARE(f.Text("ipUpdateEdit"), QStringLiteral("a-very-long-host.e"));
        QCOMPARE(f.Find<QLineEdit>("NCardEdit")->maxLength(), 10);
        QCOMPARE(f.Find<QLineEdit>("Edit1")->maxLength(), 99);
        QCOMPARE(f.Find<QLineEdit>("ipUpdateEdit")->maxLength(), 18);
        f.Type("CodeUoo", "12345678901");
        QCOMPARE(f.Text("CodeUoo"), QStringLiteral("123456789"));
        f.Click("balEnable");
        f.Type("balCritical", "12345");
        QCOMPARE(f.Text("balCritical"), QStringLiteral("123"));
    }

    void LongStoredValuesAreShownWholeAndKept() {
        WindowFixture f;
        CardRecord card = MakeCard("1", "x");
        Connect(card, 0, 1, 4000000000u, 1);
        card.balCritical = 1000;
        f.WriteDatabase({{0, card}});
        TForm1& form = f.Start();
        QCOMPARE(f.Text("CodeUoo"), QStringLiteral("4000000000"));
        QCOMPARE(f.Text("balCritical"), QStringLiteral("1000"));
        f.StartEditing();
        QLineEdit* code = f.Find<QLineEdit>("CodeUoo");
        code->setFocus();
        code->end(false);
        QTest::keyClick(code, Qt::Key_5);  // cannot grow further
        QCOMPARE(f.Text("CodeUoo"), QStringLiteral("4000000000"));
        QTest::keyClick(code, Qt::Key_Backspace);  // but can be shortened
        QCOMPARE(f.Text("CodeUoo"), QStringLiteral("400000000"));
        QCOMPARE(form.UoEditBuffer[0].code, 400000000u);
        CardRecord read{};
        form.ReadCard(read);
        QCOMPARE(int(read.balCritical), 1000);
    }
};

QTEST_MAIN(CardFormTest)
#include "card_form_test.moc"
