// Which card a modem read back belongs to: the connected devices pick the card, the
// programming ID and the dates tell whether the modem holds its last image.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "link/card_match.h"

namespace gsmprog {
namespace {

constexpr std::uint16_t Written = 0xBEEF;

CardRecord Card() {
    CardRecord card{};
    card.UoType[0] = 1;
    card.UoCode[0] = 1234;
    card.UoLineAddress[0] = 3;
    card.UoType[2] = 3;
    card.UoCode[2] = 4000000000u;
    card.UoCode[3] = 77;   // not connected: never compared
    card.DateChanged = 45000.25;
    card.DateProgrammed = 45000.5;
    card.ProgID1 = Written;
    return card;
}

// The image the modem holds after `card` was written: its prefix with the CRC stamped.
WideImage Read(CardRecord card, std::uint16_t crc = Written) {
    card.ImageCrc = crc;
    WideImage image;
    std::memcpy(image.bytes.data(), &card, image.bytes.size());
    image.variant = 1;
    return image;
}

class CardMatchTest : public ::testing::Test {
protected:
    ModemCard Find(const WideImage& image) const { return FindModemCard(*database_, image); }
    CardRecord& Slot(int slot) { return database_->cards[std::size_t(slot)]; }
    std::unique_ptr<CardDatabase> database_ = std::make_unique<CardDatabase>();
};

TEST_F(CardMatchTest, ProgrammingIdAndDatesGiveTheOutcome) {
    Slot(5) = Card();
    const ModemCard same = Find(Read(Card()));
    EXPECT_EQ(same.slot, 5);
    EXPECT_EQ(same.match, CardMatch::Same);

    const ModemCard differs = Find(Read(Card(), Written + 1));
    EXPECT_EQ(differs.slot, 5);
    EXPECT_EQ(differs.match, CardMatch::Differs);

    Slot(5).DateProgrammed = 45000.25;   // programmed in the second it was saved
    EXPECT_EQ(Find(Read(Card())).match, CardMatch::Same);

    Slot(5).DateChanged = 45001.0;   // saved again after programming
    EXPECT_EQ(Find(Read(Card())).match, CardMatch::Changed);
    EXPECT_EQ(Find(Read(Card(), Written + 1)).match, CardMatch::Differs);
    EXPECT_STREQ(CardMatchWord(CardMatch::Changed), "changed");   // the others: end to end
}

TEST_F(CardMatchTest, DevicesPickTheFirstCardInUseInSlotOrder) {
    CardRecord unused = Card();
    unused.DateChanged = 0.0005;
    Slot(1) = unused;
    CardRecord moved = Card();
    moved.UoLineAddress[0] = 9;      // another line address: still the same devices
    moved.UoGuardCords[2] = 0x15;
    moved.UoCode[3] = 5;
    moved.ProgID1 = 1;
    Slot(7) = moved;
    Slot(8) = Card();
    const ModemCard found = Find(Read(Card()));
    EXPECT_EQ(found.slot, 7);
    EXPECT_EQ(found.match, CardMatch::Differs);
}

TEST_F(CardMatchTest, OtherDevicesOrNoDeviceMatchNone) {
    CardRecord otherCode = Card();
    otherCode.UoCode[2] = 4000000001u;
    Slot(0) = otherCode;
    CardRecord otherType = Card();
    otherType.UoType[2] = 2;
    Slot(1) = otherType;
    CardRecord extra = Card();
    extra.UoType[3] = 1;
    Slot(2) = extra;
    const ModemCard other = Find(Read(Card()));
    EXPECT_EQ(other.match, CardMatch::None);
    EXPECT_EQ(other.slot, -1);

    CardRecord bare{};
    bare.DateChanged = 45000.25;
    Slot(3) = bare;   // a card without devices is not found by a modem without devices
    EXPECT_EQ(Find(Read(bare, 0)).match, CardMatch::None);
}

}  // namespace
}  // namespace gsmprog
