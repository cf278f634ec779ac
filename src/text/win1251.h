// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Texts stay Windows-1251 bytes in records, file and CSV; they are converted only where
// shown or typed. A character that has no Windows-1251 byte is refused, never replaced.

#include <QString>
#include <cstddef>
#include <string>

namespace gsmprog {

// The text of a zero-terminated field of `size` bytes (stops at the first zero byte).
QString FromWin1251(const char* field, std::size_t size);
QString FromWin1251(const std::string& bytes);

// True when every character of `text` has a Windows-1251 byte.
bool IsWin1251(const QString& text);

// The Windows-1251 bytes of `text`; false (and `bytes` untouched) when a character has none.
bool ToWin1251(const QString& text, std::string& bytes);

// Stores `text` into a field of `size` bytes: at most size-1 bytes, the rest zero.
// False (field untouched) when a character has no Windows-1251 byte, the text is too long,
// or it holds a zero character (which would end the stored text early).
bool StoreWin1251(const QString& text, char* field, std::size_t size);

template <std::size_t N>
QString FromField(const char (&field)[N]) {
    return FromWin1251(field, N);
}
template <std::size_t N>
bool StoreField(const QString& text, char (&field)[N]) {
    return StoreWin1251(text, field, N);
}

}  // namespace gsmprog
