// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The checks before a save: their boundaries, their order and their messages, word for word.

#include <QCheckBox>
#include <QTest>

#include "ui/window_fixture.h"

using namespace gsmprog;
using namespace gsmprog::test;

namespace {

const QString Missing =
    QStringLiteral("Заполните ВСЕ необходимые поля перед сохранением!\nПропущенные поля:\n\n");
const QString Balance = QStringLiteral(
    "Задано неверное значение критического баланса SIM. Разрешается задавать значения от 10 до 500р");
const QString WrongHead = QStringLiteral("Ошибочные данные в полях:\n\n");
const QString WrongTail = QStringLiteral(
    "\n\n*Номера портов должны быть от 5000 до 65535\n*PIN-коды должны быть 4х-значные");
const QString NeedsDevice1 = QStringLiteral(
    "Для удаленной настройки параметров НЕОБХОДИМО, чтобы УОО 1 был настроен. Код УОО 1 будет использоваться "
    "для настройки параметров в АРМ Приемника ТОРИС.");
const QString SameCodes =
    QStringLiteral("Одинаковые коды использованы для разных УО в текущей записи");
const QString AddressRange = QStringLiteral("Адрес УО на линии должен лежать в диапазоне 0 - 15");
const QString SameAddresses =
    QStringLiteral("Одинаковые адреса на линии использованы для разных УО в текущей записи");
const QString CodeInDatabase = QStringLiteral("Такой код УО уже есть в базе");
const QString SmsHead = QStringLiteral("Неверные данные в полях:\n\n");
const QString SmsTail = QStringLiteral(
    "\nВсе используемые номера телефонов должны содержать 11 цифр и начинаться с 8.");
const QString UpdateServer = QStringLiteral("Неверные значения IP или порта сервера обновлений.");
const QString ParamsPort = QStringLiteral("Неверные значения порта управления параметрами.");

// The window in edit mode on a valid card in slot 1, with another card in slot 0 whose
// device 1 has code 900 and whose device 2 (not connected) has code 901.
struct Editing {
    WindowFixture f;
    Editing() {
        CardRecord other = ValidCard("0", "Другой");
        Connect(other, 0, 2, 900, 1);
        other.UoCode[1] = 901;
        CardRecord freeSlot{};  // a deleted card's leftovers count for nothing
        Connect(freeSlot, 0, 2, 902, 1);
        f.WriteDatabase({{0, other}, {1, ValidCard("1", "Этот")}, {5, freeSlot}});
        f.Start();
        f.ClickRow(2);
        f.StartEditing();
    }
    // Saves and returns what was shown (empty when the card was saved).
    QString Save() {
        f.dialogs.shown.clear();
        f.Save();
        if (f.dialogs.shown.empty()) {
            f.StartEditing();
            return {};
        }
        if (f.dialogs.shown.size() != 1) return QStringLiteral("several messages");
        if (f.dialogs.shown[0].caption != QStringLiteral("Внимание!"))
            return QStringLiteral("wrong caption");
        if (!f.Form().EditMode) return QStringLiteral("left edit mode");
        return f.dialogs.shown[0].text;
    }
    void Device(int tab, int type, const QString& code, const QString& line) {
        f.ChooseTab(tab);
        f.Choose("uoTypeCombo", type);
        if (type) {
            f.Type("CodeUoo", code);
            f.Type("numLine", line);
        }
    }
};

}  // namespace

class CardValidationTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void RequiredFieldsAreListedInPageOrder() {
        Editing e;
        e.f.Type("NCardEdit", "");
        e.f.Type("APN1Edit", "");
        e.f.Type("APN2Edit", "");
        QCOMPARE(e.Save(), Missing + "Номер карточки\nТочка доступа 2\nТочка доступа 1\n");
        e.f.Type("NCardEdit", "5");
        e.f.Type("APN2Edit", "a");
        QCOMPARE(e.Save(), Missing + "Точка доступа 1\n");
        e.f.Type("APN1Edit", "b");
        QCOMPARE(e.Save(), QString());
    }

    void CriticalBalanceIsCheckedOnlyWhenEnabled_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("9") << "9" << false;
        QTest::newRow("10") << "10" << true;
        QTest::newRow("500") << "500" << true;
        QTest::newRow("501") << "501" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("letters") << "abc" << false;
        QTest::newRow("leading zero") << "010" << true;
        QTest::newRow("negative") << "-10" << false;
        QTest::newRow("fraction") << "10.5" << false;
    }
    void CriticalBalanceIsCheckedOnlyWhenEnabled() {
        QFETCH(QString, value);
        QFETCH(bool, accepted);
        Editing e;
        e.f.Click("balEnable");
        e.f.Type("balCritical", value);
        QCOMPARE(e.Save(), accepted ? QString() : Balance);
        e.f.Type("balCritical", value);
        e.f.Click("balEnable");
        if (e.f.Find<QCheckBox>("balEnable")->isChecked()) e.f.Click("balEnable");
        QCOMPARE(e.Save(), QString());  // off: not examined at all
    }

    void PinsAndPorts_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("hint");
        QTest::newRow("PIN of 3") << "Pin1Edit"
                                  << "123"
                                  << "PIN1";
        QTest::newRow("PIN with a letter") << "Pin2Edit"
                                           << "12a4"
                                           << "PIN2";
        QTest::newRow("PIN with a sign") << "Pin1Edit"
                                         << "+123"
                                         << "PIN1";
        QTest::newRow("PIN with a blank") << "Pin1Edit"
                                          << "12 4"
                                          << "PIN1";
        QTest::newRow("PIN with leading zeros") << "Pin1Edit"
                                                << "0000"
                                                << "";
        QTest::newRow("port 4999") << "Port1GsmEdit"
                                   << "4999"
                                   << "Порт МС (WAN1)";
        QTest::newRow("port 5000") << "Port1GsmEdit"
                                   << "5000"
                                   << "";
        QTest::newRow("port 65535") << "Port2GsmEdit"
                                    << "65535"
                                    << "";
        QTest::newRow("port 65536") << "Port2GsmEdit"
                                    << "65536"
                                    << "Порт МС (WAN2)";
        QTest::newRow("port of letters") << "Port2GsmEdit"
                                         << "abcde"
                                         << "Порт МС (WAN2)";
        QTest::newRow("empty port") << "Port1GsmEdit"
                                    << ""
                                    << "Порт МС (WAN1)";
        QTest::newRow("port with a leading zero") << "Port1GsmEdit"
                                                  << "05000"
                                                  << "";
        QTest::newRow("port 0999") << "Port2GsmEdit"
                                   << "0999"
                                   << "Порт МС (WAN2)";
        QTest::newRow("negative port") << "Port1GsmEdit"
                                       << "-5000"
                                       << "Порт МС (WAN1)";
        QTest::newRow("port of 3 digits") << "Port1GsmEdit"
                                          << "999"
                                          << "Порт МС (WAN1)";
    }
    void PinsAndPorts() {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, hint);
        Editing e;
        e.f.Type(qPrintable(field), value);
        QCOMPARE(e.Save(), hint.isEmpty() ? QString() : WrongHead + hint + "\n" + WrongTail);
    }

    void FailingPinsAndPortsAreListedOnceInPageOrder() {
        Editing e;
        e.f.Type("Port2GsmEdit", "1");
        e.f.Type("Pin2Edit", "");
        e.f.Type("Port1GsmEdit", "70000");
        e.f.Type("Pin1Edit", "x");
        QCOMPARE(e.Save(), WrongHead + "PIN1\nПорт МС (WAN1)\nPIN2\nПорт МС (WAN2)\n" + WrongTail);
    }

    void RemoteParametersNeedDevice1() {
        Editing e;
        e.Device(1, 1, "10", "1");
        e.f.Click("allowParamsUpdate");
        QCOMPARE(e.Save(), NeedsDevice1);
        e.Device(0, 1, "11", "2");
        QCOMPARE(e.Save(), QString());
    }

    void CodesWithinTheCard() {
        Editing e;
        e.Device(0, 2, "0", "1");
        e.Device(3, 1, "0", "2");
        QCOMPARE(e.Save(), SameCodes);  // code 0 twice is a duplicate
        e.Device(3, 0, "", "");
        e.f.ChooseTab(3);
        QCOMPARE(e.Save(), QString());  // a device that is not connected does not count
    }

    void LineAddressRangeOnConnectedDevicesOnly() {
        Editing e;
        e.Device(0, 1, "1", "15");
        QCOMPARE(e.Save(), QString());
        e.Device(1, 2, "2", "16");
        QCOMPARE(e.Save(), AddressRange);
        e.Device(1, 0, "", "");
        QCOMPARE(e.Save(), QString());
        e.Device(2, 3, "3", "272");  // stored as its low 8 bits: 16
        QCOMPARE(e.Save(), AddressRange);
        e.Device(2, 3, "3", "258");  // 2
        QCOMPARE(e.Save(), QString());
    }

    void LineAddressesWithinTheCard() {
        Editing e;
        e.Device(0, 1, "1", "4");
        e.Device(2, 1, "3", "4");
        QCOMPARE(e.Save(), SameAddresses);
    }

    void CodesAcrossTheDatabase() {
        Editing e;
        e.Device(2, 1, "900", "1");
        QCOMPARE(e.Save(), CodeInDatabase);
        e.Device(2, 1, "901", "1");  // the other card's device 2 is not connected
        QCOMPARE(e.Save(), QString());
        e.Device(2, 1, "902", "1");  // a free slot blocks nothing
        QCOMPARE(e.Save(), QString());
        // The card itself does not block its own code on a second save.
        QCOMPARE(e.Save(), QString());
    }

    // A card counts for the database-wide code check from a date of change of 0.001 on.
    void CodesOfCardsInUseFromTheFirstThousandthOfADay() {
        WindowFixture f;
        CardRecord barelyUsed = ValidCard("2", "Почти пустая");
        barelyUsed.DateChanged = 0.001;
        Connect(barelyUsed, 3, 3, 903, 1);
        CardRecord free = barelyUsed;
        free.DateChanged = 0.0009;
        free.UoCode[3] = 904;
        f.WriteDatabase({{0, ValidCard("1", "Этот")}, {7, barelyUsed}, {8, free}});
        f.Start();
        f.StartEditing();
        f.Choose("uoTypeCombo", 1);
        f.Type("CodeUoo", "903");
        f.Save();
        QCOMPARE(f.dialogs.Texts(), QStringList{CodeInDatabase});
        f.Type("CodeUoo", "904");
        f.Save();
        QCOMPARE(f.dialogs.Texts(), QStringList{CodeInDatabase});
        QVERIFY(!f.Form().EditMode);
    }

    void SmsNumbers_data() {
        QTest::addColumn<QString>("number");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("11 digits from 8") << "89001234567" << true;
        QTest::newRow("starts with 7") << "79001234567" << false;
        QTest::newRow("10 digits") << "8900123456" << false;
        QTest::newRow("a letter") << "8900123456a" << false;
        QTest::newRow("a blank") << "8900 234567" << false;
        QTest::newRow("empty") << "" << false;
    }
    void SmsNumbers() {
        QFETCH(QString, number);
        QFETCH(bool, accepted);
        Editing e;
        e.f.Click("sendSMS2Check");
        e.f.Type("smsNumber2Edit", number);
        QCOMPARE(e.Save(), accepted ? QString() : SmsHead + "Номер 2 для отправки SMS\n" + SmsTail);
    }

    void SmsNumbersAreTestedOnlyWhenSendingAndListedEach() {
        Editing e;
        e.f.Type("smsNumber1Edit", "");
        QCOMPARE(e.Save(), QString());  // sending off: not tested
        e.f.Click("sendSMS1Check");
        e.f.Click("sendSMS2Check");
        QCOMPARE(e.Save(),
                 SmsHead + "Номер 1 для отправки SMS\nНомер 2 для отправки SMS\n" + SmsTail);
    }

    void UpdateServerWhenAutomaticUpdateIsOn() {
        Editing e;
        e.f.Type("portParamsEdit", "1000");
        e.f.Find<QLineEdit>("ipUpdateEdit")->setText("");
        QCOMPARE(e.Save(), QString());  // automatic update off: the address is not needed
        e.f.Click("allowUpdateCheck");
        QCOMPARE(e.Save(), UpdateServer);
        e.f.Type("ipUpdateEdit", "h");
        e.f.Type("portUpdateEdit", "999");
        QCOMPARE(e.Save(), UpdateServer);
        e.f.Type("portUpdateEdit", "x");
        QCOMPARE(e.Save(), UpdateServer);
        e.f.Type("portUpdateEdit", "1000");
        QCOMPARE(e.Save(), QString());
        e.f.Type("portUpdateEdit", "99999");
        QCOMPARE(e.Save(), QString());
    }

    void ParameterPortIsAlwaysChecked() {
        Editing e;
        QVERIFY(!e.f.Find<QCheckBox>("allowParamsUpdate")->isChecked());
        e.f.Type("portParamsEdit", "999");
        QCOMPARE(e.Save(), ParamsPort);
        e.f.Type("portParamsEdit", "");
        QCOMPARE(e.Save(), ParamsPort);
        e.f.Type("portParamsEdit", "1000");
        QCOMPARE(e.Save(), QString());
    }

    void OnlyTheFirstFailingCheckIsReported() {
        Editing e;
        e.f.Type("portParamsEdit", "1");  // 11
        e.f.Click("allowUpdateCheck");
        e.f.Type("ipUpdateEdit", "");  // 10
        e.f.Click("sendSMS1Check");    // 9
        e.Device(0, 1, "900", "20");   // 8 and 6
        e.Device(1, 1, "900", "20");   // 5 and 7
        e.f.Click("allowParamsUpdate");
        e.f.Type("Pin1Edit", "1");  // 3
        e.f.Click("balEnable");
        e.f.Type("balCritical", "1");  // 2
        e.f.Type("APN1Edit", "");      // 1
        const QString expected[] = {Missing + "Точка доступа 1\n",
                                    Balance,
                                    WrongHead + "PIN1\n" + WrongTail,
                                    SameCodes,
                                    AddressRange,
                                    SameAddresses,
                                    CodeInDatabase,
                                    SmsHead + "Номер 1 для отправки SMS\n" + SmsTail,
                                    UpdateServer,
                                    ParamsPort};
        auto fix = [&](int step) {
            switch (step) {
            case 0: e.f.Type("APN1Edit", "a"); break;
            case 1: e.f.Type("balCritical", "100"); break;
            case 2: e.f.Type("Pin1Edit", "1234"); break;
            case 3:
                e.f.ChooseTab(1);
                e.f.Type("CodeUoo", "905");
                break;
            case 4:
                e.f.ChooseTab(0);
                e.f.Type("numLine", "15");
                e.f.ChooseTab(1);
                e.f.Type("numLine", "15");
                break;
            case 5: e.f.Type("numLine", "14"); break;
            case 6:
                e.f.ChooseTab(0);
                e.f.Type("CodeUoo", "906");
                break;
            case 7: e.f.Type("smsNumber1Edit", "89991112233"); break;
            case 8: e.f.Type("ipUpdateEdit", "h"); break;
            case 9: e.f.Type("portParamsEdit", "25002"); break;
            }
        };
        for (int step = 0; step < 10; ++step) {
            QCOMPARE(e.Save(), expected[step]);
            fix(step);
        }
        QCOMPARE(e.Save(), QString());
    }
};

QTEST_MAIN(CardValidationTest)
#include "card_validation_test.moc"
