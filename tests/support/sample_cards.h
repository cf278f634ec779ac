// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Cards for the tests: one with every field in use, and one whose every byte is recognisable.

#include <cstdint>

#include "cards/card_record.h"

namespace gsmprog::test {

// A card in use with every field a control, the modem or the command line shows set to a
// distinct value that the window keeps as it is: three devices connected (the third slot
// empty), both SIMs, SMS, balance and update settings, programmed once. `version` is the
// modem's version choice (1: "81.32 и выше", 0: "до 81.31"). The spare words stay zero.
CardRecord FullCard(std::uint8_t version = 1);

// A card in use whose byte k is derived from `number` and k, so that misplaced bytes show up;
// its two dates are real dates.
CardRecord PatternCard(int number);

}  // namespace gsmprog::test
