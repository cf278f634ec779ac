// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/read_frm/card_match_text.h"

#include "ops/card_match.h"
#include "text/win1251.h"

namespace gsmprog {
namespace {

QString CardLine(const CardDatabase& database, int slot, const QString& verdict) {
    const CardRecord& card = database.cards[static_cast<std::size_t>(slot)];
    // One pass of arg(): a "%1" typed into the object name stays as typed.
    return QStringLiteral("Карточка № %1 (объект «%2»), строка %3: %4")
        .arg(FromField(card.NCardEdit), FromField(card.Edit1), QString::number(slot + 1), verdict);
}

}  // namespace

QString CardMatchText(const CardDatabase& database, const WideImage& image) {
    const ModemCard found = FindModemCard(database, image);
    switch (found.match) {
    case CardMatch::None: return QStringLiteral("В базе нет карточки с этими кодами УО");
    case CardMatch::Same:
        return CardLine(database, found.slot,
                        QStringLiteral("модем запрограммирован этой карточкой"));
    case CardMatch::Changed:
        return CardLine(database, found.slot,
                        QStringLiteral("модем запрограммирован этой карточкой, но карточка "
                                       "изменена после программирования"));
    case CardMatch::Differs:
        return CardLine(database, found.slot, QStringLiteral("ID не совпадает с карточкой"));
    }
    return {};
}

}  // namespace gsmprog
