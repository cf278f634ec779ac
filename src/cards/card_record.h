// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One settings card: the 888-byte block stored as one slot of the database file.
// Its first 444 bytes are laid out as the modem settings image, so the same offsets
// serve the record, the file and the wire. Texts are Windows-1251, zero-terminated.
//
// The struct is packed: read and write members directly (copy values out), never bind a
// reference or pointer to a member wider than a byte, as those are unaligned.

#include <bit>
#include <cstddef>
#include <cstdint>

namespace gsmprog {

static_assert(std::endian::native == std::endian::little,
              "the record is stored little-endian byte for byte");

#pragma pack(push, 1)
struct CardRecord {
    char ImageCardNumber[11];  // image only
    std::uint8_t Reserved11;
    std::uint8_t ImageTimestamp[6];  // image only
    std::uint32_t UoCode[4];
    std::uint8_t UoLineAddress[4];
    std::uint8_t UoType[4];  // 0 "Не подключено", 1 "УОО 1Ш", 2 "УОО 3Ш", 3 "УОО 6ША"
    char Pin1Edit[5];
    char Pin2Edit[5];
    char Ip1GsmEdit[25];
    char Ip2GsmEdit[25];
    char Port1GsmEdit[6];
    char Port2GsmEdit[6];
    char APN1Edit[25];
    char APN2Edit[25];
    char LoginGsm1Edit[20];
    char LoginGsm2Edit[20];
    char PassGsm1Edit[20];
    char PassGsm2Edit[20];
    std::uint8_t UpdateFlags;
    std::uint8_t SmsFlags;
    char smsNumber1Edit[12];
    char smsNumber2Edit[12];
    char smsObjNameEdit[11];
    char ipUpdateEdit[19];
    char portParamsEdit[6];
    char portUpdateEdit[6];
    char balCodeSim1[12];
    char balCodeSim2[12];
    std::uint16_t balCritical;  // 0 = not set, shown as 10
    std::uint16_t BalanceFlags;
    std::uint8_t Reserved340[100];
    std::uint8_t ImageRandom[2];  // image only
    std::uint16_t ImageCrc;       // image only
    char NCardEdit[11];
    char Edit1[100];
    char FIOEdit[100];
    char RemarkEdit[40];
    char PUK1_Edit[20];
    char Number1_Edit[15];
    char SIM_ID1_Edit[25];
    double DateChanged;  // days since 1899-12-30, local time; in-use marker
    double DateProgrammed;
    std::uint16_t ProgID1;
    std::uint16_t ProgID2;
    std::uint8_t Reserved775;
    char PUK2_Edit[20];
    char Number2_Edit[15];
    char SIM_ID2_Edit[25];
    std::uint8_t VersionCombo;  // 0 "до 81.31" (316-byte image), 1 "81.32 и выше" (444)
    std::uint8_t Reserved837[3];
    std::uint8_t UoGuardCords[4];
    std::uint8_t UoFireCords[4];
    std::uint8_t UoModes[4];
    std::uint16_t UoSpare[4];
    std::uint8_t Reserved860[28];

