// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/journal_line_match.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>

#include "ops/json_text.h"

namespace gsmprog {

namespace {

bool Escaped(std::string_view line) { return line.find('\\') != std::string_view::npos; }

std::size_t SkipSpace(std::string_view line, std::size_t i) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    return i;
}

// string_view::find steps from one first character to the next; memmem is much quicker on lines
// full of quotes.
std::size_t Find(std::string_view line, std::string_view what, std::size_t from) {
    if (from > line.size()) return std::string_view::npos;
    const void* found = ::memmem(line.data() + from, line.size() - from, what.data(), what.size());
    return found ? std::size_t(static_cast<const char*>(found) - line.data())
                 : std::string_view::npos;
}

}  // namespace

bool LineMayHaveRow(std::string_view line, int row) {
    if (Escaped(line)) return true;
    constexpr std::string_view Key = "\"row\"";
    for (std::size_t at = Find(line, Key, 0); at != std::string_view::npos;
         at = Find(line, Key, at + 1)) {
        std::size_t i = SkipSpace(line, at + Key.size());
        if (i >= line.size() || line[i] != ':') continue;
        i = SkipSpace(line, i + 1);
        // The number as a line's reader takes it: all of its characters, read as an integer.
        std::size_t end = i;
        while (end < line.size() && IsJsonNumberByte(line[end])) ++end;
        std::int64_t value = 0;
        const auto [stop, error] = std::from_chars(line.data() + i, line.data() + end, value);
        if (error == std::errc{} && stop == line.data() + end && value == row) return true;
    }
    return false;
}

bool LineMayHaveText(std::string_view line, std::string_view text) {
    if (text.empty() || Escaped(line)) return true;
    const std::string quoted = '"' + std::string(text) + '"';
    return Find(line, quoted, 0) != std::string_view::npos;
}

}  // namespace gsmprog
