// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The shown card and its edit mode: moving a card into the window's controls and back
// (with the device edit buffer between them), the option rules that enable and show the
// controls, the checks before a save, and entering, cancelling, saving and deleting.

#include <QString>
#include <cstdint>

#include "cards/card_record.h"
#include "ui/main/uo_slot.h"

namespace Ui {
class TForm1;
}
class QComboBox;
class QWidget;

namespace gsmprog {

class CardDatabase;
class TForm1;
class UserDialogs;

class CardEditor {
public:
    CardEditor(TForm1& window, Ui::TForm1& ui, CardDatabase& database, UserDialogs& dialogs);

    const bool& EditMode() const { return editMode_; }
    // A card was saved from the editor in this run: the window's end writes the file again.
    const bool& DatabaseChanged() const { return databaseChanged_; }
    const UoSlots& UoEditBuffer() const { return uoEditBuffer_; }

    // Binding.
    void ShowCard(int slot);
    void ReadCard(CardRecord& record);
    void LoadUoSlots(int slot);
    void LoadUoSlots(const CardRecord& card);
    void ShowUoTab(int tab);
    void StoreUoSlots(CardRecord& record) const;

    // Edit mode: its controls, and leaving it without a question.
    void SetEditMode(bool on);
    void EndEditing();
    void SetCardControlsEnabled(bool on);

    // "Включить/Отменить редактирование", "Сохранить изменения", "Удалить запись".
    void ToggleEditing();
    void SaveCard();
    // A card that is not in the database yet (settings read from a modem) shown for editing in
    // the selected empty row, its card number to be typed first; only a save stores it.
    void EditUnsavedCard(const CardRecord& card);
    void DeleteCard();
    // The question at close while editing; true when the window may close.
    bool MayClose();
    // The checks before a save; the first that fails is shown and the save stops.
    bool ValidateCard();

    // Option rules.
    void VersionComboChange();
    void balEnableClick();
    void sendSMS1CheckClick();
    void allowUpdateCheckClick();
    void defaultUpdSettingsClick();
    void UseSim1Click();
    void UseSim2Click();
    void uoTypeComboChange();
    void UooTabChange();

    // Device controls writing the entry of the selected tab while editing.
    void CodeUooChange();
    void numLineChange();
    void CordChange(int loop);
    void uoIndicCheckClick();
    void uoBatteryCheckClick();
    void fireWoGuardClick();
    QComboBox* Cord(int loop) const;

private:
    // The controls show `card`; `inUse` false: a new card (the template without its PINs).
    void ShowRecord(const CardRecord& card, bool inUse);
    // "Что изменено после программирования" serves a stored card outside edit mode.
    void UpdateChangesButton();
    void SetUseSimRule(int sim, bool on);
    void WriteModeBit(std::uint8_t bit, bool on);
    UoSlot& CurrentUoSlot();
    QString ValidationFailure() const;

    TForm1& window_;
    Ui::TForm1& ui_;
    CardDatabase& database_;
    UserDialogs& dialogs_;
    bool editMode_ = false;
    bool databaseChanged_ = false;
    UoSlots uoEditBuffer_{};
};

}  // namespace gsmprog
