// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cards/card_dates.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace gsmprog {

namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

constexpr sys_days Epoch = sys_days{std::chrono::year{1899} / 12 / 30};
constexpr long long MillisecondsPerDay = 86'400'000;
// 10000-01-01 00:00 as a stored value: everything from here on has no four-digit year.
constexpr double EndOfYear9999 = 2'958'466.0;

}  // namespace

std::optional<LocalDateTime> DateFromDays(double value) {
    if (!std::isfinite(value) || value < 0 || value >= EndOfYear9999) return std::nullopt;
    const long long totalMs = std::llround(value * MillisecondsPerDay);
    long long dayCount = totalMs / MillisecondsPerDay;
    long long ms = totalMs % MillisecondsPerDay;
    const year_month_day ymd{Epoch + days{dayCount}};
    if (int(ymd.year()) > 9999) return std::nullopt;  // rounded up into the year 10000
    LocalDateTime date;
    date.year = int(ymd.year());
    date.month = int(unsigned(ymd.month()));
    date.day = int(unsigned(ymd.day()));
    date.hour = int(ms / 3'600'000);
    ms %= 3'600'000;
    date.minute = int(ms / 60'000);
    ms %= 60'000;
    date.second = int(ms / 1000);
    date.millisecond = int(ms % 1000);
    return date;
}

double DaysFromDate(const LocalDateTime& date) {
    const sys_days day{std::chrono::year{date.year} / unsigned(date.month) / unsigned(date.day)};
    const long long ms =
        ((date.hour * 60LL + date.minute) * 60 + date.second) * 1000 + date.millisecond;
    return double((day - Epoch).count()) + double(ms) / double(MillisecondsPerDay);
}

double CurrentDays() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto sinceSecond = now - std::chrono::system_clock::from_time_t(seconds);
    LocalDateTime date;
    date.year = local.tm_year + 1900;
    date.month = local.tm_mon + 1;
    date.day = local.tm_mday;
    date.hour = local.tm_hour;
    date.minute = local.tm_min;
    date.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second stays in its minute
    date.millisecond =
        int(std::chrono::duration_cast<std::chrono::milliseconds>(sinceSecond).count() % 1000);
    return DaysFromDate(date);
}

std::string FormatDays(double value) {
    const auto date = DateFromDays(value);
    if (!date) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", date->year, date->month,
                  date->day, date->hour, date->minute, date->second);
    return text;
}

}  // namespace gsmprog
