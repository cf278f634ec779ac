// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/journal_time.h"

#include <cstdio>
#include <ctime>

#include "cards/card_dates.h"

namespace gsmprog {

namespace {

struct WallTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::optional<int> offsetMinutes;  // east of UTC; nothing: local time
};

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size()) return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// "YYYY-MM-DD", then optionally [T ]HH:MM[:SS], then optionally Z or ±HH:MM.
std::optional<WallTime> ParseWallTime(std::string_view text) {
    WallTime time;
    if (!Digits(text, 0, 4, time.year) || text.size() < 10 || text[4] != '-' ||
        !Digits(text, 5, 2, time.month) || text[7] != '-' || !Digits(text, 8, 2, time.day))
        return std::nullopt;
    std::size_t at = 10;
    if (at < text.size() && (text[at] == 'T' || text[at] == ' ')) {
        if (!Digits(text, at + 1, 2, time.hour) || at + 3 >= text.size() || text[at + 3] != ':' ||
            !Digits(text, at + 4, 2, time.minute))
            return std::nullopt;
        at += 6;
        if (at < text.size() && text[at] == ':') {
            if (!Digits(text, at + 1, 2, time.second)) return std::nullopt;
            at += 3;
        }
    }
    if (at < text.size() && text[at] == 'Z') {
        time.offsetMinutes = 0;
        ++at;
    } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        int hours = 0, minutes = 0;
        if (!Digits(text, at + 1, 2, hours) || at + 3 >= text.size() || text[at + 3] != ':' ||
            !Digits(text, at + 4, 2, minutes) || hours > 23 || minutes > 59)
            return std::nullopt;
        time.offsetMinutes = (text[at] == '-' ? -1 : 1) * (hours * 60 + minutes);
        at += 6;
    }
    const std::chrono::year_month_day date{std::chrono::year{time.year},
                                           std::chrono::month{unsigned(time.month)},
                                           std::chrono::day{unsigned(time.day)}};
    if (at != text.size() || !date.ok() || time.hour > 23 || time.minute > 59 || time.second > 60)
        return std::nullopt;
    return time;
}

std::tm BrokenDown(const WallTime& time) {
    std::tm broken{};
    broken.tm_year = time.year - 1900;
    broken.tm_mon = time.month - 1;
    broken.tm_mday = time.day;
    broken.tm_hour = time.hour;
    broken.tm_min = time.minute;
    broken.tm_sec = time.second;
    broken.tm_isdst = -1;
    return broken;
}

std::optional<std::int64_t> Seconds(const WallTime& time) {
    std::tm broken = BrokenDown(time);
    if (time.offsetMinutes)
        return std::int64_t(::timegm(&broken)) - std::int64_t(*time.offsetMinutes) * 60;
    const std::time_t local = std::mktime(&broken);
    if (local == std::time_t(-1)) return std::nullopt;
    return std::int64_t(local);
}

}  // namespace

std::string LocalIsoTime(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    const long offset = local.tm_gmtoff / 60;
    const long magnitude = offset < 0 ? -offset : offset;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, offset < 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    return text;
}

std::optional<std::int64_t> IsoTimeSeconds(std::string_view text) {
    const auto time = ParseWallTime(text);
    if (!time || !time->offsetMinutes) return std::nullopt;
    return Seconds(*time);
}

std::optional<std::int64_t> UserTimeSeconds(std::string_view text) {
    const auto time = ParseWallTime(text);
    if (!time) return std::nullopt;
    return Seconds(*time);
}

std::string CardDateIso(double days) {
    if (days < 0.001) return {};
    const auto date = DateFromDays(days);
    if (!date) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", date->year, date->month,
                  date->day, date->hour, date->minute, date->second);
    return text;
}

std::string ShortTimeText(const std::string& isoTime) {
    const auto time = ParseWallTime(isoTime);
    if (!time) return isoTime;
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d", time->day, time->month, time->year,
                  time->hour, time->minute);
    return text;
}

}  // namespace gsmprog
