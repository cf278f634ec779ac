// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The handlers of the main window's controls, under their own names: each hands the event to
// the part of the window it concerns.

#include "ui/main/main.h"

namespace gsmprog {

void TForm1::ReadCard(CardRecord& record) { editor_->ReadCard(record); }
void TForm1::SetEditMode(bool on) { editor_->SetEditMode(on); }

void TForm1::VersionComboChange() { editor_->VersionComboChange(); }
void TForm1::balEnableClick() { editor_->balEnableClick(); }
void TForm1::sendSMS1CheckClick() { editor_->sendSMS1CheckClick(); }
void TForm1::allowUpdateCheckClick() { editor_->allowUpdateCheckClick(); }
void TForm1::defaultUpdSettingsClick() { editor_->defaultUpdSettingsClick(); }
void TForm1::UseSim1Click() { editor_->UseSim1Click(); }
void TForm1::UseSim2Click() { editor_->UseSim2Click(); }
void TForm1::uoTypeComboChange() { editor_->uoTypeComboChange(); }
void TForm1::UooTabChange() { editor_->UooTabChange(); }
void TForm1::CodeUooChange() { editor_->CodeUooChange(); }
void TForm1::numLineChange() { editor_->numLineChange(); }
void TForm1::CordChange(int loop) { editor_->CordChange(loop); }
void TForm1::uoIndicCheckClick() { editor_->uoIndicCheckClick(); }
void TForm1::uoBatteryCheckClick() { editor_->uoBatteryCheckClick(); }
void TForm1::fireWoGuardClick() { editor_->fireWoGuardClick(); }

// An edit that ended shows the card's history again in place of a new card's hint.
void TForm1::BitBtn1Click() {
    editor_->ToggleEditing();
    if (!EditMode) ShowCardHistory();
}
void TForm1::BitBtn2Click() {
    editor_->SaveCard();
    if (!EditMode) ShowCardHistory();
}
void TForm1::BitBtn3Click() {
    editor_->DeleteCard();
    if (!EditMode) ShowCardHistory();
}
bool TForm1::FormCloseQuery() { return editor_->MayClose(); }

void TForm1::SearchEditClick() { search_->SearchEditClick(); }
void TForm1::SearchEditChange() { search_->SearchEditChange(); }
void TForm1::SearchEditKeyDown() { search_->FindNext(); }
void TForm1::SpeedButton3Click() { search_->FindNext(); }
void TForm1::SearchEditExit() { search_->SearchEditExit(); }

void TForm1::ProgBtnClick() { operations_->ProgBtnClick(); }
void TForm1::SpeedButton1Click() { operations_->SpeedButton1Click(); }
void TForm1::ProgUoBtnClick() { operations_->ProgUoBtnClick(); }
void TForm1::Timer1Timer() { operations_->Timer1Timer(); }
void TForm1::FormDestroy() { operations_->FormDestroy(); }
bool TForm1::WorkersAlive() const { return operations_->WorkersAlive(); }

}  // namespace gsmprog
