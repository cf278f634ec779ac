// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the fields of a card as the lists and exports show them.

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include "cards/card_record.h"

namespace gsmprog {

// The bytes of a zero-terminated text field, up to its first zero (or the whole field if it
// has none).
template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
    const void* zero = std::memchr(field, 0, N);
    return {field, zero ? std::size_t(static_cast<const char*>(zero) - field) : N};
}

// The grid's "Код УО" column: the codes of the connected devices in device order as
// unsigned decimals, joined by " + " ("12 + 345"); empty when no device is connected.
std::string UoCodesText(const CardRecord& card);

}  // namespace gsmprog
