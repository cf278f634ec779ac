// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The times of the operations journal: written in local time with the offset, so a line says
// the installer's wall-clock time and still orders correctly across a clock change.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gsmprog {

// "2026-12-07T10:42:13+03:00" for `when` in the local time zone.
std::string LocalIsoTime(std::chrono::system_clock::time_point when);

// The seconds since the epoch of a time as LocalIsoTime writes it (or with "Z"); nothing for
// any other text.
std::optional<std::int64_t> IsoTimeSeconds(std::string_view text);

// The seconds since the epoch of a date the user typed, read as local time:
// "2026-12-07", "2026-12-07 10:42", "2026-12-07T10:42:13", or a time with its offset.
std::optional<std::int64_t> UserTimeSeconds(std::string_view text);

// A card's date (days since 1899-12-30, local) as "2026-12-07T10:40:00"; empty when unset.
std::string CardDateIso(double days);

// "07.12.2026 10:42" of a time as LocalIsoTime writes it; the text itself when it is none.
std::string ShortTimeText(const std::string& isoTime);

}  // namespace gsmprog
