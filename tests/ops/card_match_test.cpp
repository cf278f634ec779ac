// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Which card a modem read back belongs to: the connected devices pick the card; the settings
// the modem holds, against those the card would be written with now, give the verdict.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ops/card_match.h"
#include "ops/image_settings.h"

namespace gsmprog {
namespace {

CardRecord Card() {
    CardRecord card{};
    std::strcpy(card.NCardEdit, "2024");
    card.UoType[0] = 1;
    card.UoCode[0] = 1234;
    card.UoLineAddress[0] = 3;
    card.UoType[2] = 3;
    card.UoCode[2] = 4000000000u;
    card.UoCode[3] = 77;  // not connected: never compared
    std::strcpy(card.Pin1Edit, "1111");
    std::strcpy(card.balCodeSim1, "*100#");
    card.VersionCombo = 1;
    card.DateChanged = 45000.25;
    return card;
}

// Writes `card` into a modem at second `second` of a day: the card takes the image's CRC as
// its ID and the modem keeps the image, as read back later.
WideImage Program(CardRecord& card, int second) {
    std::tm when{};
    when.tm_year = 124;
    when.tm_mday = 1;
    when.tm_sec = second;
    const auto pair = static_cast<std::uint8_t>(second);
    const ModemImage written = BuildModemImage(card, card.VersionCombo, when, {pair, pair});
    card.ProgID1 = written.crc;
    card.DateProgrammed = card.DateChanged + second / 86400.0;
    WideImage read;
    EXPECT_TRUE(WidenReadImage(written.bytes.data(), written.length, read));
    return read;
}

class CardMatchTest : public ::testing::Test {
protected:
    ModemCard Find(const WideImage& image) const { return FindModemCard(*database_, image); }
    CardRecord& Slot(int slot) { return database_->cards[std::size_t(slot)]; }
    std::unique_ptr<CardDatabase> database_ = std::make_unique<CardDatabase>();
};

// Edit after programming, then write one object device (which stamps the card as programmed):
// the modem still holds the old PIN, and the verdict says so whatever the dates.
TEST_F(CardMatchTest, TheSettingsHeldGiveTheVerdictNotTheDates) {
    for (const std::uint8_t version : {0, 1}) {
        SCOPED_TRACE(version);
        CardRecord& card = Slot(5) = Card();
        card.VersionCombo = version;
        const WideImage first = Program(card, 10);
        EXPECT_EQ(Find(first).slot, 5);
        EXPECT_EQ(Find(first).match, CardMatch::Same);

        const WideImage again = Program(card, 20);  // another stamp and pair: same settings
        EXPECT_EQ(Find(first).match, CardMatch::Same);
        std::strcpy(card.RemarkEdit, "x");  // not carried by the image
        EXPECT_EQ(Find(again).match, CardMatch::Same);

        std::strcpy(card.Pin1Edit, "2222");
        card.DateChanged += 1;
        EXPECT_EQ(Find(again).match, CardMatch::Changed);
        card.DateProgrammed = card.DateChanged + 0.5;  // the object-device write
        EXPECT_EQ(Find(again).match, CardMatch::Changed);
        EXPECT_EQ(Find(first).match, CardMatch::Differs);  // neither these settings nor this ID

        std::strcpy(card.Pin1Edit, "1111");  // edited back: the modem holds the card again
        EXPECT_EQ(Find(first).match, CardMatch::Same);
    }
    EXPECT_STREQ(CardMatchWord(CardMatch::Changed), "changed");  // the others: end to end
}

// Every setting the image carries counts, its card number among them, and only those: the
// short image leaves out the balance, the version picks the length, and bytes no setting owns
// or that every write stamps anew do not count. A verdict other than "same" always comes with
// the differences it rests on.
TEST_F(CardMatchTest, OnlyTheSettingsTheImageCarriesCount) {
    CardRecord& card = Slot(0) = Card();
    card.VersionCombo = 0;
    const WideImage shortImage = Program(card, 1);
    std::strcpy(card.balCodeSim1, "*102#");  // beyond a short image
    card.balCritical = 50;
    EXPECT_EQ(Find(shortImage).match, CardMatch::Same);
    EXPECT_TRUE(Find(shortImage).differences.empty());
    card.VersionCombo = 1;  // the modem now needs the long image
    EXPECT_EQ(Find(shortImage).match, CardMatch::Changed);
    EXPECT_EQ(Find(shortImage).differences.at(0).field->label, "ВЕРСИЯ МОДЕМА");

    const WideImage longImage = Program(card, 2);
    for (const auto& [at, label] : std::vector<std::pair<std::size_t, std::string>>{
             {3, "Имя карточки в базе ПЦН"}, {34, "УОО 1: Адрес УО на линии"}}) {
        WideImage other = longImage;
        other.bytes[at] ^= 0x40;
        const ModemCard found = Find(other);
        EXPECT_EQ(found.match, CardMatch::Changed) << at;
        ASSERT_EQ(found.differences.size(), 1u) << at;
        EXPECT_EQ(found.differences[0].field->label, label);
    }
    WideImage restamped = longImage;
    for (const std::size_t at : {11, 12, 13, 14, 15, 16, 17, 439, 440, 441, 442, 443})
        restamped.bytes[at] ^= 0x40;
    EXPECT_EQ(Find(restamped).match, CardMatch::Same);
    card.VersionCombo = 2;  // a version without an image: never the same
    EXPECT_EQ(Find(longImage).match, CardMatch::Changed);
    EXPECT_FALSE(Find(longImage).differences.empty());
}

// A card made from what a modem holds is that modem's card, with its number.
TEST_F(CardMatchTest, ACardMadeFromTheModemIsTheSame) {
    for (const std::uint8_t version : {0, 1}) {
        CardRecord written = Card();
        written.VersionCombo = version;
        const WideImage read = Program(written, 3);
        Slot(4) = CardFromImage(read);
        EXPECT_STREQ(Slot(4).NCardEdit, "2024");
        const ModemCard found = Find(read);
        EXPECT_EQ(found.slot, 4);
        EXPECT_EQ(found.match, CardMatch::Same);
        EXPECT_TRUE(found.differences.empty());
    }
}

TEST_F(CardMatchTest, DevicesPickTheFirstCardInUseInSlotOrder) {
    CardRecord written = Card();
    const WideImage read = Program(written, 1);
    CardRecord unused = written;
    unused.DateChanged = 0.0005;
    Slot(1) = unused;
    CardRecord moved = written;
    moved.UoLineAddress[0] = 9;  // another line address: still the same devices
    moved.UoCode[3] = 5;
    moved.ProgID1 = 1;
    Slot(7) = moved;
    Slot(8) = written;
    const ModemCard found = Find(read);
    EXPECT_EQ(found.slot, 7);
    EXPECT_EQ(found.match, CardMatch::Differs);
}

TEST_F(CardMatchTest, OtherDevicesOrNoDeviceMatchNone) {
    CardRecord written = Card();
    const WideImage read = Program(written, 1);
    CardRecord otherCode = written;
    otherCode.UoCode[2] = 4000000001u;
    Slot(0) = otherCode;
    CardRecord otherType = written;
    otherType.UoType[2] = 2;
    Slot(1) = otherType;
    CardRecord extra = written;
    extra.UoType[3] = 1;
    Slot(2) = extra;
    const ModemCard other = Find(read);
    EXPECT_EQ(other.match, CardMatch::None);
    EXPECT_EQ(other.slot, -1);

    CardRecord bare{};
    bare.DateChanged = 45000.25;
    bare.VersionCombo = 1;
    Slot(3) = bare;  // a card without devices is not found by a modem without devices
    EXPECT_EQ(Find(Program(bare, 1)).match, CardMatch::None);
}

}  // namespace
}  // namespace gsmprog
