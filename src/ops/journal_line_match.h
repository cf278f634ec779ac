// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Cheap tests of a journal line's raw text, made before it is parsed: a lookup of one row
// parses one line in thousands. Each says no only when the line cannot hold what is asked;
// a line with any backslash escape might spell it otherwise, so it is always a maybe.

#include <string_view>

namespace gsmprog {

// Whether the line may be an entry of grid row `row`: it has `"row":ROW` (spaces allowed).
bool LineMayHaveRow(std::string_view line, int row);

// Whether the line may hold the string member value `text` (UTF-8): it has `"TEXT"`. An empty
// text is a maybe: its member is left out of a line.
bool LineMayHaveText(std::string_view line, std::string_view text);

}  // namespace gsmprog
