// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What read, diff and import-image share: the differences of a card from a modem image as
// lines, and a new card made from an image.

#include <vector>

#include "cards/settings_fields.h"
#include "link/modem_image.h"

namespace gsmprog::cli {

// One "Поле: карточка → модем" line per difference, "Отличий нет" when there is none.
void PrintDifferences(const std::vector<SettingsDifference>& differences);

// Makes `image` a new card in the empty slot `slot`, or in the first empty one when `slot` is
// -1, and prints "NewCardRow=N". ExitUsage when the row is taken, no row is empty or a device
// code of the image is another card's (as the window refuses to save it); ExitWriteFailure
// when the database cannot be written.
int MakeNewCard(const WideImage& image, int slot);

}  // namespace gsmprog::cli
