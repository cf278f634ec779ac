// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <ctime>
#include <limits>
#include <optional>
#include <string>

#include "cards/card_dates.h"

namespace gsmprog {
namespace {

TEST(CardDates, KnownValuesDecodeToLocalDateTimes) {
    EXPECT_EQ(FormatDays(0.0), "1899-12-30 00:00:00");
    EXPECT_EQ(FormatDays(1.5), "1899-12-31 12:00:00");
    EXPECT_EQ(FormatDays(2.0), "1900-01-01 00:00:00");
    EXPECT_EQ(FormatDays(45000.0), "2023-03-15 00:00:00");
    EXPECT_EQ(FormatDays(45000.75), "2023-03-15 18:00:00");
    EXPECT_EQ(FormatDays(45351.0), "2024-02-29 00:00:00");
    EXPECT_EQ(FormatDays(2958465.0 + 86399.0 / 86400), "9999-12-31 23:59:59");
}

TEST(CardDates, FractionsRoundToTheMillisecondBeforeTheSecondsAreCut) {
    // 12:34:56 stored as a double is a hair below or above the exact value; it must not show
    // as 12:34:55.
    const double value = 45000.0 + (12 * 3600 + 34 * 60 + 56) / 86400.0;
    EXPECT_EQ(FormatDays(value), "2023-03-15 12:34:56");
    EXPECT_EQ(FormatDays(std::nextafter(value, 0.0)), "2023-03-15 12:34:56");
    // 0.4 ms before midnight rounds to midnight of the next day.
    EXPECT_EQ(FormatDays(45001.0 - 0.0004 / 86400.0), "2023-03-16 00:00:00");
}

TEST(CardDates, EncodingAndDecodingAreInverse) {
    const LocalDateTime dates[] = {
        {1899, 12, 30, 0, 0, 0, 0}, {1900, 2, 28, 23, 59, 59, 999}, {1900, 3, 1, 0, 0, 0, 1},
        {2000, 2, 29, 6, 7, 8, 9},  {2026, 12, 7, 10, 25, 0, 0},    {9999, 12, 31, 23, 59, 59, 999},
    };
    for (const LocalDateTime& date : dates) {
        const auto back = DateFromDays(DaysFromDate(date));
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, date) << date.year << "-" << date.month << "-" << date.day;
    }
    EXPECT_DOUBLE_EQ(DaysFromDate({2023, 3, 15, 18, 0, 0, 0}), 45000.75);
}

TEST(CardDates, ValuesWithoutADateNeverCrash) {
    const double bad[] = {
        std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        -0.5,
        -1e300,
        2958466.0,
        1e300,
        std::numeric_limits<double>::max(),
        2958466.0 - 1e-10,  // rounds into the year 10000
    };
    for (double value : bad) {
        EXPECT_FALSE(DateFromDays(value).has_value()) << value;
        EXPECT_EQ(FormatDays(value), "") << value;
    }
}

class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) saved_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TimeZone() {
        if (saved_) ::setenv("TZ", saved_->c_str(), 1);
        else ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> saved_;
};

TEST(CardDates, NowIsLocalWallClockTime) {
    double utc = 0, plusNine = 0;
    {
        TimeZone zone("UTC0");
        utc = CurrentDays();
    }
    {
        TimeZone zone("XST-9");  // nine hours east of UTC, no daylight saving
        plusNine = CurrentDays();
    }
    EXPECT_NEAR((plusNine - utc) * 24.0, 9.0, 0.01);
    // And "now" lands on today's date of the system clock, in that zone.
    TimeZone zone("UTC0");
    const std::time_t seconds = std::time(nullptr);
    const double expected = 25569.0 + double(seconds) / 86400.0;  // 1970-01-01 is day 25569
    EXPECT_NEAR(CurrentDays(), expected, 5.0 / 86400.0);
}

}  // namespace
}  // namespace gsmprog
