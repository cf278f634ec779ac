// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The read-result window shows a read as the modem gave it, refilled whole for every read and
// with nothing to edit; the line naming the modem's card; the cable choice dialog.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstring>
#include <map>

#include "ui/read_frm/card_match_text.h"
#include "ui/ftiDialog/ftiDialog.h"
#include "ui/read_frm/read_frm.h"
#include "text/win1251.h"
#include "ui/window_fixture.h"

using namespace gsmprog;
using namespace gsmprog::test;

namespace {

template <typename T>
T* Control(const QWidget& window, const char* name) {
    T* control = window.findChild<T*>(QString::fromLatin1(name));
    if (!control) qFatal("no control %s", name);
    return control;
}
QString Text(const QWidget& window, const char* edit) {
    return Control<QLineEdit>(window, edit)->text();
}
bool Ticked(const QWidget& window, const char* check) {
    return Control<QCheckBox>(window, check)->isChecked();
}

WideImage Long(const CardRecord& card) {
    WideImage image;
    std::memcpy(image.bytes.data(), &card, image.bytes.size());
    image.variant = 1;
    return image;
}

// The 316 bytes a short modem sends: the settings below 312, then random pair and CRC.
WideImage Short(const CardRecord& card) {
    std::uint8_t bytes[ShortImageSize];
    std::memcpy(bytes, &card, 312);
    std::memcpy(bytes + 312, reinterpret_cast<const std::uint8_t*>(&card) + 440, 4);
    WideImage image;
    if (!WidenReadImage(bytes, sizeof bytes, image)) qFatal("316 bytes do not widen");
    return image;
}

CardRecord Sample() {
    CardRecord card{};
    Connect(card, 0, 1, 1234, 3);
    StoreField("1111", card.Pin1Edit);
    StoreField("10.1.1.2", card.Ip2GsmEdit);
    StoreField("internet", card.APN1Edit);
    StoreField(QStringLiteral("Пользователь"), card.LoginGsm1Edit);
    StoreField(QStringLiteral("Склад №3"), card.smsObjNameEdit);
    StoreField("+7911123456", card.smsNumber2Edit);
    StoreField("*100#", card.balCodeSim1);
    card.SmsFlags = SmsSendTo1 | SmsFire | SmsSaveInPhone;
    card.balCritical = 0;
    card.ImageCrc = 0x00AB;
    return card;
}

}  // namespace

class ReadResultWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void CaptionsAndLabelsAreTheSpecifiedTexts() {
        TForm2 form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Считанные данные"));
        QMap<QString, QString> labelOf;  // buddy -> label text
        for (const QLabel* label : form.findChildren<QLabel*>())
            if (label->buddy()) labelOf[label->buddy()->objectName()] = label->text();
        const std::map<const char*, const char*> labels{
            {"CodeUoo", "Код УО в базе ПЦН:"},
            {"numLine", "Адрес УО на линии"},
            {"Pin1Edit", "PIN1"},
            {"Ip1GsmEdit", "IP Адрес МС (WAN1)"},
            {"Port1GsmEdit", "Порт МС (WAN1)"},
            {"APN1Edit", "Точка доступа 1"},
            {"LoginGsm1Edit", "Логин 1"},
            {"PassGsm1Edit", "Пароль 1"},
            {"Pin2Edit", "PIN2"},
            {"Ip2GsmEdit", "IP Адрес МС (WAN2)"},
            {"Port2GsmEdit", "Порт МС (WAN2)"},
            {"APN2Edit", "Точка доступа 2"},
            {"LoginGsm2Edit", "Логин 2"},
            {"PassGsm2Edit", "Пароль 2"},
            {"ProgID1", "Результат программирования (ID)"},
            {"balCritical", "Критический уровень баланса (руб)"},
            {"balCodeSim1", "Код запроса баланса для SIM1"},
            {"balCodeSim2", "Код запроса баланса для SIM2"},
            {"smsObjNameEdit", "Название объекта"}};
        for (const auto& [buddy, text] : labels)
            QCOMPARE(labelOf.value(QString::fromLatin1(buddy)), QString::fromUtf8(text));
        QCOMPARE(labelOf.size(), qsizetype(labels.size()));
        const std::map<const char*, const char*> titles{{"GroupBox5", "Настройки GSM"},
                                                        {"GroupBox6", "Дополнительная информация"},
                                                        {"GroupBox4", "Баланс"},
                                                        {"GroupBox8", "SMS"},
                                                        {"GroupBox9", "Типы событий "}};
        for (const auto& [group, title] : titles)
            QCOMPARE(Control<QGroupBox>(form, group)->title(), QString::fromUtf8(title));
        const std::map<const char*, const char*> checks{
            {"balSendPcnCheck", "Отправлять извещение о критическом балансе на ПЦН"},
            {"sendSMS1Check", "Отправка SMS на номер (1)"},
            {"sendSMS2Check", "Отправка SMS на номер (2)"},
            {"smsGuardModeCheck", "Снятия / Постановки"},
            {"smsAlarmCheck", "Тревога"},
            {"smsFireCheck", "Пожар"},
            {"smsKtcCheck", "Вызов КТС"},
            {"saveSMSCheck", "Сохранять SMS в памяти телефона"}};
        for (const auto& [check, text] : checks)
            QCOMPARE(Control<QCheckBox>(form, check)->text(), QString::fromUtf8(text));
        QCOMPARE(Control<QPushButton>(form, "Button1")->text(), QStringLiteral("Закрыть"));
    }

    void LongReadShowsEveryControl() {
        TForm2 form;
        form.Fill(Long(Sample()));
        form.show();
        QCOMPARE(Text(form, "CodeUoo"), QStringLiteral("1234; НД; НД; НД; "));
        QCOMPARE(Text(form, "numLine"), QStringLiteral("3; НД; НД; НД; "));
        QCOMPARE(Text(form, "Pin1Edit"), QStringLiteral("1111"));
        QCOMPARE(Text(form, "Ip2GsmEdit"), QStringLiteral("10.1.1.2"));
        QCOMPARE(Text(form, "APN1Edit"), QStringLiteral("internet"));
        QCOMPARE(Text(form, "LoginGsm1Edit"), QStringLiteral("Пользователь"));
        QCOMPARE(Text(form, "smsObjNameEdit"), QStringLiteral("Склад №3"));
        QCOMPARE(Text(form, "smsNumber2Edit"), QStringLiteral("+7911123456"));
        QCOMPARE(Text(form, "balCodeSim1"), QStringLiteral("*100#"));
        QCOMPARE(Text(form, "balCritical"), QStringLiteral("10"));
        QCOMPARE(Text(form, "ProgID1"), QStringLiteral("00AB"));
        QVERIFY(Ticked(form, "sendSMS1Check") && !Ticked(form, "sendSMS2Check"));
        QVERIFY(Ticked(form, "smsFireCheck") && !Ticked(form, "smsAlarmCheck"));
        QVERIFY(Ticked(form, "saveSMSCheck") && Ticked(form, "balSendPcnCheck"));
        QVERIFY(Control<QGroupBox>(form, "GroupBox4")->isVisible());
    }

    void ShortReadHidesBalanceAndShowsItsOwnCrc() {
        TForm2 form;
        form.Fill(Short(Sample()));
        form.show();
        QVERIFY(!Control<QGroupBox>(form, "GroupBox4")->isVisible());
        QCOMPARE(Text(form, "ProgID1"), QStringLiteral("00AB"));
        QCOMPARE(Text(form, "smsObjNameEdit"), QStringLiteral("Склад №3"));
    }

    void EachReadReplacesThePreviousOne() {
        TForm2 form;
        CardRecord first = Sample();
        Connect(first, 2, 3, 77, 9);
        form.Fill(Short(first));
        CardRecord second{};
        Connect(second, 1, 2, 4294967280u, 200);
        form.Fill(Long(second));
        form.show();
        QCOMPARE(Text(form, "CodeUoo"), QStringLiteral("НД; 4294967280; НД; НД; "));
        QCOMPARE(Text(form, "numLine"), QStringLiteral("НД; 200; НД; НД; "));
        QCOMPARE(Text(form, "Pin1Edit"), QString());
        QCOMPARE(Text(form, "ProgID1"), QStringLiteral("0000"));
        QVERIFY(!Ticked(form, "sendSMS1Check") && !Ticked(form, "saveSMSCheck"));
        QVERIFY(Control<QGroupBox>(form, "GroupBox4")->isVisible());
    }

    void NothingCanBeChangedAndCloseCloses() {
        TForm2 form;
        form.Fill(Long(Sample()));
        form.show();
        for (const QLineEdit* edit : form.findChildren<QLineEdit*>())
            QVERIFY2(edit->isReadOnly(), qPrintable(edit->objectName()));
        for (QCheckBox* check : form.findChildren<QCheckBox*>()) {
            const bool ticked = check->isChecked();
            QTest::mouseClick(check, Qt::LeftButton);
            QVERIFY2(check->isChecked() == ticked, qPrintable(check->objectName()));
        }
        QTest::mouseClick(Control<QPushButton>(form, "Button1"), Qt::LeftButton);
        QVERIFY(!form.isVisible());
    }

    void CardLineNamesTheCardAndHowTheModemStands() {
        auto database = std::make_unique<CardDatabase>();
        CardRecord card = MakeCard("77", "Склад «Север»");
        Connect(card, 0, 1, 1234, 3);
        card.VersionCombo = 1;
        const ModemImage written = BuildModemImage(card, 1);
        card.ProgID1 = written.crc;
        database->cards[4] = card;
        WideImage read;
        QVERIFY(WidenReadImage(written.bytes.data(), written.length, read));
        const QString line = QStringLiteral("Карточка № 77 (объект «Склад «Север»»), строка 5: ");
        QCOMPARE(CardMatchText(*database, read),
                 line + QStringLiteral("модем запрограммирован этой карточкой"));
        StoreField("2222", database->cards[4].Pin1Edit);  // edited after programming
        QCOMPARE(CardMatchText(*database, read),
                 line + QStringLiteral("модем запрограммирован этой карточкой, но карточка "
                                       "изменена после программирования"));
        database->cards[4].ProgID1 = static_cast<std::uint16_t>(written.crc + 1);
        QCOMPARE(CardMatchText(*database, read),
                 line + QStringLiteral("ID не совпадает с карточкой"));
        CardRecord other = Sample();
        Connect(other, 0, 1, 999, 3);
        QCOMPARE(CardMatchText(*database, Long(other)),
                 QStringLiteral("В базе нет карточки с этими кодами УО"));
    }

    // "Создать карточку…" shows only where offered; a click closes the window with the choice,
    // which the next read forgets. The differences show only when a card is compared.
    void NewCardIsChosenOnlyWhereOffered() {
        TForm2 form;
        form.Fill(Long(Sample()));
        form.show();
        QPushButton* newCard = Control<QPushButton>(form, "newCardBtn");
        QVERIFY(!newCard->isVisible());
        QVERIFY(Control<QPushButton>(form, "compareCardBtn")->isVisible());
        QVERIFY(!Control<QWidget>(form, "differencesTable")->isVisible());
        form.ShowDifferences(QStringLiteral("Отличия от карточки № 1, строка 1:"), {});
        QVERIFY(Control<QLabel>(form, "noDifferencesLabel")->isVisible());
        QVERIFY(!Control<QWidget>(form, "differencesTable")->isVisible());
        form.OfferNewCard(true);
        QTest::mouseClick(newCard, Qt::LeftButton);
        QVERIFY(!form.isVisible() && form.NewCardChosen());
        form.Fill(Long(Sample()));
        QVERIFY(!form.NewCardChosen());
    }

    void CableDialogListsSerialsInOrderAndKeepsTheChoice() {
        TftdiDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Выбор FTDI"));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
        dialog.SetSerials({"OLD1"});
        dialog.SetSerials({"FT2", "FT1", "vmodem"});
        QComboBox* combo = Control<QComboBox>(dialog, "devCombo");
        QVERIFY(!combo->isEditable());
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->itemText(2), QStringLiteral("vmodem"));
        QCOMPARE(dialog.ChosenSerial(), QStringLiteral("FT2"));
        dialog.open();
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(dialog.ChosenSerial(), QStringLiteral("FT1"));
        QTest::keyClick(&dialog, Qt::Key_Escape);  // still a choice, not a cancel
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.ChosenSerial(), QStringLiteral("FT1"));
    }
};

QTEST_MAIN(ReadResultWindowTest)
#include "read_result_window_test.moc"
