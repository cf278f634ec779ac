// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finds a text in Windows-1251 fields, any case, without converting the fields to QString:
// the search over 9000 cards is as fast the first time as later. Case is folded as
// QString::toLower folds it, byte by byte through a table derived from the codec.

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace gsmprog {

class Win1251Needle {
public:
    // Nothing when the lower-cased `lowerText` has a character without a Windows-1251 byte
    // (it then can only be looked for in converted texts).
    static std::optional<Win1251Needle> From(const QString& lowerText);

    // True when `field`, lower-cased, contains the text.
    bool FoundIn(std::string_view field) const;

private:
    explicit Win1251Needle(std::string bytes) : bytes_(std::move(bytes)) {}
    std::string bytes_;
};

}  // namespace gsmprog
