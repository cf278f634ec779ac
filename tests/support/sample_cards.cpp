// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/sample_cards.h"

#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

#include "cards/card_dates.h"
#include "text/charset.h"

namespace gsmprog::test {

namespace {

// Stores UTF-8 `text` as the field's Windows-1251 bytes.
template <std::size_t N>
void Put(char (&field)[N], std::string_view text) {
    std::string bytes;
    if (!Utf8ToWin1251(text, bytes) || bytes.size() >= N)
        throw std::invalid_argument("no field text: " + std::string(text));
    std::memcpy(field, bytes.data(), bytes.size());
}

void Connect(CardRecord& card, int i, std::uint8_t type, std::uint32_t code, std::uint8_t line) {
    card.UoType[i] = type;
    card.UoCode[i] = code;
    card.UoLineAddress[i] = line;
}

}  // namespace

CardRecord FullCard(std::uint8_t version) {
    CardRecord card{};
    Put(card.NCardEdit, "Карта-1234");
    Put(card.Edit1, "Объект «Ёлка» ул. Щорса");
    Put(card.FIOEdit, "г. Тверь, пр. Победы, 1");
    Put(card.RemarkEdit, "Примечание: ключ у охраны");
    Connect(card, 0, 3, 123456789, 15);
    card.UoGuardCords[0] = 0b010101;
    card.UoFireCords[0] = 0b101010;
    card.UoModes[0] = UoModeFireWithoutGuard | UoModeNoBatteryCheck | UoModeIndicatorBlink;
    Connect(card, 1, 1, 4000000000u, 0);
    Connect(card, 3, 2, 42, 7);
    card.UoGuardCords[3] = 0b000011;
    card.UoModes[3] = UoModeIndicatorBlink;
    Put(card.Pin1Edit, "0123");
    Put(card.Pin2Edit, "9876");
    Put(card.Ip1GsmEdit, "195.19.200.231.static.x");
    Put(card.Ip2GsmEdit, "10.0.0.2");
    Put(card.Port1GsmEdit, "60001");
    Put(card.Port2GsmEdit, "5000");
    Put(card.APN1Edit, "internet.mts.ru");
    Put(card.APN2Edit, "internet.beeline.ru");
    Put(card.LoginGsm1Edit, "mts");
    Put(card.LoginGsm2Edit, "beeline");
    Put(card.PassGsm1Edit, "пароль1");
    Put(card.PassGsm2Edit, "pass2");
    card.UpdateFlags = UpdateAllowFirmware | UpdateAllowParams;
    card.SmsFlags =
        SmsSendTo1 | SmsSendTo2 | SmsGuardMode | SmsFire | SmsKtc | SmsAlarm | SmsSaveInPhone;
    Put(card.smsNumber1Edit, "89001234567");
    Put(card.smsNumber2Edit, "89007654321");
    Put(card.smsObjNameEdit, "Дача");
    Put(card.ipUpdateEdit, "upd.example.org");
    Put(card.portParamsEdit, "7001");
    Put(card.portUpdateEdit, "7002");
    Put(card.balCodeSim1, "*100#");
    Put(card.balCodeSim2, "*102#");
    card.balCritical = 250;
    card.BalanceFlags = BalanceEnable | BalanceNoCriticalNotice;
    Put(card.PUK1_Edit, "12345678");
    Put(card.Number1_Edit, "+79001112233");
    Put(card.SIM_ID1_Edit, "8970101234567890123");
    Put(card.PUK2_Edit, "87654321");
    Put(card.Number2_Edit, "+79004445566");
    Put(card.SIM_ID2_Edit, "SIM-два");
    card.DateChanged = DaysFromDate({2024, 3, 15, 10, 20, 30, 0});
    card.DateProgrammed = DaysFromDate({2023, 1, 2, 3, 4, 5, 0});
    card.ProgID1 = 0xC0DE;
    card.ProgID2 = 0x1234;
    card.VersionCombo = version;
    return card;
}

CardRecord PatternCard(int number) {
    CardRecord card{};
    auto* bytes = reinterpret_cast<unsigned char*>(&card);
    for (std::size_t i = 0; i < sizeof card; ++i)
        bytes[i] = static_cast<unsigned char>(number * 31 + i * 7 + 1);
    card.DateChanged = 45000.5 + number;
    card.DateProgrammed = 45001.25 + number;
    return card;
}

}  // namespace gsmprog::test
