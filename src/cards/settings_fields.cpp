// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cards/settings_fields.h"

#include <cstring>

#include "text/charset.h"

namespace gsmprog {

namespace {

constexpr const char* NotConnectedText = "НД";
constexpr const char* DeviceTypeTexts[] = {"Не подключено", "УОО 1Ш", "УОО 3Ш", "УОО 6ША"};
constexpr const char* VersionTexts[] = {"до 81.31", "81.32 и выше"};

// A text of the record, by member; its edit in the window has the member's name.
#define GSMPROG_TEXT(label, member)                                               \
    SettingsField {                                                               \
        label, #member, offsetof(CardRecord, member), sizeof(CardRecord::member), \
            SettingsKind::Text                                                    \
    }

std::vector<SettingsField> MakeTable() {
    std::vector<SettingsField> table;
    table.push_back(GSMPROG_TEXT("Имя карточки в базе ПЦН", NCardEdit));
    table.push_back({"ВЕРСИЯ МОДЕМА", "VersionCombo", offsetof(CardRecord, VersionCombo), 1,
                     SettingsKind::Version});
    for (int i = 0; i < 4; ++i) {
        const std::string device = "УОО " + std::to_string(i + 1) + ": ";
        const std::size_t entry = std::size_t(i);
        table.push_back({device + "Тип устройства", "uoTypeCombo",
                         offsetof(CardRecord, UoType) + entry, 1, SettingsKind::DeviceType, 0, i});
        table.push_back({device + "Код УО на ПЦН", "CodeUoo",
                         offsetof(CardRecord, UoCode) + 4 * entry, 4, SettingsKind::DeviceCode, 0,
                         i});
        table.push_back({device + "Адрес УО на линии", "numLine",
                         offsetof(CardRecord, UoLineAddress) + entry, 1, SettingsKind::LineAddress,
                         0, i});
    }
    for (const SettingsField& text : {
             GSMPROG_TEXT("PIN1", Pin1Edit),
             GSMPROG_TEXT("IP Адрес МС (WAN1)", Ip1GsmEdit),
             GSMPROG_TEXT("Порт МС (WAN1)", Port1GsmEdit),
             GSMPROG_TEXT("Точка доступа 1", APN1Edit),
             GSMPROG_TEXT("Логин 1", LoginGsm1Edit),
             GSMPROG_TEXT("Пароль 1", PassGsm1Edit),
             GSMPROG_TEXT("PIN2", Pin2Edit),
             GSMPROG_TEXT("IP Адрес МС (WAN2)", Ip2GsmEdit),
             GSMPROG_TEXT("Порт МС (WAN2)", Port2GsmEdit),
             GSMPROG_TEXT("Точка доступа 2", APN2Edit),
             GSMPROG_TEXT("Логин 2", LoginGsm2Edit),
             GSMPROG_TEXT("Пароль 2", PassGsm2Edit),
         })
        table.push_back(text);

    constexpr std::size_t sms = offsetof(CardRecord, SmsFlags);
    auto smsFlag = [&](const char* label, const char* control, std::uint8_t bit) {
        table.push_back({label, control, sms, 1, SettingsKind::Flag, bit});
    };
    smsFlag("Включить отправку SMS на номер (1)", "sendSMS1Check", SmsSendTo1);
    table.push_back(GSMPROG_TEXT("Номер 1 для отправки SMS", smsNumber1Edit));
    smsFlag("Включить отправку SMS на номер (2)", "sendSMS2Check", SmsSendTo2);
    table.push_back(GSMPROG_TEXT("Номер 2 для отправки SMS", smsNumber2Edit));
    table.push_back(GSMPROG_TEXT("Название объекта (опционально)", smsObjNameEdit));
    smsFlag("Тип событий: Изменение режима охраны (Снятия / Постановки)", "smsGuardModeCheck",
            SmsGuardMode);
    smsFlag("Тип событий: Тревога", "smsAlarmCheck", SmsAlarm);
    smsFlag("Тип событий: Пожар", "smsFireCheck", SmsFire);
    smsFlag("Тип событий: Вызов КТС", "smsKtcCheck", SmsKtc);
    smsFlag("Сохранять SMS в памяти телефона", "saveSMSCheck", SmsSaveInPhone);

    constexpr std::size_t balance = offsetof(CardRecord, BalanceFlags);
    table.push_back({"Включить проверку баланса SIM карт", "balEnable", balance, 2,
                     SettingsKind::Flag, BalanceEnable});
    table.push_back({"Критический уровень баланса (руб)", "balCritical",
                     offsetof(CardRecord, balCritical), 2, SettingsKind::CriticalBalance});
    table.push_back(GSMPROG_TEXT("Код запроса баланса для SIM1", balCodeSim1));
    table.push_back(GSMPROG_TEXT("Код запроса баланса для SIM2", balCodeSim2));
    table.push_back({"Автоматическое извещение о критическом балансе", "balSendPcnCheck", balance,
                     2, SettingsKind::ClearedFlag, BalanceNoCriticalNotice});

    constexpr std::size_t update = offsetof(CardRecord, UpdateFlags);
    table.push_back({"Разрешить автоматическое обновление прошивки", "allowUpdateCheck", update, 1,
                     SettingsKind::Flag, UpdateAllowFirmware});
    table.push_back(GSMPROG_TEXT("Адрес сервера обновлений", ipUpdateEdit));
    table.push_back(GSMPROG_TEXT("Порт сервера обновлений", portUpdateEdit));
    table.push_back(GSMPROG_TEXT("Порт сервера параметров", portParamsEdit));
    table.push_back({"Разрешить удаленное управление параметрами", "allowParamsUpdate", update, 1,
                     SettingsKind::Flag, UpdateAllowParams});
    return table;
}

#undef GSMPROG_TEXT

// The little-endian number of `size` (1, 2 or 4) bytes at `offset`.
std::uint32_t Number(const CardRecord& record, std::size_t offset, std::size_t size) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record) + offset;
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;) value = value << 8 | bytes[i];
    return value;
}

