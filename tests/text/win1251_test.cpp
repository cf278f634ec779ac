// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text/charset.h"
#include "text/win1251.h"
#include "text/win1251_search.h"

namespace gsmprog {
namespace {

TEST(Win1251, EveryByteRoundTripsThroughItsCharacter) {
    for (int b = 1; b < 256; ++b) {
        const std::string byte(1, char(b));
        const QString text = FromWin1251(byte);
        ASSERT_EQ(text.size(), 1) << b;
        std::string back;
        ASSERT_TRUE(ToWin1251(text, back)) << b;
        EXPECT_EQ(back, byte) << b;
    }
    std::string zero;
    ASSERT_TRUE(ToWin1251(QString(QChar(0)), zero));
    EXPECT_EQ(zero, std::string(1, '\0'));
}

TEST(Win1251, CyrillicAndSignsMapToTheirBytes) {
    std::string bytes;
    ASSERT_TRUE(ToWin1251(QString::fromUtf8("Склад №5 ёЁ €"), bytes));
    EXPECT_EQ(bytes,
              "\xD1\xEA\xEB\xE0\xE4 \xB9"
              "5 \xB8\xA8 \x88");
    EXPECT_EQ(FromWin1251(bytes).toStdString(), "Склад №5 ёЁ €");
}

TEST(Win1251, CharactersWithoutAByteAreRefused) {
    for (const char* utf8 : {"日本", "a\u0101", "Ї ok\u2603", "\U0001F600"}) {
        const QString text = QString::fromUtf8(utf8);
        std::string bytes = "unchanged";
        EXPECT_FALSE(ToWin1251(text, bytes)) << utf8;
        EXPECT_EQ(bytes, "unchanged");
        EXPECT_FALSE(IsWin1251(text)) << utf8;
    }
    EXPECT_TRUE(IsWin1251(QString::fromUtf8("Объект «Север» — 1")));
}

TEST(Win1251, FieldsAreReadUpToTheirTerminatorAndNeverBeyond) {
    const char field[6] = {'\xCF', '\xE8', 'n', '\0', 'x', 'y'};
    EXPECT_EQ(FromWin1251(field, sizeof field).toStdString(), "Пиn");
    char full[4] = {'a', 'b', 'c', 'd'};  // no terminator: only the field's own bytes
    EXPECT_EQ(FromField(full).toStdString(), "abcd");
}

TEST(Win1251, StoringFillsTheFieldAndRefusesWhatDoesNotFit) {
    char field[5];
    std::memset(field, 'x', sizeof field);
    ASSERT_TRUE(StoreField(QString::fromUtf8("Пин"), field));
    EXPECT_EQ(std::string(field, sizeof field), std::string("\xCF\xE8\xED\0\0", 5));

    EXPECT_TRUE(StoreField(QString::fromUtf8("1234"), field)) << "N-1 characters fit";
    EXPECT_EQ(std::string(field, sizeof field), std::string("1234\0", 5));

    for (const QString& refused : {QString::fromUtf8("12345"), QString::fromUtf8("日"),
                                   QString::fromUtf8("a") + QChar(0) + QString::fromUtf8("b")}) {
        EXPECT_FALSE(StoreField(refused, field)) << refused.toStdString();
        EXPECT_EQ(std::string(field, sizeof field), std::string("1234\0", 5)) << "field untouched";
    }
}

// The plain converter behind every text: each byte of the upper half is its character, and
// nothing without a byte is ever stored as a look-alike.
TEST(Charset, ConvertsEveryByteAndRefusesWhatHasNone) {
    EXPECT_EQ(Win1251ToUtf8("\xC0\xFF\xA8\xB8\xB9\x88\x98z"), "Ая\u0401\u0451\u2116\u20AC\u0098z");
    std::string bytes = "kept";
    EXPECT_FALSE(Utf8ToWin1251("\u00C4", bytes)) << "Ä has no byte";
    EXPECT_FALSE(Utf8ToWin1251("\xD0", bytes)) << "not UTF-8";
    EXPECT_EQ(bytes, "kept");
    ASSERT_TRUE(Utf8ToWin1251("Ёж №1", bytes));
    EXPECT_EQ(bytes,
              "\xA8\xE6 \xB9"
              "1");
}

// The case-blind search in stored bytes agrees with QString::toLower on what it finds.
TEST(Win1251Needle, FindsAnyCaseInStoredBytes) {
    const auto needle = Win1251Needle::From(QString::fromUtf8("ёлка №5 a"));
    ASSERT_TRUE(needle.has_value());
    std::string field;
    ASSERT_TRUE(ToWin1251(QString::fromUtf8("Склад: ЁЛКА №5 A-1"), field));
    EXPECT_TRUE(needle->FoundIn(field));
    ASSERT_TRUE(ToWin1251(QString::fromUtf8("ЕЛКА №5 A"), field));
    EXPECT_FALSE(needle->FoundIn(field)) << "Ё is not Е";
    EXPECT_FALSE(needle->FoundIn(std::string_view("\xB8\xEB", 2))) << "shorter than the text";
    EXPECT_FALSE(Win1251Needle::From(QString::fromUtf8("日")).has_value());
}

}  // namespace
}  // namespace gsmprog
