// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Dates of a card are doubles counting days since 1899-12-30 00:00, the fraction being the
// time of day, in local time. They carry local wall-clock time, so converting them is plain
// calendar arithmetic; only "now" consults the time zone.

#include <optional>
#include <string>

namespace gsmprog {

struct LocalDateTime {
    int year = 1899;
    int month = 12;  // 1..12
    int day = 30;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    bool operator==(const LocalDateTime&) const = default;
};

// The date a stored value stands for, rounded to the millisecond. No value (never a crash)
// for a value that is not finite, negative, or after 9999-12-31 23:59:59.999.
std::optional<LocalDateTime> DateFromDays(double days);

// The stored value of a local date-time (year 1899..9999, fields in their ranges).
double DaysFromDate(const LocalDateTime& date);

// The current local time as a stored value.
double CurrentDays();

// "YYYY-MM-DD HH:MM:SS"; empty text when the value has no date.
std::string FormatDays(double days);

}  // namespace gsmprog
