// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Checksums, the settings image and the device command, byte for byte.

#include <gtest/gtest.h>

#include <cstring>

#include "link/checksums.h"
#include "link/exchange_support.h"
#include "link/modem_image.h"
#include "support/sample_cards.h"

namespace gsmprog {
namespace {

const std::uint8_t* Text(const char* text) { return reinterpret_cast<const std::uint8_t*>(text); }

TEST(Checksums, KnownAnswers) {
    EXPECT_EQ(Crc16(Text("123456789"), 9), 0x2189);
    EXPECT_EQ(Crc16(nullptr, 0), 0);
    EXPECT_EQ(NegatedSum8(Text("abc"), 3), 0xDA);
    const std::uint8_t end[] = {0x3A, 0x00};
    EXPECT_EQ(NegatedSum8(end, 2), 0xC6);
    const std::uint8_t version[] = {0x3A, 0x03, 0x01, 0x02, 0x03};
    EXPECT_EQ(NegatedSum8(version, 5), 0xBD);
    // Stored low byte first, the CRC over data and CRC is 0.
    const std::uint8_t checked[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9', 0x89, 0x21};
    EXPECT_EQ(Crc16(checked, sizeof checked), 0);
}

// Every byte recognisable, with a card number.
CardRecord SampleCard() {
    CardRecord card = test::PatternCard(0);
    std::memset(card.NCardEdit, 0, sizeof card.NCardEdit);
    std::strcpy(card.NCardEdit, "12345");
    return card;
}

std::tm March7() {
    std::tm when{};
    when.tm_year = 2024 - 1900;
    when.tm_mon = 2;
    when.tm_mday = 7;
    when.tm_hour = 8;
    when.tm_min = 5;
    when.tm_sec = 9;
    return when;
}

TEST(BuildModemImage, LongImageIsTheRecordPrefixWithItsPlaceholdersFilled) {
    const CardRecord card = SampleCard();
    const ModemImage image = BuildModemImage(card, 1, March7(), {200, 254});
    ASSERT_EQ(image.length, 444u);
    const auto* record = reinterpret_cast<const std::uint8_t*>(&card);
    // Card number copied bounded: characters, then zeros up to byte 10; byte 11 untouched.
    EXPECT_EQ(std::memcmp(image.bytes.data(), "12345\0\0\0\0\0\0", 11), 0);
    EXPECT_EQ(image.bytes[11], record[11]);
    const std::uint8_t stamp[] = {7, 3, 24, 8, 5, 9};
    EXPECT_EQ(std::memcmp(image.bytes.data() + 12, stamp, 6), 0);
    EXPECT_EQ(std::memcmp(image.bytes.data() + 18, record + 18, 440 - 18), 0);
    EXPECT_EQ(image.bytes[440], 200);
    EXPECT_EQ(image.bytes[441], 254);
    EXPECT_EQ(image.crc, Crc16(image.bytes.data(), 442));
    EXPECT_EQ(image.bytes[442], image.crc & 0xFF);
    EXPECT_EQ(image.bytes[443], image.crc >> 8);
    EXPECT_EQ(Crc16(image.bytes.data(), 444), 0);
}

TEST(BuildModemImage, ShortImageCarriesRandomPairAndCrcWhereTheBalanceCodeStarts) {
    const CardRecord card = SampleCard();
    const ModemImage image = BuildModemImage(card, 0, March7(), {1, 2});
    ASSERT_EQ(image.length, 316u);
    const auto* record = reinterpret_cast<const std::uint8_t*>(&card);
    EXPECT_EQ(std::memcmp(image.bytes.data() + 18, record + 18, 312 - 18), 0);
    EXPECT_EQ(image.bytes[312], 1);
    EXPECT_EQ(image.bytes[313], 2);
    EXPECT_EQ(Crc16(image.bytes.data(), 316), 0);
    EXPECT_EQ(image.crc, image.bytes[314] | image.bytes[315] << 8);
}

TEST(BuildModemImage, EdgeCases) {
    CardRecord card = SampleCard();
    std::memcpy(card.NCardEdit, "0123456789", 11);  // ten characters, the most it holds
    ModemImage image = BuildModemImage(card, 1, March7(), {0, 0});
    EXPECT_EQ(std::memcmp(image.bytes.data(), "0123456789", 10), 0);
    EXPECT_EQ(image.bytes[10], 0);

    std::memset(card.NCardEdit, 'X', sizeof card.NCardEdit);  // no terminator: still bounded
    image = BuildModemImage(card, 1, March7(), {0, 0});
    EXPECT_EQ(std::memcmp(image.bytes.data(), "XXXXXXXXXXX", 11), 0);

    std::tm late = March7();
    late.tm_year = 2255 - 1900;
    EXPECT_EQ(BuildModemImage(card, 1, late, {0, 0}).bytes[14], 255);
    late.tm_year = 2256 - 1900;
    EXPECT_EQ(BuildModemImage(card, 1, late, {0, 0}).bytes[14], 0);

    for (int variant : {-1, 2, 7}) EXPECT_EQ(BuildModemImage(card, variant).length, 0u);
}

TEST(BuildModemImage, FreshImagesDrawRandomBytesBelow255) {
    const CardRecord card = SampleCard();
    for (int i = 0; i < 500; ++i) {
        const ModemImage image = BuildModemImage(card, 1);
        ASSERT_LT(image.bytes[440], 255);
        ASSERT_LT(image.bytes[441], 255);
        ASSERT_EQ(Crc16(image.bytes.data(), 444), 0);
    }
}

TEST(WidenReadImage, ShortImageMovesRandomPairAndCrcAndZeroesTheRest) {
    std::uint8_t read[316];
    for (int i = 0; i < 316; ++i) read[i] = static_cast<std::uint8_t>(i + 1);
    WideImage wide;
    wide.bytes.fill(0xEE);
    ASSERT_TRUE(WidenReadImage(read, 316, wide));
    EXPECT_EQ(wide.variant, 0);
    EXPECT_EQ(std::memcmp(wide.bytes.data(), read, 312), 0);
    for (int i = 312; i < 440; ++i) EXPECT_EQ(wide.bytes[i], 0) << i;
    EXPECT_EQ(std::memcmp(wide.bytes.data() + 440, read + 312, 4), 0);
}

TEST(WidenReadImage, LongImageAsItIsOtherLengthsRefused) {
    std::uint8_t read[444];
    for (int i = 0; i < 444; ++i) read[i] = static_cast<std::uint8_t>(i * 3);
    WideImage wide;
    ASSERT_TRUE(WidenReadImage(read, 444, wide));
    EXPECT_EQ(wide.variant, 1);
    EXPECT_EQ(std::memcmp(wide.bytes.data(), read, 444), 0);
    for (std::size_t length : {0u, 315u, 317u, 443u, 445u})
        EXPECT_FALSE(WidenReadImage(read, length, wide)) << length;
}

TEST(BuildUoCommand, LayoutAndAnswer) {
    CardRecord card{};
    card.UoLineAddress[3] = 0x21;
    card.UoGuardCords[3] = 0x3F;
    card.UoFireCords[3] = 0x05;
    card.UoModes[3] = 0x2A;
    card.UoLineAddress[0] = 0x99;  // another device: not taken
    const UoCommand command = BuildUoCommand(card, 3, 0xA1, 0xB2);
    const std::uint8_t expected[8] = {0x92, 0x08, 0xA1, 0xB2, 0x21, 0x3F, 0x05, 0x2A};
    EXPECT_EQ(std::memcmp(command.data(), expected, 8), 0);
    EXPECT_EQ(Crc16(command.data() + 2, 8), 0);
    const std::uint16_t crc = Crc16(command.data() + 2, 6);
    EXPECT_EQ(command[8], crc & 0xFF);
    EXPECT_EQ(command[9], crc >> 8);

    const auto answer = test::UoAnswerFor(command);
    EXPECT_EQ(answer[0], command[8]);
    EXPECT_EQ(answer[1], command[9]);
    EXPECT_EQ(Crc16(answer.data(), 4), 0);
}

}  // namespace
}  // namespace gsmprog
