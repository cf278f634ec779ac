// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the read-result window offers beyond the read itself: the differences from the card
// the modem belongs to, a comparison with a card the user names ("Сравнить с карточкой…"),
// and a new card made of the read settings ("Создать карточку…").

#include <QString>

#include <vector>

#include "cards/settings_fields.h"
#include "link/modem_image.h"

namespace gsmprog {

class CardDatabase;
class TForm1;
class TForm2;
class UserDialogs;

class ReadComparison {
public:
    ReadComparison(TForm1& window, CardDatabase& database, UserDialogs& dialogs);

    // Sets `form`'s comparison for `image`, a read that passed its checks: the differences
    // from the card whose device codes it holds (none shown when there is no such card),
    // and "Создать карточку…" unless the window is read-only.
    void Present(TForm2& form, const WideImage& image);
    // "Сравнить с карточкой…": asks for a card by its number or row and shows the differences.
    void CompareWithChosenCard(TForm2& form);
    // "Создать карточку…": the read settings into an empty row the user confirms, opened in
    // edit mode; nothing is written until the card is saved.
    void MakeCard();

private:
    // The slot of the card the user names by its number or, failing that, its row; -1 when
    // none (the user was told).
    int ChosenCard(TForm2& form, const QString& answer);
    // The slot of the empty row the user confirms; -1 when cancelled or refused.
    int ChosenEmptySlot();
    void ShowDifferences(TForm2& form, int slot,
                         const std::vector<SettingsDifference>& differences);

    TForm1& window_;
    CardDatabase& database_;
    UserDialogs& dialogs_;
    WideImage image_;
};

}  // namespace gsmprog
