// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cards/card_fields.h"

namespace gsmprog {

std::string UoCodesText(const CardRecord& card) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        if (card.UoType[i] == 0) continue;
        if (!text.empty()) text += " + ";
        const std::uint32_t code = card.UoCode[i];
        text += std::to_string(code);
    }
    return text;
}

}  // namespace gsmprog
