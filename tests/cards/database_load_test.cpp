// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "cards/card_database.h"
#include "cards/card_files.h"
#include "support/sample_cards.h"
#include "support/child_process.h"

namespace gsmprog {
namespace {

using namespace gsmprog::test;
using State = CardDatabase::LoadState;

// What a generation-11 block of `card` becomes: its bytes 312..439 were never stored.
CardRecord Widened(CardRecord card) {
    std::memset(reinterpret_cast<char*>(&card) + 312, 0, 128);
    return card;
}

class DatabaseLoad : public ::testing::Test {
protected:
    TempDir dir;
    std::unique_ptr<CardDatabase> db = std::make_unique<CardDatabase>(dir.Path());
    CardRecord templateCard = PatternCard(900);

    void ExpectSlotsLoaded(std::size_t count) {
        for (std::size_t i = 0; i < CardDatabase::SlotCount; ++i) {
            if (i < count)
                ASSERT_EQ(Bytes(db->cards[i]), Bytes(PatternCard(int(i) + 1))) << "slot " << i;
            else ASSERT_EQ(Bytes(db->cards[i]), std::string(CardRecordSize, '\0')) << "slot " << i;
        }
    }
    void ExpectNothingLoaded() {
        ExpectSlotsLoaded(0);
        EXPECT_EQ(Bytes(db->TemplateRecord), std::string(CardRecordSize, '\0'));
    }
};

TEST_F(DatabaseLoad, NoFileGivesAnEmptyDatabase) {
    EXPECT_FALSE(db->LoadDatabase());
    EXPECT_EQ(db->LastLoadState(), State::NoFile);
    EXPECT_EQ(db->SelectedIndex, -1);
    ExpectNothingLoaded();
}

TEST_F(DatabaseLoad, FullGeneration12FileLoadsEverySlotAndTheTemplate) {
    WriteBytes(dir.Path() / "ProgInfo_12.GAD", Gen12File(9000, templateCard));
    EXPECT_TRUE(db->LoadDatabase());
    EXPECT_EQ(db->LastLoadState(), State::Complete);
    ExpectSlotsLoaded(9000);
    EXPECT_EQ(Bytes(db->TemplateRecord), Bytes(templateCard));
}

TEST_F(DatabaseLoad, ShortGeneration12FileFillsItsSlotsAndTakesItsLastBlockAsTemplate) {
    WriteBytes(dir.Path() / "ProgInfo_12.GAD", Gen12File(100, templateCard));  // 101 blocks
    EXPECT_TRUE(db->LoadDatabase());
    ExpectSlotsLoaded(100);
    EXPECT_EQ(Bytes(db->TemplateRecord), Bytes(templateCard));
}

TEST_F(DatabaseLoad, TemplateOnlyFileIsComplete) {
    WriteBytes(dir.Path() / "ProgInfo_12.GAD", Gen12File(0, templateCard));
    EXPECT_TRUE(db->LoadDatabase());
    ExpectSlotsLoaded(0);
    EXPECT_EQ(Bytes(db->TemplateRecord), Bytes(templateCard));
}

TEST_F(DatabaseLoad, SizesThatFitNeitherFormatLoadNothing) {
    const std::string full = Gen12File(9000, templateCard);
    for (std::size_t size : {full.size() - 1, full.size() + 1, std::size_t(887), std::size_t(1)}) {
        WriteBytes(dir.Path() / "ProgInfo_12.GAD",
                   full.substr(0, std::min(size, full.size())) +
                       std::string(size > full.size() ? 1 : 0, 'x'));
        EXPECT_FALSE(db->LoadDatabase()) << size;
        EXPECT_EQ(db->LastLoadState(), State::Partial) << size;
        ExpectNothingLoaded();
    }
}

TEST_F(DatabaseLoad, EmptyFileCountsAsGeneration11AndLoadsNothing) {
    WriteBytes(dir.Path() / "ProgInfo_12.GAD", "");
    EXPECT_FALSE(db->LoadDatabase());
    EXPECT_EQ(db->LastLoadState(), State::Partial);
    ExpectNothingLoaded();
}

TEST_F(DatabaseLoad, Generation11BlocksAreWidenedAndTheTemplateDerived) {
    WriteBytes(dir.Path() / "ProgInfo_11.GAD", Gen11File(10, templateCard));  // 11 blocks
    EXPECT_TRUE(db->LoadDatabase());
    EXPECT_EQ(db->LoadedFile(), dir.Path() / "ProgInfo_11.GAD");
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(Bytes(db->cards[std::size_t(i)]), Bytes(Widened(PatternCard(i + 1)))) << i;
    }
    EXPECT_FALSE(db->cards[10].InUse());
    EXPECT_EQ(Bytes(db->TemplateRecord), Bytes(MakeTemplate(Widened(templateCard))));
}

TEST_F(DatabaseLoad, SizeFittingBothFormatsIsReadAsGeneration11) {
    // 84 360 bytes: 111 blocks of 760 or 95 of 888.
    const std::string file = Gen11File(110, templateCard);
    ASSERT_EQ(file.size(), 84360u);
    WriteBytes(dir.Path() / "ProgInfo_12.GAD", file);
    EXPECT_TRUE(db->LoadDatabase());
    EXPECT_EQ(Bytes(db->cards[109]), Bytes(Widened(PatternCard(110))));
    EXPECT_FALSE(db->cards[110].InUse());
}

TEST_F(DatabaseLoad, Generation12FileWinsOverGeneration11) {
    WriteBytes(dir.Path() / "ProgInfo_12.GAD", Gen12File(3, templateCard));
    WriteBytes(dir.Path() / "ProgInfo_11.GAD", Gen11File(20, PatternCard(500)));
    EXPECT_TRUE(db->LoadDatabase());
    EXPECT_EQ(db->LoadedFile(), dir.Path() / "ProgInfo_12.GAD");
    ExpectSlotsLoaded(3);
}

TEST_F(DatabaseLoad, MoreThan9000CardsKeepsTheFirst9000AndTheLastBlockAsTemplate) {
    WriteBytes(dir.Path() / "ProgInfo_12.GAD", Gen12File(9005, templateCard));
    EXPECT_FALSE(db->LoadDatabase());
    EXPECT_EQ(db->LastLoadState(), State::Partial);
    ExpectSlotsLoaded(9000);
    EXPECT_EQ(Bytes(db->TemplateRecord), Bytes(templateCard));

    WriteBytes(dir.Path() / "ProgInfo_12.GAD", Gen11File(9001, templateCard));
    EXPECT_FALSE(db->LoadDatabase());
    EXPECT_EQ(Bytes(db->cards[8999]), Bytes(Widened(PatternCard(9000))));
    EXPECT_EQ(Bytes(db->TemplateRecord), Bytes(MakeTemplate(Widened(templateCard))));
}

TEST_F(DatabaseLoad, ReloadForgetsWhatAnEarlierLoadRead) {
    WriteBytes(dir.Path() / "ProgInfo_12.GAD", Gen12File(50, templateCard));
    ASSERT_TRUE(db->LoadDatabase());
    WriteBytes(dir.Path() / "ProgInfo_12.GAD", Gen12File(5, templateCard));
    ASSERT_TRUE(db->LoadDatabase());
    ExpectSlotsLoaded(5);
}

}  // namespace
}  // namespace gsmprog
