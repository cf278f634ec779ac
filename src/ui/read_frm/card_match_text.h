// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The read-result window's line naming the card a modem belongs to.

#include <QString>

#include "cards/card_database.h"
#include "link/modem_image.h"

namespace gsmprog {

// "Карточка № N (объект «…»), строка R: модем запрограммирован этой карточкой" and its
// variants, or "В базе нет карточки с этими кодами УО".
QString CardMatchText(const CardDatabase& database, const WideImage& image);

}  // namespace gsmprog
