// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/journal_entry_fields.h"

#include "ops/read_result.h"
#include "ops/hex_text.h"
#include "ops/journal_table.h"
#include "text/charset.h"

namespace gsmprog {

namespace {

const char* Tick(bool checked) { return checked ? "да" : "нет"; }

// The settings of the image as the read-result window names them; Windows-1251 texts of the
// image become UTF-8.
void AddImageSettings(const WideImage& image, std::vector<JournalField>& fields) {
    const ReadResultView view = DescribeReadImage(image);
    const auto text = [&](const char* name, const std::string& win1251) {
        fields.push_back({name, Win1251ToUtf8(win1251)});
    };
    const auto tick = [&](const char* name, bool checked) {
        fields.push_back({name, Tick(checked)});
    };
    text("Код УО в базе ПЦН", view.CodeUoo);
    text("Адрес УО на линии", view.numLine);
    text("PIN1", view.Pin1Edit);
    text("PIN2", view.Pin2Edit);
    text("IP Адрес МС (WAN1)", view.Ip1GsmEdit);
    text("IP Адрес МС (WAN2)", view.Ip2GsmEdit);
    text("Порт МС (WAN1)", view.Port1GsmEdit);
    text("Порт МС (WAN2)", view.Port2GsmEdit);
    text("Точка доступа 1", view.APN1Edit);
    text("Точка доступа 2", view.APN2Edit);
    text("Логин 1", view.LoginGsm1Edit);
    text("Логин 2", view.LoginGsm2Edit);
    text("Пароль 1", view.PassGsm1Edit);
    text("Пароль 2", view.PassGsm2Edit);
    text("Название объекта", view.smsObjNameEdit);
    tick("Отправка SMS на номер (1)", view.sendSMS1Check);
    text("Номер SMS (1)", view.smsNumber1Edit);
    tick("Отправка SMS на номер (2)", view.sendSMS2Check);
    text("Номер SMS (2)", view.smsNumber2Edit);
    tick("SMS: Снятия / Постановки", view.smsGuardModeCheck);
    tick("SMS: Тревога", view.smsAlarmCheck);
    tick("SMS: Пожар", view.smsFireCheck);
    tick("SMS: Вызов КТС", view.smsKtcCheck);
    tick("Сохранять SMS в памяти телефона", view.saveSMSCheck);
    if (view.balanceGroupVisible) {
        text("Критический уровень баланса (руб)", view.balCritical);
        tick("Отправлять извещение о критическом балансе на ПЦН", view.balSendPcnCheck);
        text("Код запроса баланса для SIM1", view.balCodeSim1);
        text("Код запроса баланса для SIM2", view.balCodeSim2);
    }
    text("Результат программирования (ID)", view.ProgID1);
}

}  // namespace

std::vector<JournalField> JournalEntryFields(const JournalEntry& entry) {
    const JournalRow row = JournalRowTexts(entry);
    std::vector<JournalField> fields;
    const auto add = [&](const char* name, const std::string& value) {
        if (!value.empty()) fields.push_back({name, value});
    };
    add("Время", entry.time);
    add("Операция", row[1]);
    add("Результат", row[2]);
    add("Сообщение", entry.message);
    add("Длительность, мс", std::to_string(entry.durationMs));
    add("Пользователь", entry.user);
    add("Компьютер", entry.host);
    add("Программа",
        entry.program + (entry.programVersion.empty() ? "" : " " + entry.programVersion));
    add("Кабель", entry.cable);
    add("Порт", entry.port);
    if (entry.latencyMs) add("Таймер задержки кабеля, мс", std::to_string(*entry.latencyMs));
    add("Строка", row[3]);
    add("Карточка", entry.cardNumber);
    add("Объект", entry.object);
    add("Коды УОО", entry.deviceCodes);
    add("Карточка изменена", entry.dateChanged);
    add("Версия модема", entry.modemVersion);
    add("ID", IdNotWritten(entry) ? entry.imageCrc + " (" + IdNotWrittenText + ")"
                                  : entry.imageCrc);
    add("Прежний ID", entry.previousId);
    if (entry.device) add("УОО", std::to_string(*entry.device));
    add("Команда", entry.command);
    add("Образ", entry.image);

    WideImage image{};
    if (const auto bytes = HexBytes(entry.image);
        bytes && EvaluateReadImage(bytes->data(), bytes->size(), image))
        AddImageSettings(image, fields);
    return fields;
}

}  // namespace gsmprog
