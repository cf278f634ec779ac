// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A card compared with the image built from it, field by field, for both image sizes.

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "ops/read_result.h"
#include "ops/image_settings.h"

namespace gsmprog::test {
namespace {

CardRecord SettingsCard(std::uint8_t version) {
    CardRecord card{};
    std::strcpy(card.NCardEdit, "2024");
    std::strcpy(card.Edit1, "Объект");
    const std::uint8_t types[] = {1, 2, 3, 1};
    for (int i = 0; i < 4; ++i) {
        card.UoType[i] = types[i];
        card.UoCode[i] = 1000u + unsigned(i);
        card.UoLineAddress[i] = std::uint8_t(i + 1);
    }
    for (char* text : {card.Pin1Edit, card.Pin2Edit}) std::strcpy(text, "1111");
    for (char* text :
         {card.Ip1GsmEdit, card.Ip2GsmEdit, card.APN1Edit, card.APN2Edit, card.LoginGsm1Edit,
          card.LoginGsm2Edit, card.PassGsm1Edit, card.PassGsm2Edit, card.ipUpdateEdit})
        std::strcpy(text, "abc");
    for (char* text :
         {card.Port1GsmEdit, card.Port2GsmEdit, card.portParamsEdit, card.portUpdateEdit})
        std::strcpy(text, "5000");
    for (char* text : {card.smsNumber1Edit, card.smsNumber2Edit}) std::strcpy(text, "80000000000");
    std::strcpy(card.smsObjNameEdit, "\xD1\xEA\xEB\xE0\xE4");  // "Склад"
    for (char* text : {card.balCodeSim1, card.balCodeSim2}) std::strcpy(text, "*100#");
    card.SmsFlags = SmsSendTo1 | SmsFire;
    card.UpdateFlags = UpdateAllowParams;
    card.BalanceFlags = BalanceEnable;
    card.VersionCombo = version;
    return card;
}

WideImage ImageOf(const CardRecord& card) {
    const ModemImage built = BuildModemImage(card, card.VersionCombo, std::tm{}, {7, 9});
    WideImage image;
    EXPECT_TRUE(EvaluateReadImage(built.bytes.data(), built.length, image));
    return image;
}

// Another value of `field` in `card`, changing nothing else the window shows.
void ChangeField(const SettingsField& field, CardRecord& card) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(&card) + field.offset;
    switch (field.kind) {
    case SettingsKind::Text: bytes[0] = 0xC6; break;  // "Ж"
    case SettingsKind::Flag:
    case SettingsKind::ClearedFlag: bytes[0] ^= std::uint8_t(field.bit); break;
    case SettingsKind::DeviceType: bytes[0] = bytes[0] == 3 ? 2 : 3; break;
    case SettingsKind::Version: bytes[0] ^= 1; break;
    case SettingsKind::DeviceCode:
    case SettingsKind::LineAddress:
    case SettingsKind::CriticalBalance: bytes[0] = std::uint8_t(bytes[0] + 20); break;
    }
}

TEST(SettingsCompare, EachFieldTheImageCarriesIsReportedAloneWithItsLabel) {
    for (std::uint8_t version : {0, 1}) {
        SCOPED_TRACE(int(version));
        const CardRecord card = SettingsCard(version);
        const WideImage image = ImageOf(card);
        EXPECT_TRUE(CompareWithImage(card, image).empty());
        std::set<std::string> labels;
        for (const SettingsField& field : SettingsFields()) {
            SCOPED_TRACE(field.label);
            labels.insert(field.label);
            CardRecord changed = card;
            ChangeField(field, changed);
            const std::vector<SettingsDifference> differences = CompareWithImage(changed, image);
            if (!CarriedBy(field, version)) {
                EXPECT_TRUE(differences.empty());
                continue;
            }
            ASSERT_EQ(differences.size(), 1u);
            EXPECT_EQ(differences[0].field->label, field.label);
            EXPECT_EQ(differences[0].first, ShownValue(field, changed));
            EXPECT_EQ(differences[0].second, ShownValue(field, card));
            EXPECT_NE(differences[0].first, differences[0].second);
            // The same field, the other way round: a modem changed against the card.
            EXPECT_EQ(CompareSettings(card, HeldSettings(ImageOf(changed))).size(), 1u);
        }
        EXPECT_EQ(labels.size(), SettingsFields().size());
    }
    std::size_t shortFields = 0;
    for (const SettingsField& field : SettingsFields()) shortFields += CarriedBy(field, 0);
    EXPECT_EQ(shortFields, 41u);
    EXPECT_EQ(SettingsFields().size(), 46u);
}

// Every byte of the settings the long image carries belongs to a field (the reserved block and
// the unused flag bits aside), and so does the card number it starts with, so none can go
// uncompared.
TEST(SettingsCompare, TheTableCoversEverySettingsByteOfTheImage) {
    std::set<std::size_t> covered;
    for (const SettingsField& field : SettingsFields())
        for (std::size_t i = 0; i < field.size; ++i) covered.insert(field.offset + i);
    for (std::size_t offset = offsetof(CardRecord, UoCode);
         offset < offsetof(CardRecord, Reserved340); ++offset)
        EXPECT_TRUE(covered.count(offset)) << offset;
    EXPECT_TRUE(covered.count(offsetof(CardRecord, VersionCombo)));
    for (std::size_t i = 0; i < sizeof(CardRecord::NCardEdit); ++i)
        EXPECT_TRUE(covered.count(offsetof(CardRecord, NCardEdit) + i)) << i;
}

TEST(SettingsCompare, ValuesShowAsTheWindowShowsThemAndCompareByMeaning) {
    CardRecord card = SettingsCard(1);
    card.UoType[2] = 0;
    const WideImage image = ImageOf(card);
    CardRecord same = card;
    same.UoCode[2] = 77;        // a device not connected has no code
    same.Ip1GsmEdit[10] = 'x';  // after the terminator
    same.SmsFlags |= 0x40;      // no check box has this bit
    same.UpdateFlags |= 0x01;
    same.BalanceFlags |= 0x0100;
    same.balCritical = 10;    // 0 is shown as 10
    same.NCardEdit[6] = 'x';  // after the terminator
    std::strcpy(same.FIOEdit, "Адрес");
    same.UoGuardCords[0] = 0x3F;
    same.ProgID1 = 0x1234;
    EXPECT_TRUE(CompareWithImage(same, image).empty());

    CardRecord changed = card;
    std::strcpy(changed.NCardEdit, "9999");
    changed.UoType[2] = 3;
    changed.UoCode[2] = 4000000000u;
    changed.SmsFlags = SmsSendTo1 | SmsAlarm;
    changed.BalanceFlags = BalanceNoCriticalNotice;
    changed.VersionCombo = 0;
    std::vector<std::string> lines;
    for (const SettingsDifference& difference : CompareSettings(changed, HeldSettings(image)))
        lines.push_back(difference.field->label + ": " + difference.first + " → " +
                        difference.second);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Имя карточки в базе ПЦН: 9999 → 2024",
                         "ВЕРСИЯ МОДЕМА: до 81.31 → 81.32 и выше",
                         "УОО 3: Тип устройства: УОО 6ША → Не подключено",
                         "УОО 3: Код УО на ПЦН: 4000000000 → НД",
                         "УОО 3: Адрес УО на линии: 3 → НД",
                         "Тип событий: Тревога: да → нет",
                         "Тип событий: Пожар: нет → да",
                         "Включить проверку баланса SIM карт: нет → да",
                         "Автоматическое извещение о критическом балансе: нет → да",
                     }));
    for (const SettingsField& field : SettingsFields())
        if (field.label == "Название объекта (опционально)") {
            EXPECT_EQ(ShownValue(field, card), "Склад");
        }
}

}  // namespace
}  // namespace gsmprog::test
