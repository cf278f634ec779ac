// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The search over the card list and the SIM data of the cards.

#include "ui/main/card_search.h"

#include <QFocusEvent>
#include <QTableView>

#include "cards/card_fields.h"
#include "ui/main/card_grid_model.h"
#include "ui/main/main.h"
#include "ui_main.h"
#include "text/win1251.h"

namespace gsmprog {

namespace {

bool SimFieldsContain(const CardRecord& card, const std::string& text) {
    for (const std::string_view field :
         {FieldText(card.SIM_ID1_Edit), FieldText(card.SIM_ID2_Edit), FieldText(card.PUK1_Edit),
          FieldText(card.PUK2_Edit), FieldText(card.Number1_Edit), FieldText(card.Number2_Edit)})
        if (field.find(text) != std::string_view::npos) return true;
    return false;
}

}  // namespace

CardSearch::CardSearch(TForm1& window, Ui::TForm1& ui, const CardDatabase& database)
    : window_(window), ui_(ui), database_(database) {}

void CardSearch::Attach(const CardGridModel& gridModel) {
    gridModel_ = &gridModel;
    ui_.SearchEdit->installEventFilter(this);
}

bool CardSearch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_.SearchEdit) {
        if (event->type() == QEvent::MouseButtonRelease) window_.SearchEditClick();
        // Leaving the box for another control, not the window losing focus to a dialog.
        if (event->type() == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                window_.SearchEditExit();
        }
    }
    return QObject::eventFilter(watched, event);
}

void CardSearch::SearchEditClick() { ui_.SearchEdit->selectAll(); }

void CardSearch::SearchEditChange() {
    searchRow_ = 0;
    FindNext();
}

void CardSearch::SearchEditExit() {
    if (ui_.SearchEdit->text().isEmpty()) ui_.SearchEdit->setText(QStringLiteral("(Поиск...)"));
}

int CardSearch::GridPass(int firstRow, int lastRow, const QString& lowerText) const {
    const std::optional<Win1251Needle> needle = Win1251Needle::From(lowerText);
    for (int row = firstRow; row <= lastRow; ++row)
        if (gridModel_->RowContains(row - 1, lowerText, needle)) return row;
    return 0;
}

int CardSearch::SimPass(int firstRow, int lastRow, const std::string& text) const {
    for (int row = firstRow; row <= lastRow; ++row)
        if (SimFieldsContain(database_.cards[row - 1], text)) return row;
    return 0;
}

void CardSearch::FindNext() {
    const QString text = ui_.SearchEdit->text();
    if (text.isEmpty()) return;  // an empty text is contained nowhere
    const QString lower = text.toLower();
    // A text with a character the cards cannot hold matches no SIM field.
    std::string bytes;
    const bool simSearch = ToWin1251(text, bytes);

    // The anchor row itself is never examined; grid cells anywhere below it win over SIM data.
    const int lastRow = CardDatabase::SlotCount;
    int hit = GridPass(searchRow_ + 1, lastRow, lower);
    if (!hit && simSearch) hit = SimPass(searchRow_ + 1, lastRow, bytes);
    if (!hit && searchRow_ > 1) {
        hit = GridPass(1, searchRow_ - 1, lower);
        if (!hit && simSearch) hit = SimPass(1, searchRow_ - 1, bytes);
    }
    if (!hit) return;

    searchRow_ = hit;
    window_.ShowRow(hit);
}

}  // namespace gsmprog
