// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What a read shows: the check of the bytes read, and each control's text as the
// read-result window presents it.

#include <gtest/gtest.h>

#include <cstring>

#include "link/checksums.h"
#include "ops/operation_texts.h"
#include "ops/read_result.h"

namespace gsmprog {
namespace {

WideImage Wide(const CardRecord& card, int variant) {
    WideImage image;
    std::memcpy(image.bytes.data(), &card, image.bytes.size());
    image.variant = variant;
    return image;
}

TEST(ReadResultView, DevicesShowCodeAndAddressOrNdEachFollowedBySemicolon) {
    CardRecord card{};
    card.UoType[0] = 1;
    card.UoCode[0] = 1234;
    card.UoLineAddress[0] = 3;
    card.UoType[2] = 3;
    card.UoCode[2] = 0xFFFFFFF0u;  // top bit set: unsigned
    card.UoLineAddress[2] = 200;
    card.UoCode[1] = 55;  // not connected: not shown
    const ReadResultView view = DescribeReadImage(Wide(card, 1));
    EXPECT_EQ(view.CodeUoo, "1234; \xCD\xC4; 4294967280; \xCD\xC4; ");
    EXPECT_EQ(view.numLine, "3; \xCD\xC4; 200; \xCD\xC4; ");
}

TEST(ReadResultView, TextsFlagsBalanceAndId) {
    CardRecord card{};
    std::strcpy(card.Pin1Edit, "1234");
    std::strcpy(card.Pin2Edit, "9876");
    std::strcpy(card.Ip1GsmEdit, "10.0.0.1");
    std::strcpy(card.Ip2GsmEdit, "host.example");
    std::strcpy(card.Port1GsmEdit, "5000");
    std::strcpy(card.Port2GsmEdit, "5001");
    std::strcpy(card.APN1Edit, "apn1");
    std::strcpy(card.APN2Edit, "apn2");
    std::strcpy(card.LoginGsm1Edit, "l1");
    std::strcpy(card.LoginGsm2Edit, "l2");
    std::strcpy(card.PassGsm1Edit, "p1");
    std::strcpy(card.PassGsm2Edit, "p2");
    std::strcpy(card.smsNumber1Edit, "+7111");
    std::strcpy(card.smsNumber2Edit, "+7222");
    std::strcpy(card.smsObjNameEdit, "\xCE\xE1\xFA\xE5\xEA\xF2");  // "Объект"
    std::strcpy(card.balCodeSim1, "*100#");
    std::strcpy(card.balCodeSim2, "*102#");
    card.SmsFlags = SmsSendTo2 | SmsFire | SmsAlarm | SmsSaveInPhone;
    card.balCritical = 0;
    card.BalanceFlags = BalanceEnable;
    card.ImageCrc = 0x00AB;
    const ReadResultView view = DescribeReadImage(Wide(card, 1));
    EXPECT_EQ(view.Pin1Edit, "1234");
    EXPECT_EQ(view.Pin2Edit, "9876");
    EXPECT_EQ(view.Ip2GsmEdit, "host.example");
    EXPECT_EQ(view.Port2GsmEdit, "5001");
    EXPECT_EQ(view.APN1Edit, "apn1");
    EXPECT_EQ(view.LoginGsm2Edit, "l2");
    EXPECT_EQ(view.PassGsm1Edit, "p1");
    EXPECT_EQ(view.smsNumber2Edit, "+7222");
    EXPECT_EQ(view.smsObjNameEdit, "\xCE\xE1\xFA\xE5\xEA\xF2");
    EXPECT_EQ(view.balCodeSim2, "*102#");
    EXPECT_FALSE(view.sendSMS1Check);
    EXPECT_TRUE(view.sendSMS2Check);
    EXPECT_FALSE(view.smsGuardModeCheck);
    EXPECT_TRUE(view.smsFireCheck);
    EXPECT_FALSE(view.smsKtcCheck);
    EXPECT_TRUE(view.smsAlarmCheck);
    EXPECT_TRUE(view.saveSMSCheck);
    EXPECT_EQ(view.balCritical, "10");
    EXPECT_TRUE(view.balSendPcnCheck);  // bit 1 clear: the notice is sent
    EXPECT_EQ(view.ProgID1, "00AB");
    EXPECT_TRUE(view.balanceGroupVisible);

    card.balCritical = 65535;
    card.BalanceFlags = BalanceNoCriticalNotice;
    card.SmsFlags = SmsSendTo1 | SmsGuardMode | SmsKtc;
    const ReadResultView other = DescribeReadImage(Wide(card, 0));
    EXPECT_EQ(other.balCritical, "65535");
    EXPECT_FALSE(other.balSendPcnCheck);
    EXPECT_TRUE(other.sendSMS1Check && other.smsGuardModeCheck && other.smsKtcCheck);
    EXPECT_FALSE(other.balanceGroupVisible);
}

TEST(ReadResultView, AFieldWithoutTerminatorStopsAtItsOwnEnd) {
    CardRecord card{};
    std::memcpy(card.Pin1Edit, "12345", 5);
    std::strcpy(card.Pin2Edit, "678");
    EXPECT_EQ(DescribeReadImage(Wide(card, 1)).Pin1Edit, "12345");
}

TEST(EvaluateReadImage, ChecksTheCrcOverTheBytesReadThenWidens) {
    std::uint8_t read[316] = {};
    read[0] = 'A';
    const std::uint16_t crc = Crc16(read, 314);
    read[314] = static_cast<std::uint8_t>(crc & 0xFF);
    read[315] = static_cast<std::uint8_t>(crc >> 8);
    WideImage image;
    ASSERT_TRUE(EvaluateReadImage(read, 316, image));
    EXPECT_EQ(image.variant, 0);
    EXPECT_EQ(DescribeReadImage(image).ProgID1.size(), 4u);
    EXPECT_EQ(image.bytes[442] | image.bytes[443] << 8, crc);

    read[7] ^= 1;
    EXPECT_FALSE(EvaluateReadImage(read, 316, image));
    std::uint8_t odd[100] = {};
    EXPECT_FALSE(EvaluateReadImage(odd, 100, image));  // CRC of zeros is 0, length is not
}

TEST(LinkTexts, ReasonPerOperationAndCode) {
    EXPECT_STREQ(OpenFailureText(CableNotFound), "Кабель FTDI не найден.");
    EXPECT_STREQ(
        OpenFailureText(CableDriverFailure),
        "Драйвер FTDI не отвечает.\nПроверьте наличие драйвера и перезапустите программу.");
    EXPECT_EQ(OpenFailureText(CableOpened), nullptr);
    for (auto op :
         {LinkOperation::ProgramModem, LinkOperation::ReadModem, LinkOperation::WriteUo}) {
        EXPECT_STREQ(ExchangeFailureText(op, LinkCableFailure),
                     "Ошибка при обращении к устройству FTDI.");
        EXPECT_EQ(ExchangeFailureText(op, LinkDone), nullptr);
        EXPECT_EQ(ExchangeFailureText(op, LinkStopped), nullptr);
    }
    EXPECT_STREQ(ExchangeFailureText(LinkOperation::ProgramModem, LinkDeviceFailure),
                 "УОО вернул ошибку при программировании");
    EXPECT_STREQ(ExchangeFailureText(LinkOperation::ReadModem, LinkDeviceFailure),
                 "УОО вернул ошибку при считывании");
    EXPECT_STREQ(ExchangeFailureText(LinkOperation::WriteUo, LinkDeviceFailure),
                 "Ошибка при программировании УО");
}

}  // namespace
}  // namespace gsmprog
