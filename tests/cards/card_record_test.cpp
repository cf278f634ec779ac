// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>

#include "cards/card_files.h"
#include "support/sample_cards.h"
#include "cards/card_record.h"

namespace gsmprog {
namespace {

using test::Bytes;
using test::PatternCard;

std::string Slice(const std::string& bytes, std::size_t from, std::size_t to) {
    return bytes.substr(from, to - from + 1);
}

TEST(CardRecordLayout, MultiByteFieldsAreLittleEndianAtTheirOffsets) {
    CardRecord card{};
    card.UoCode[1] = 0x11223344u;
    card.balCritical = 0xA1B2;
    card.BalanceFlags = 0x0102;
    card.ProgID1 = 0xBEEF;
    card.ProgID2 = 0x1234;
    card.UoSpare[3] = 0xCAFE;
    card.DateChanged = 1.0;  // 0x3FF0000000000000
    const std::string b = Bytes(card);
    EXPECT_EQ(Slice(b, 22, 25), std::string("\x44\x33\x22\x11", 4));
    EXPECT_EQ(Slice(b, 336, 337), "\xB2\xA1");
    EXPECT_EQ(Slice(b, 338, 339), std::string("\x02\x01", 2));
    EXPECT_EQ(Slice(b, 771, 772), "\xEF\xBE");
    EXPECT_EQ(Slice(b, 773, 774), std::string("\x34\x12", 2));
    EXPECT_EQ(Slice(b, 858, 859), "\xFE\xCA");
    EXPECT_EQ(Slice(b, 755, 762), std::string("\0\0\0\0\0\0\xF0\x3F", 8));
}

TEST(CardRecordLayout, TextFieldsSitWhereTheFileAndTheWireExpectThem) {
    CardRecord card{};
    std::memcpy(card.NCardEdit, "0123456789", 10);  // a card number of exactly 10 characters
    std::memcpy(card.Pin2Edit, "4321", 4);
    std::memcpy(card.SIM_ID2_Edit, "ID2", 3);
    std::memcpy(card.portUpdateEdit, "65535", 5);
    card.VersionCombo = 1;
    card.SmsFlags = SmsSaveInPhone;
    const std::string b = Bytes(card);
    EXPECT_EQ(Slice(b, 444, 453), "0123456789");
    EXPECT_EQ(b[454], '\0');
    EXPECT_EQ(Slice(b, 47, 50), "4321");
    EXPECT_EQ(Slice(b, 811, 813), "ID2");
    EXPECT_EQ(Slice(b, 306, 310), "65535");
    EXPECT_EQ(b[836], '\x01');
    EXPECT_EQ(b[245], '\x80');
}

TEST(CardRecordInUse, ThresholdIsOneThousandthOfADay) {
    CardRecord card{};
    EXPECT_FALSE(card.InUse()) << "an all-zero slot is empty";
    card.DateChanged = 0.0005;
    EXPECT_FALSE(card.InUse());
    card.DateChanged = 0.001;
    EXPECT_TRUE(card.InUse());
    card.DateChanged = -5.0;
    EXPECT_FALSE(card.InUse());
}

TEST(MakeTemplate, KeepsStationAndUpdateSettingsOnly) {
    CardRecord card = PatternCard(7);
    for (int i = 0; i < 4; ++i) card.UoType[i] = 3;  // four connected devices
    const std::string in = Bytes(card);
    const std::string out = Bytes(MakeTemplate(card));
    ASSERT_EQ(out.size(), CardRecordSize);
    EXPECT_EQ(Slice(out, 0, 17), Slice(in, 0, 17));
    EXPECT_EQ(Slice(out, 18, 51), std::string(34, '\0')) << "device codes, addresses, types, PINs";
    EXPECT_EQ(Slice(out, 52, 244), Slice(in, 52, 244)) << "stations, APNs, logins, UpdateFlags";
    EXPECT_EQ(Slice(out, 245, 280), std::string(36, '\0')) << "SmsFlags, SMS numbers, SMS object";
    EXPECT_EQ(Slice(out, 281, 311), Slice(in, 281, 311)) << "update server and ports";
    EXPECT_EQ(Slice(out, 312, 887), std::string(576, '\0'))
        << "balance, object, SIMs, dates, devices";
    EXPECT_FALSE(MakeTemplate(card).InUse());
}

}  // namespace
}  // namespace gsmprog
