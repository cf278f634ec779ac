// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One field of a semicolon-separated line as spreadsheets read it: the card export and the
// journal's export quote alike.

#include <string>
#include <string_view>

namespace gsmprog {

// Appends `text` to `line`. A field holding the separator, a quote or a line break would shift
// or split its line: only such a field is quoted, with inner quotes doubled. All others go out
// as they are.
void AppendCsvField(std::string& line, std::string_view text);

}  // namespace gsmprog