// A combo box shows its item; a stored value the list does not know, as its number.
template <std::size_t N>
std::string ItemText(const char* const (&items)[N], std::uint32_t value) {
    return value < N ? items[value] : std::to_string(value);
}

bool Connected(const CardRecord& record, int device) { return record.UoType[device] != 0; }

}  // namespace

const std::vector<SettingsField>& SettingsFields() {
    static const std::vector<SettingsField> table = MakeTable();
    return table;
}

bool CarriedBy(const SettingsField& field, int variant) {
    // The version is told by the image's length rather than by a byte of it, and the card
    // number heads every image.
    return variant == 1 || field.kind == SettingsKind::Version ||
           field.offset == offsetof(CardRecord, NCardEdit) ||
           field.offset + field.size <= ShortImageSettingsEnd;
}

std::string ShownValue(const SettingsField& field, const CardRecord& record) {
    const std::uint32_t value =
        field.kind == SettingsKind::Text ? 0 : Number(record, field.offset, field.size);
    switch (field.kind) {
    case SettingsKind::Text: {
        const char* text = reinterpret_cast<const char*>(&record) + field.offset;
        return Win1251ToUtf8(std::string_view(text, strnlen(text, field.size)));
    }
    case SettingsKind::Version: return ItemText(VersionTexts, value);
    case SettingsKind::DeviceType: return ItemText(DeviceTypeTexts, value);
    case SettingsKind::DeviceCode:
    case SettingsKind::LineAddress:
        return Connected(record, field.device) ? std::to_string(value) : NotConnectedText;
    case SettingsKind::Flag: return value & field.bit ? "да" : "нет";
    case SettingsKind::ClearedFlag: return value & field.bit ? "нет" : "да";
    case SettingsKind::CriticalBalance: return std::to_string(value == 0 ? 10 : value);
    }
    return {};
}

std::vector<SettingsDifference> CompareSettings(const CardRecord& card, const CardRecord& held) {
    std::vector<SettingsDifference> differences;
    for (const SettingsField& field : SettingsFields()) {
        if (!CarriedBy(field, held.VersionCombo)) continue;
        std::string first = ShownValue(field, card), second = ShownValue(field, held);
        if (first != second) differences.push_back({&field, std::move(first), std::move(second)});
    }
    return differences;
}

}  // namespace gsmprog
