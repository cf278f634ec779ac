// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/journal_line_match.h"

#include <string>

namespace gsmprog {

namespace {

bool Escaped(std::string_view line) { return line.find('\\') != std::string_view::npos; }

std::size_t SkipSpace(std::string_view line, std::size_t i) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    return i;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool LineMayHaveRow(std::string_view line, int row) {
    if (Escaped(line)) return true;
    constexpr std::string_view Key = "\"row\"";
    const std::string number = std::to_string(row);
    for (std::size_t at = line.find(Key); at != std::string_view::npos;
         at = line.find(Key, at + 1)) {
        std::size_t i = SkipSpace(line, at + Key.size());
        if (i >= line.size() || line[i] != ':') continue;
        i = SkipSpace(line, i + 1);
        if (line.substr(i, number.size()) != number) continue;
        i += number.size();
        // Not the start of a longer number, nor a fraction or exponent.
        if (i < line.size() && (IsDigit(line[i]) || line[i] == '.' || line[i] == 'e' ||
                                line[i] == 'E'))
            continue;
        return true;
    }
    return false;
}

bool LineMayHaveText(std::string_view line, std::string_view text) {
    if (text.empty() || Escaped(line)) return true;
    const std::string quoted = '"' + std::string(text) + '"';
    return line.find(quoted) != std::string_view::npos;
}

}  // namespace gsmprog
