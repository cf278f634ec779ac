// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/win1251_search.h"

#include <algorithm>
#include <array>

#include "text/win1251.h"

namespace gsmprog {

namespace {

// Each byte's lower case within Windows-1251; a byte whose lower case has no byte stays.
const std::array<char, 256>& LowerBytes() {
    static const std::array<char, 256> table = [] {
        std::array<char, 256> lower{};
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            std::string folded;
            const bool ok = b != 0 &&
                            ToWin1251(FromWin1251(std::string(1, byte)).toLower(), folded) &&
                            folded.size() == 1;
            lower[std::size_t(b)] = ok ? folded[0] : byte;
        }
        return lower;
    }();
    return table;
}

}  // namespace

std::optional<Win1251Needle> Win1251Needle::From(const QString& lowerText) {
    std::string bytes;
    if (!ToWin1251(lowerText, bytes)) return std::nullopt;
    return Win1251Needle(std::move(bytes));
}

bool Win1251Needle::FoundIn(std::string_view field) const {
    const std::array<char, 256>& lower = LowerBytes();
    return std::search(field.begin(), field.end(), bytes_.begin(), bytes_.end(),
                       [&](char a, char b) { return lower[static_cast<unsigned char>(a)] == b; }) !=
           field.end();
}

}  // namespace gsmprog
