// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Edit mode: entering and cancelling it, saving and deleting the shown card, and the question
// when the window closes during an edit.

#include "ui/main/card_editor.h"

#include <QComboBox>

#include "cards/card_database.h"
#include "ui/main/main.h"
#include "ui/main/typed_numbers.h"
#include "ui/main/user_dialogs.h"
#include "ui_main.h"

namespace gsmprog {

namespace {
const QString Attention = QStringLiteral("Внимание");
}

CardEditor::CardEditor(TForm1& window, Ui::TForm1& ui, CardDatabase& database, UserDialogs& dialogs)
    : window_(window), ui_(ui), database_(database), dialogs_(dialogs) {}

QComboBox* CardEditor::Cord(int loop) const {
    QComboBox* const cords[6] = {ui_.Cord1, ui_.Cord2, ui_.Cord3, ui_.Cord4, ui_.Cord5, ui_.Cord6};
    return cords[loop];
}

void CardEditor::ToggleEditing() {
    if (!editMode_) {
        editMode_ = true;
        SetEditMode(true);
        return;
    }
    if (!dialogs_.AskYesNoDefaultNo(
            &window_, Attention,
            QStringLiteral("Все изменения будут утеряны. Отменить редактирование?")))
        return;
    // The stored card comes back on every device tab, too.
    const int slot = database_.SelectedIndex;
    LoadUoSlots(slot);
    ShowCard(slot);
    EndEditing();
}

void CardEditor::SaveCard() {
    if (!ValidateCard()) return;
    ReadCard(database_.cards[database_.SelectedIndex]);
    EndEditing();
    databaseChanged_ = true;
    window_.SaveDatabase();
    ui_.SetsGrid->setFocus();  // back to the list, where the next card is chosen
}

void CardEditor::EditUnsavedCard(const CardRecord& card) {
    LoadUoSlots(card);
    ui_.UooTab->setCurrentIndex(0);
    ShowRecord(card, true);
    // The identifier the modem holds: saved with the card, it tells the modem is up to date.
    ui_.ProgID1->setText(ProgIdText(card.ProgID1));
    editMode_ = true;
    SetEditMode(true);
    ui_.NCardEdit->setFocus();
}

void CardEditor::UpdateChangesButton() {
    ui_.ChangesBtn->setEnabled(!editMode_ && database_.cards[database_.SelectedIndex].InUse());
}

void CardEditor::DeleteCard() {
    if (!dialogs_.AskYesNoDefaultNo(&window_, Attention,
                                    QStringLiteral("Вы точно хотите удалить запись безвозвратно?")))
        return;
    const int slot = database_.SelectedIndex;
    database_.cards[slot] = CardRecord{};
    LoadUoSlots(slot);
    ShowCard(slot);
    EndEditing();
    window_.SaveDatabase();
    ui_.SetsGrid->setFocus();
}

bool CardEditor::MayClose() {
    if (!editMode_) return true;
    return dialogs_.AskYesNo(
        &window_, Attention,
        QStringLiteral(
            "Включен режим редактирования. Хотите выйти из программы без сохранения текущей записи?"));
}

void CardEditor::EndEditing() {
    editMode_ = false;
    SetEditMode(false);
}

void CardEditor::SetCardControlsEnabled(bool on) {
    // Outside edit mode the card is there to be read: its disabled fields keep the text
    // colour (the style's grey on grey is barely legible) and only their background tells
    // them from edit mode. In edit mode a field the option rules disable is grey as usual.
    QPalette readable;
    if (!on) {
        readable = window_.palette();
        for (QPalette::ColorRole role :
             {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            readable.setColor(QPalette::Disabled, role, readable.color(QPalette::Active, role));
    }
    // The card's group is disabled piece by piece: the device tab row stays usable in viewing.
    for (QWidget* child : ui_.GroupBox1->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child != ui_.GroupBox8) {
            child->setEnabled(on);
            child->setPalette(readable);
        }
    for (QWidget* part : {ui_.uoSettingsPanel, ui_.MainGSM_Sheet, ui_.Add_GSM_Sheet,
                          ui_.BalanceSheet, ui_.SMS_Sheet, ui_.UpdateSheet}) {
        part->setEnabled(on);
        part->setPalette(readable);
    }
}

void CardEditor::SetEditMode(bool on) {
    SetCardControlsEnabled(on);
    ui_.BitBtn2->setEnabled(on);
    ui_.BitBtn3->setEnabled(on);
    for (QWidget* control :
         {static_cast<QWidget*>(ui_.ProgBtn), static_cast<QWidget*>(ui_.SpeedButton1),
          static_cast<QWidget*>(ui_.ProgUoBtn), static_cast<QWidget*>(ui_.SetsGrid),
          static_cast<QWidget*>(ui_.SearchEdit), static_cast<QWidget*>(ui_.SpeedButton3),
          static_cast<QWidget*>(ui_.folderBtn)})
        control->setEnabled(!on);
    ui_.BitBtn1->setText(on ? QStringLiteral("Отменить редактирование")
                            : QStringLiteral("Включить редактирование"));
    UpdateChangesButton();
    window_.KeepReadOnly();
}

}  // namespace gsmprog
