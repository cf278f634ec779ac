// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "cards/card_files.h"
#include "support/child_process.h"
#include "cards/csv_export.h"

namespace gsmprog {
namespace {

using namespace gsmprog::test;

const std::string Header = "NCard;Object;KodUoo;KodLine;Pin1;Pin2;SIM1_ID;SIM2_ID\r\n";

CardRecord Card(const char* number, const char* object) {
    CardRecord card{};
    std::strcpy(card.NCardEdit, number);
    std::strcpy(card.Edit1, object);
    card.DateChanged = 45000.5;
    return card;
}

class CsvExport : public ::testing::Test {
protected:
    TempDir dir;
    std::vector<CardRecord> cards = std::vector<CardRecord>(9000);

    std::string Export() {
        const auto file = dir.Path() / "Export_ProgInfo_12.GAD.CSV";
        EXPECT_TRUE(ExportCsv(file, cards.data(), int(cards.size())));
        return ReadBytes(file);
    }
};

TEST_F(CsvExport, WithoutCardsOnlyTheHeaderIsWritten) { EXPECT_EQ(Export(), Header); }

TEST_F(CsvExport, ExampleCardGivesItsLineInWindows1251) {
    cards[3] = Card("17", "\xD1\xEA\xEB\xE0\xE4");  // "Склад"
    cards[3].UoType[0] = 1;
    cards[3].UoCode[0] = 305;
    cards[3].UoLineAddress[0] = 2;
    cards[3].UoCode[1] = 99;  // not connected: its code and address are not exported
    cards[3].UoLineAddress[1] = 7;
    EXPECT_EQ(Export(), Header + "17;\xD1\xEA\xEB\xE0\xE4;305,NA,NA,NA;2,NA,NA,NA;;;NA;NA\r\n");
}

TEST_F(CsvExport, CardsInUseOnlyInSlotOrderWithEveryColumn) {
    cards[8999] = Card("last", "B");
    cards[10] = Card("", "");
    std::strcpy(cards[10].Pin1Edit, "1234");
    std::strcpy(cards[10].SIM_ID2_Edit, "8970199");
    cards[10].UoType[1] = 3;
    cards[10].UoCode[1] = 0xFFFFFFFFu;  // typed as -1
    cards[10].UoLineAddress[1] = 15;
    cards[10].UoType[3] = 2;
    cards[10].UoCode[3] = 0;
    cards[10].UoLineAddress[3] = 0;
    cards[20] = Card("deleted", "x");
    cards[20].DateChanged = 0.0005;  // below the in-use threshold
    EXPECT_EQ(Export(), Header +
                            ";NA;NA,4294967295,NA,0;NA,15,NA,0;1234;;NA;8970199\r\n"
                            "last;B;NA,NA,NA,NA;NA,NA,NA,NA;;;NA;NA\r\n");
}

TEST_F(CsvExport, OnlyFieldsThatWouldBreakTheLineAreQuoted) {
    cards[0] = Card("N;1", "\xCE\xCE\xCE \"\xD0\xEE\xE3\xE0\"");  // ООО "Рога"
    std::strcpy(cards[0].Pin1Edit, "12\r4");
    std::strcpy(cards[0].SIM_ID1_Edit, "a\nb");
    std::strcpy(cards[0].SIM_ID2_Edit, "plain,text 'x'");
    EXPECT_EQ(Export(),
              Header +
                  "\"N;1\";\"\xCE\xCE\xCE \"\"\xD0\xEE\xE3\xE0\"\"\";NA,NA,NA,NA;NA,NA,NA,NA;"
                  "\"12\r4\";;\"a\nb\";plain,text 'x'\r\n");
}

TEST_F(CsvExport, FullFieldsWithoutTerminatorStayInsideTheirField) {
    cards[0] = Card("", "");
    std::memset(cards[0].NCardEdit, '9', sizeof cards[0].NCardEdit);  // no terminator at all
    std::memset(cards[0].Edit1, 'o', sizeof cards[0].Edit1);
    EXPECT_EQ(Export(), Header + std::string(11, '9') + ";" + std::string(100, 'o') +
                            ";NA,NA,NA,NA;NA,NA,NA,NA;;;NA;NA\r\n");
}

TEST_F(CsvExport, ExistingFileIsReplacedAndCountLimitsTheSlots) {
    const auto file = dir.Path() / "out.csv";
    WriteBytes(file, std::string(5000, 'z'));
    cards[0] = Card("1", "A");
    cards[1] = Card("2", "B");
    ASSERT_TRUE(ExportCsv(file, cards.data(), 1));
    EXPECT_EQ(ReadBytes(file), Header + "1;A;NA,NA,NA,NA;NA,NA,NA,NA;;;NA;NA\r\n");
}

TEST_F(CsvExport, SomethingOtherThanAFileIsRefusedAndLeftAlone) {
    cards[0] = Card("1", "A");
    EXPECT_FALSE(ExportCsv("/dev/null", cards.data(), int(cards.size())));
    EXPECT_EQ(errno, EINVAL);
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null")) << "never replaced by a file";
}

TEST_F(CsvExport, UnwritablePlaceIsReported) {
    EXPECT_FALSE(
        ExportCsv(dir.Path() / "no-such-dir" / "out.csv", cards.data(), int(cards.size())));
}

}  // namespace
}  // namespace gsmprog
