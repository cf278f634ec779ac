// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's ties to the operations journal: the journal window, the selected card's
// history line, and the place the cable check looks in.

#include "ui/journal/journal_window.h"
#include "ui/main/main.h"
#include "ui_main.h"

namespace gsmprog {

void TForm1::journalBtnClick() {
    if (!journalWindow_) {
        journalWindow_ = std::make_unique<JournalWindow>(dialogs_, database_->Directory());
        ShowCardHistory();
    }
    journalWindow_->show();
    journalWindow_->raise();
    journalWindow_->activateWindow();
}

void TForm1::OperationJournalled() {
    if (journalWindow_) journalWindow_->Reload();
    ShowCardHistory();
}

void TForm1::SetCablePlaces(CheckPlaces places) { operations_->UseCablePlaces(std::move(places)); }

void TForm1::ShowCardHistory() {
    const int slot = database_->SelectedIndex;
    const bool inUse =
        slot >= 0 && slot < CardDatabase::SlotCount && database_->cards[std::size_t(slot)].InUse();
    const CardRecord card = inUse ? database_->cards[std::size_t(slot)] : CardRecord{};
    if (journalWindow_) journalWindow_->SetSelectedCard(inUse ? slot : -1, card);
    ui->cardHistoryLabel->setText(
        inUse ? QString::fromStdString(operations_->History().HistoryText(slot, card)) : QString());
}

}  // namespace gsmprog
