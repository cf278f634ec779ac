// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Texts that users type as numbers are stored as typed; where a number is needed they are
// converted with a fixed fallback for text that is not a whole number.

#include <QString>
#include <cstdint>

namespace gsmprog {

// The text as a signed 32-bit decimal whole number, or `fallback`.
std::int32_t WholeNumberOr(const QString& text, std::int32_t fallback);
// The text as a hexadecimal number, or 0.
std::uint32_t HexNumberOrZero(const QString& text);
// A programming identifier as the window shows it: four upper-case hexadecimal digits.
QString ProgIdText(std::uint16_t id);

}  // namespace gsmprog
