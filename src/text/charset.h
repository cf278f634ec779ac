// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows-1251, the character set of the cards and of the modem's own texts, to and from
// UTF-8 through the C library's iconv: the one converter of gsmprog. Plain C++, so the
// control link uses it as well as the windows and the command line.

#include <string>
#include <string_view>

namespace gsmprog {

// Every byte becomes its character (0x98, which names none, its control character U+0098).
std::string Win1251ToUtf8(std::string_view bytes);

// False (and `bytes` untouched) when `utf8` is not UTF-8 or has a character without a
// Windows-1251 byte; nothing is ever replaced by a look-alike.
bool Utf8ToWin1251(std::string_view utf8, std::string& bytes);

}  // namespace gsmprog
