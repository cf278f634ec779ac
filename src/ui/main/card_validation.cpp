// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The checks a card must pass before it is saved, in their fixed order: the first that fails
// is the only one reported. Fields are named in the messages by their tooltips.

#include <QLineEdit>
#include <algorithm>
#include <array>

#include "cards/device_codes.h"
#include "ui/main/card_editor.h"
#include "ui/main/main.h"
#include "ui/main/typed_numbers.h"
#include "ui_main.h"
#include "ui/main/user_dialogs.h"

namespace gsmprog {

namespace {

// Adds a field's name to a message's list, once.
void AddOnce(QString& list, const QString& hint) {
    if (!list.contains(hint)) list += hint + QLatin1Char('\n');
}

bool DigitsOnly(const QString& text, int count) {
    return text.size() == count &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool ValidPin(const QString& text) { return DigitsOnly(text, 4); }

// A whole number in 5000..65535, written with at least 4 characters.
bool ValidPort(const QString& text) {
    return text.size() >= 4 && WholeNumberOr(text, 70000) <= 65535 &&
           WholeNumberOr(text, 4999) >= 5000;
}

bool ValidSmsNumber(const QString& text) { return DigitsOnly(text, 11) && text.front() == u'8'; }

// The fields each check of the main GSM page covers, in the order its message lists them
// (the order the page's design creates them in).
const std::array RequiredAccessPoints = {&Ui::TForm1::APN2Edit, &Ui::TForm1::APN1Edit};

struct CheckedField {
    QLineEdit* Ui::TForm1::*edit;
    bool (*valid)(const QString&);
};
const CheckedField PinsAndPorts[] = {
    {&Ui::TForm1::Pin1Edit, ValidPin},
    {&Ui::TForm1::Port1GsmEdit, ValidPort},
    {&Ui::TForm1::Pin2Edit, ValidPin},
    {&Ui::TForm1::Port2GsmEdit, ValidPort},
};

}  // namespace

bool CardEditor::ValidateCard() {
    const QString failure = ValidationFailure();
    if (failure.isEmpty()) return true;
    dialogs_.ShowMessage(&window_, QStringLiteral("Внимание!"), failure);
    return false;
}

QString CardEditor::ValidationFailure() const {
    // A field of a SIM card that is not used is disabled and not checked.
    auto enabledOnMainPage = [this](const QLineEdit* edit) {
        return edit->isEnabledTo(ui_.MainGSM_Sheet);
    };

    // 1. Required fields.
    QString list;
    if (ui_.NCardEdit->text().isEmpty()) AddOnce(list, ui_.NCardEdit->toolTip());
    for (QLineEdit* Ui::TForm1::*field : RequiredAccessPoints) {
        const QLineEdit* edit = ui_.*field;
        if (enabledOnMainPage(edit) && edit->text().isEmpty()) AddOnce(list, edit->toolTip());
    }
    if (!list.isEmpty())
        return QStringLiteral(
                   "Заполните ВСЕ необходимые поля перед сохранением!\nПропущенные поля:\n\n") +
               list;

    // 2. Critical balance.
    if (ui_.balEnable->isChecked()) {
        const int critical = WholeNumberOr(ui_.balCritical->text(), -1);
        if (critical < 10 || critical > 500)
            return QStringLiteral(
                "Задано неверное значение критического баланса SIM. Разрешается задавать значения от 10 до 500р");
    }

    // 3. Ports and PINs of the main page.
    for (const CheckedField& field : PinsAndPorts) {
        const QLineEdit* edit = ui_.*field.edit;
        if (enabledOnMainPage(edit) && !field.valid(edit->text())) AddOnce(list, edit->toolTip());
    }
    if (!list.isEmpty())
        return QStringLiteral("Ошибочные данные в полях:\n\n") + list +
               QStringLiteral(
                   "\n\n*Номера портов должны быть от 5000 до 65535\n*PIN-коды должны быть 4х-значные");

    // 4. Remote parameter control needs device 1.
    if (ui_.allowParamsUpdate->isChecked() && !uoEditBuffer_[0].Connected())
        return QStringLiteral(
            "Для удаленной настройки параметров НЕОБХОДИМО, чтобы УОО 1 был настроен. Код УОО 1 "
            "будет использоваться для настройки параметров в АРМ Приемника ТОРИС.");

    // 5. to 7. The connected devices of this card: codes differ, line addresses 0..15 and differ.
    auto anyPair = [this](auto same) {
        for (int i = 0; i < UoSlotCount; ++i)
            for (int j = i + 1; j < UoSlotCount; ++j)
                if (uoEditBuffer_[i].Connected() && uoEditBuffer_[j].Connected() &&
                    same(uoEditBuffer_[i], uoEditBuffer_[j]))
                    return true;
        return false;
    };
    if (anyPair([](const UoSlot& a, const UoSlot& b) { return a.code == b.code; }))
        return QStringLiteral("Одинаковые коды использованы для разных УО в текущей записи");
    for (const UoSlot& entry : uoEditBuffer_)
        if (entry.Connected() && entry.lineAddress > 15)
            return QStringLiteral("Адрес УО на линии должен лежать в диапазоне 0 - 15");
    if (anyPair([](const UoSlot& a, const UoSlot& b) { return a.lineAddress == b.lineAddress; }))
        return QStringLiteral(
            "Одинаковые адреса на линии использованы для разных УО в текущей записи");

    // 8. Device codes are unique across the cards in use.
    for (const UoSlot& entry : uoEditBuffer_)
        if (entry.Connected() &&
            CardWithDeviceCode(database_, entry.code, database_.SelectedIndex) >= 0)
            return QString::fromUtf8(DeviceCodeTakenText);

    // 9. SMS numbers in use; each failing field is listed.
    if (ui_.sendSMS1Check->isChecked() && !ValidSmsNumber(ui_.smsNumber1Edit->text()))
        list += ui_.smsNumber1Edit->toolTip() + QLatin1Char('\n');
    if (ui_.sendSMS2Check->isChecked() && !ValidSmsNumber(ui_.smsNumber2Edit->text()))
        list += ui_.smsNumber2Edit->toolTip() + QLatin1Char('\n');
    if (!list.isEmpty())
        return QStringLiteral("Неверные данные в полях:\n\n") + list +
               QStringLiteral(
                   "\nВсе используемые номера телефонов должны содержать 11 цифр и начинаться с 8.");

    // 10. Update server.
    if (ui_.allowUpdateCheck->isChecked() &&
        (ui_.ipUpdateEdit->text().isEmpty() ||
         WholeNumberOr(ui_.portUpdateEdit->text(), 999) < 1000))
        return QStringLiteral("Неверные значения IP или порта сервера обновлений.");

    // 11. Parameter-control port, whether remote control is on or not.
    if (WholeNumberOr(ui_.portParamsEdit->text(), 999) < 1000)
        return QStringLiteral("Неверные значения порта управления параметрами.");
    return {};
}

}  // namespace gsmprog