    // A slot holds a card when its date of change is at least this.
    static constexpr double InUseThreshold = 0.001;
    bool InUse() const { return DateChanged >= InUseThreshold; }
};
#pragma pack(pop)

inline constexpr std::size_t CardRecordSize = 888;
static_assert(sizeof(CardRecord) == CardRecordSize);

// Offsets and sizes of the stored layout.
static_assert(offsetof(CardRecord, ImageCardNumber) == 0 &&
              sizeof(CardRecord::ImageCardNumber) == 11);
static_assert(offsetof(CardRecord, ImageTimestamp) == 12 &&
              sizeof(CardRecord::ImageTimestamp) == 6);
static_assert(offsetof(CardRecord, UoCode) == 18 && sizeof(CardRecord::UoCode) == 16);
static_assert(offsetof(CardRecord, UoLineAddress) == 34 && sizeof(CardRecord::UoLineAddress) == 4);
static_assert(offsetof(CardRecord, UoType) == 38 && sizeof(CardRecord::UoType) == 4);
static_assert(offsetof(CardRecord, Pin1Edit) == 42 && sizeof(CardRecord::Pin1Edit) == 5);
static_assert(offsetof(CardRecord, Pin2Edit) == 47 && sizeof(CardRecord::Pin2Edit) == 5);
static_assert(offsetof(CardRecord, Ip1GsmEdit) == 52 && sizeof(CardRecord::Ip1GsmEdit) == 25);
static_assert(offsetof(CardRecord, Ip2GsmEdit) == 77 && sizeof(CardRecord::Ip2GsmEdit) == 25);
static_assert(offsetof(CardRecord, Port1GsmEdit) == 102 && sizeof(CardRecord::Port1GsmEdit) == 6);
static_assert(offsetof(CardRecord, Port2GsmEdit) == 108 && sizeof(CardRecord::Port2GsmEdit) == 6);
static_assert(offsetof(CardRecord, APN1Edit) == 114 && sizeof(CardRecord::APN1Edit) == 25);
static_assert(offsetof(CardRecord, APN2Edit) == 139 && sizeof(CardRecord::APN2Edit) == 25);
static_assert(offsetof(CardRecord, LoginGsm1Edit) == 164 &&
              sizeof(CardRecord::LoginGsm1Edit) == 20);
static_assert(offsetof(CardRecord, LoginGsm2Edit) == 184 &&
              sizeof(CardRecord::LoginGsm2Edit) == 20);
static_assert(offsetof(CardRecord, PassGsm1Edit) == 204 && sizeof(CardRecord::PassGsm1Edit) == 20);
static_assert(offsetof(CardRecord, PassGsm2Edit) == 224 && sizeof(CardRecord::PassGsm2Edit) == 20);
static_assert(offsetof(CardRecord, UpdateFlags) == 244 && sizeof(CardRecord::UpdateFlags) == 1);
static_assert(offsetof(CardRecord, SmsFlags) == 245 && sizeof(CardRecord::SmsFlags) == 1);
static_assert(offsetof(CardRecord, smsNumber1Edit) == 246 &&
              sizeof(CardRecord::smsNumber1Edit) == 12);
static_assert(offsetof(CardRecord, smsNumber2Edit) == 258 &&
              sizeof(CardRecord::smsNumber2Edit) == 12);
static_assert(offsetof(CardRecord, smsObjNameEdit) == 270 &&
              sizeof(CardRecord::smsObjNameEdit) == 11);
static_assert(offsetof(CardRecord, ipUpdateEdit) == 281 && sizeof(CardRecord::ipUpdateEdit) == 19);
static_assert(offsetof(CardRecord, portParamsEdit) == 300 &&
              sizeof(CardRecord::portParamsEdit) == 6);
static_assert(offsetof(CardRecord, portUpdateEdit) == 306 &&
              sizeof(CardRecord::portUpdateEdit) == 6);
static_assert(offsetof(CardRecord, balCodeSim1) == 312 && sizeof(CardRecord::balCodeSim1) == 12);
static_assert(offsetof(CardRecord, balCodeSim2) == 324 && sizeof(CardRecord::balCodeSim2) == 12);
static_assert(offsetof(CardRecord, balCritical) == 336 && sizeof(CardRecord::balCritical) == 2);
static_assert(offsetof(CardRecord, BalanceFlags) == 338 && sizeof(CardRecord::BalanceFlags) == 2);
static_assert(offsetof(CardRecord, ImageRandom) == 440 && sizeof(CardRecord::ImageRandom) == 2);
static_assert(offsetof(CardRecord, ImageCrc) == 442 && sizeof(CardRecord::ImageCrc) == 2);
static_assert(offsetof(CardRecord, NCardEdit) == 444 && sizeof(CardRecord::NCardEdit) == 11);
static_assert(offsetof(CardRecord, Edit1) == 455 && sizeof(CardRecord::Edit1) == 100);
static_assert(offsetof(CardRecord, FIOEdit) == 555 && sizeof(CardRecord::FIOEdit) == 100);
static_assert(offsetof(CardRecord, RemarkEdit) == 655 && sizeof(CardRecord::RemarkEdit) == 40);
static_assert(offsetof(CardRecord, PUK1_Edit) == 695 && sizeof(CardRecord::PUK1_Edit) == 20);
static_assert(offsetof(CardRecord, Number1_Edit) == 715 && sizeof(CardRecord::Number1_Edit) == 15);
static_assert(offsetof(CardRecord, SIM_ID1_Edit) == 730 && sizeof(CardRecord::SIM_ID1_Edit) == 25);
static_assert(offsetof(CardRecord, DateChanged) == 755 && sizeof(CardRecord::DateChanged) == 8);
static_assert(offsetof(CardRecord, DateProgrammed) == 763 &&
              sizeof(CardRecord::DateProgrammed) == 8);
static_assert(offsetof(CardRecord, ProgID1) == 771 && sizeof(CardRecord::ProgID1) == 2);
static_assert(offsetof(CardRecord, ProgID2) == 773 && sizeof(CardRecord::ProgID2) == 2);
static_assert(offsetof(CardRecord, PUK2_Edit) == 776 && sizeof(CardRecord::PUK2_Edit) == 20);
static_assert(offsetof(CardRecord, Number2_Edit) == 796 && sizeof(CardRecord::Number2_Edit) == 15);
static_assert(offsetof(CardRecord, SIM_ID2_Edit) == 811 && sizeof(CardRecord::SIM_ID2_Edit) == 25);
static_assert(offsetof(CardRecord, VersionCombo) == 836 && sizeof(CardRecord::VersionCombo) == 1);
static_assert(offsetof(CardRecord, UoGuardCords) == 840 && sizeof(CardRecord::UoGuardCords) == 4);
static_assert(offsetof(CardRecord, UoFireCords) == 844 && sizeof(CardRecord::UoFireCords) == 4);
static_assert(offsetof(CardRecord, UoModes) == 848 && sizeof(CardRecord::UoModes) == 4);
static_assert(offsetof(CardRecord, UoSpare) == 852 && sizeof(CardRecord::UoSpare) == 8);

// Bits of UpdateFlags.
inline constexpr std::uint8_t UpdateAllowFirmware = 0x10;  // allowUpdateCheck
inline constexpr std::uint8_t UpdateAllowParams = 0x20;    // allowParamsUpdate
// Bits of SmsFlags.
inline constexpr std::uint8_t SmsSendTo1 = 0x01;
inline constexpr std::uint8_t SmsSendTo2 = 0x02;
inline constexpr std::uint8_t SmsGuardMode = 0x04;
inline constexpr std::uint8_t SmsFire = 0x08;
inline constexpr std::uint8_t SmsKtc = 0x10;
inline constexpr std::uint8_t SmsAlarm = 0x20;
inline constexpr std::uint8_t SmsSaveInPhone = 0x80;
// Bits of BalanceFlags.
inline constexpr std::uint16_t BalanceEnable = 0x0001;
inline constexpr std::uint16_t BalanceNoCriticalNotice = 0x0002;  // set when the notice is OFF
// Bits of each UoModes entry.
inline constexpr std::uint8_t UoModeFireWithoutGuard = 0x02;
inline constexpr std::uint8_t UoModeNoBatteryCheck = 0x08;
inline constexpr std::uint8_t UoModeIndicatorBlink = 0x20;

// Defaults for a new card, derived from a card that has just been saved.
CardRecord MakeTemplate(const CardRecord& card);

}  // namespace gsmprog
