// The search box: finds the next card whose grid cells (any case) or SIM data (exact case)
// contain the typed text, continuing after the last hit and wrapping to the rows above.

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
    for (const std::string_view field : {FieldText(card.SIM_ID1_Edit), FieldText(card.SIM_ID2_Edit),
                                         FieldText(card.PUK1_Edit), FieldText(card.PUK2_Edit),
                                         FieldText(card.Number1_Edit), FieldText(card.Number2_Edit)})
        if (field.find(text) != std::string_view::npos) return true;
    return false;
}

}  // namespace

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->SearchEdit) {
        if (event->type() == QEvent::MouseButtonRelease) SearchEditClick();
        // Leaving the box for another control, not the window losing focus to a dialog.
        if (event->type() == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) SearchEditExit();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::SearchEditClick() { ui->SearchEdit->selectAll(); }

void TForm1::SearchEditChange() {
    SearchRow = 0;
    FindNext();
}

void TForm1::SearchEditKeyDown() { FindNext(); }

void TForm1::SpeedButton3Click() { FindNext(); }

void TForm1::SearchEditExit() {
    if (ui->SearchEdit->text().isEmpty()) ui->SearchEdit->setText(QStringLiteral("(Поиск...)"));
}

int TForm1::GridPass(int firstRow, int lastRow, const QString& lowerText) const {
    const std::optional<Win1251Needle> needle = Win1251Needle::From(lowerText);
    for (int row = firstRow; row <= lastRow; ++row)
        if (gridModel_->RowContains(row - 1, lowerText, needle)) return row;
    return 0;
}

int TForm1::SimPass(int firstRow, int lastRow, const std::string& text) const {
    for (int row = firstRow; row <= lastRow; ++row)
        if (SimFieldsContain(database_->cards[row - 1], text)) return row;
    return 0;
}

void TForm1::FindNext() {
    const QString text = ui->SearchEdit->text();
    if (text.isEmpty()) return;  // an empty text is contained nowhere
    const QString lower = text.toLower();
    // A text with a character the cards cannot hold matches no SIM field.
    std::string bytes;
    const bool simSearch = ToWin1251(text, bytes);

    // The anchor row itself is never examined; grid cells anywhere below it win over SIM data.
    const int lastRow = CardDatabase::SlotCount;
    int hit = GridPass(SearchRow + 1, lastRow, lower);
    if (!hit && simSearch) hit = SimPass(SearchRow + 1, lastRow, bytes);
    if (!hit && SearchRow > 1) {
        hit = GridPass(1, SearchRow - 1, lower);
        if (!hit && simSearch) hit = SimPass(1, SearchRow - 1, bytes);
    }
    if (!hit) return;

    SearchRow = hit;
    const QModelIndex index = gridModel_->index(hit - 1, 0);
    ui->SetsGrid->setCurrentIndex(index);
    ui->SetsGrid->scrollTo(index);
    SelectCard(hit);
}

}  // namespace gsmprog
