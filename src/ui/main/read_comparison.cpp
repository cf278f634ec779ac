// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/read_comparison.h"

#include "cards/card_database.h"
#include "ops/card_match.h"
#include "ops/image_settings.h"
#include "text/win1251.h"
#include "ui/main/main.h"
#include "ui/main/user_dialogs.h"
#include "ui/read_frm/read_frm.h"

namespace gsmprog {

namespace {
const QString Attention = QStringLiteral("Внимание");
const QString CompareCaption = QStringLiteral("Сравнить с карточкой");
const QString NewCardCaption = QStringLiteral("Создать карточку");

// The row the user typed, 1..9000; 0 when the text is no row number.
int RowNumber(const QString& text) {
    bool ok = false;
    const int row = text.trimmed().toInt(&ok);
    return ok && row >= 1 && row <= CardDatabase::SlotCount ? row : 0;
}
}  // namespace

ReadComparison::ReadComparison(TForm1& window, CardDatabase& database, UserDialogs& dialogs)
    : window_(window), database_(database), dialogs_(dialogs) {}

void ReadComparison::Present(TForm2& form, const WideImage& image) {
    image_ = image;
    const ModemCard found = FindModemCard(database_, image_);
    if (found.slot >= 0) ShowDifferences(form, found.slot, found.differences);
    else form.HideDifferences();
    form.OfferNewCard(!window_.ReadOnly());
}

void ReadComparison::ShowDifferences(TForm2& form, int slot,
                                     const std::vector<SettingsDifference>& differences) {
    const CardRecord& card = database_.cards[std::size_t(slot)];
    form.ShowDifferences(QStringLiteral("Отличия от карточки № %1, строка %2:")
                             .arg(FromField(card.NCardEdit), QString::number(slot + 1)),
                         differences);
}

void ReadComparison::CompareWithChosenCard(TForm2& form) {
    const QString answer = dialogs_.AskText(
        &form, CompareCaption, QStringLiteral("Номер карточки или номер строки:"), QString());
    if (answer.trimmed().isEmpty()) return;
    const int slot = ChosenCard(form, answer);
    if (slot >= 0)
        ShowDifferences(form, slot, CompareWithImage(database_.cards[std::size_t(slot)], image_));
}

int ReadComparison::ChosenCard(TForm2& form, const QString& answer) {
    // A card number first: rows are what the list counts, numbers what installers remember.
    const QString wanted = answer.trimmed();
    for (int slot = 0; slot < CardDatabase::SlotCount; ++slot) {
        const CardRecord& card = database_.cards[std::size_t(slot)];
        if (card.InUse() && FromField(card.NCardEdit) == wanted) return slot;
    }
    const int row = RowNumber(wanted);
    if (row > 0 && database_.cards[std::size_t(row - 1)].InUse()) return row - 1;
    dialogs_.ShowMessage(
        &form, Attention,
        QStringLiteral("В базе нет карточки с номером «%1» и нет карточки в строке с "
                       "таким номером")
            .arg(wanted));
    return -1;
}

int ReadComparison::ChosenEmptySlot() {
    int firstEmpty = -1;
    for (int slot = 0; slot < CardDatabase::SlotCount && firstEmpty < 0; ++slot)
        if (!database_.cards[std::size_t(slot)].InUse()) firstEmpty = slot;
    if (firstEmpty < 0) {
        dialogs_.ShowMessage(&window_, Attention,
                             QStringLiteral("В базе нет пустых строк для новой карточки"));
        return -1;
    }
    const QString answer = dialogs_.AskText(&window_, NewCardCaption,
                                            QStringLiteral("Пустая строка для новой карточки:"),
                                            QString::number(firstEmpty + 1));
    if (answer.trimmed().isEmpty()) return -1;
    const int row = RowNumber(answer);
    if (row == 0) {
        dialogs_.ShowMessage(
            &window_, Attention,
            QStringLiteral("Номер строки должен быть от 1 до %1").arg(CardDatabase::SlotCount));
        return -1;
    }
    if (database_.cards[std::size_t(row - 1)].InUse()) {
        dialogs_.ShowMessage(
            &window_, Attention,
            QStringLiteral("Строка %1 занята другой карточкой: выберите пустую строку").arg(row));
        return -1;
    }
    return row - 1;
}

void ReadComparison::MakeCard() {
    if (window_.ReadOnly()) return;
    const int slot = ChosenEmptySlot();
    if (slot >= 0) window_.EditUnsavedCard(slot + 1, CardFromImage(image_));
}

}  // namespace gsmprog
