// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The dependencies between the window's options: what a switch enables, what a device type
// shows, and the device controls writing the buffer entry of the selected tab while editing.

#include "ui/main/card_editor.h"
#include "ui/main/main.h"
#include "ui/main/typed_numbers.h"
#include "ui_main.h"

namespace gsmprog {

namespace {
enum UoType { NotConnected = 0, Uoo1, Uoo3, Uoo6 };
}

void CardEditor::VersionComboChange() {
    const int balancePage = ui_.PageControl1->indexOf(ui_.BalanceSheet);
    ui_.PageControl1->setTabVisible(balancePage, ui_.VersionCombo->currentIndex() >= 1);
}

void CardEditor::balEnableClick() {
    const bool on = ui_.balEnable->isChecked();
    for (QWidget* control :
         {static_cast<QWidget*>(ui_.balCritical), static_cast<QWidget*>(ui_.balCodeSim1),
          static_cast<QWidget*>(ui_.balCodeSim2), static_cast<QWidget*>(ui_.balSendPcnCheck)})
        control->setEnabled(on);
}

void CardEditor::sendSMS1CheckClick() {
    const bool first = ui_.sendSMS1Check->isChecked();
    const bool second = ui_.sendSMS2Check->isChecked();
    ui_.smsNumber1Edit->setEnabled(first);
    ui_.smsNumber2Edit->setEnabled(second);
    for (QWidget* control : {ui_.smsGuardModeCheck, ui_.smsAlarmCheck, ui_.smsFireCheck,
                             ui_.smsKtcCheck, ui_.saveSMSCheck})
        control->setEnabled(first || second);
    ui_.smsObjNameEdit->setEnabled(true);
}

void CardEditor::allowUpdateCheckClick() {
    const bool on = ui_.allowUpdateCheck->isChecked();
    ui_.ipUpdateEdit->setEnabled(on);
    ui_.portUpdateEdit->setEnabled(on);
    ui_.portParamsEdit->setEnabled(true);
}

void CardEditor::defaultUpdSettingsClick() {
    ui_.ipUpdateEdit->setText(QLatin1String(TForm1::DefaultUpdateHost));
    ui_.portUpdateEdit->setText(QLatin1String(TForm1::DefaultUpdatePort));
    ui_.portParamsEdit->setText(QLatin1String(TForm1::DefaultParamsPort));
}

void CardEditor::SetUseSimRule(int sim, bool on) {
    QWidget* const first[] = {ui_.Pin1Edit, ui_.Ip1GsmEdit,    ui_.Port1GsmEdit,
                              ui_.APN1Edit, ui_.LoginGsm1Edit, ui_.PassGsm1Edit};
    QWidget* const second[] = {ui_.Pin2Edit, ui_.Ip2GsmEdit,    ui_.Port2GsmEdit,
                               ui_.APN2Edit, ui_.LoginGsm2Edit, ui_.PassGsm2Edit};
    for (QWidget* control : sim == 1 ? first : second) control->setEnabled(on);
}

void CardEditor::UseSim1Click() { SetUseSimRule(1, ui_.UseSim1->isChecked()); }
void CardEditor::UseSim2Click() { SetUseSimRule(2, ui_.UseSim2->isChecked()); }

void CardEditor::uoTypeComboChange() {
    const int type = ui_.uoTypeCombo->currentIndex();
    // A stored type the list does not know shows no item; it is kept, not replaced by "none".
    if (editMode_ && type >= 0) CurrentUoSlot().type = static_cast<std::uint8_t>(type);

    const bool withLoops = type == Uoo3 || type == Uoo6;
    const bool connected = type != NotConnected;
    ui_.uoProgHintLabel->setVisible(type == Uoo1);
    ui_.uoCordsGroup->setVisible(withLoops);
    ui_.uoModeGroup->setVisible(withLoops);
    for (QWidget* control :
         {static_cast<QWidget*>(ui_.numLine), static_cast<QWidget*>(ui_.uoNumLineLabel),
          static_cast<QWidget*>(ui_.CodeUoo), static_cast<QWidget*>(ui_.codeUoLabel)})
        control->setVisible(connected);
    ui_.ProgUoBtn->setVisible(withLoops);
    for (QWidget* control :
         {static_cast<QWidget*>(ui_.Cord4), static_cast<QWidget*>(ui_.Cord5),
          static_cast<QWidget*>(ui_.Cord6), static_cast<QWidget*>(ui_.CordLabel4),
          static_cast<QWidget*>(ui_.CordLabel5), static_cast<QWidget*>(ui_.CordLabel6)})
        control->setVisible(type == Uoo6);
    ui_.fireWoGuard->setVisible(type == Uoo6);
}

void CardEditor::UooTabChange() { ShowUoTab(ui_.UooTab->currentIndex()); }

UoSlot& CardEditor::CurrentUoSlot() { return uoEditBuffer_[ui_.UooTab->currentIndex()]; }

void CardEditor::CodeUooChange() {
    if (editMode_)
        CurrentUoSlot().code = static_cast<std::uint32_t>(WholeNumberOr(ui_.CodeUoo->text(), 0));
}

void CardEditor::numLineChange() {
    if (editMode_)
        CurrentUoSlot().lineAddress =
            static_cast<std::uint8_t>(WholeNumberOr(ui_.numLine->text(), 0) & 0xFF);
}

void CardEditor::CordChange(int loop) {
    if (!editMode_) return;
    UoSlot& entry = CurrentUoSlot();
    const std::uint8_t bit = 1u << loop;
    entry.guardLoops &= ~bit;
    entry.fireLoops &= ~bit;
    const int item = Cord(loop)->currentIndex();
    if (item == 1) entry.guardLoops |= bit;
    if (item == 2) entry.fireLoops |= bit;
}

void CardEditor::WriteModeBit(std::uint8_t bit, bool on) {
    if (!editMode_) return;
    UoSlot& entry = CurrentUoSlot();
    entry.modes = on ? (entry.modes | bit) : (entry.modes & ~bit);
}

void CardEditor::uoIndicCheckClick() {
    WriteModeBit(UoModeIndicatorBlink, ui_.uoIndicCheck->isChecked());
}
void CardEditor::uoBatteryCheckClick() {
    WriteModeBit(UoModeNoBatteryCheck, ui_.uoBatteryCheck->isChecked());
}
void CardEditor::fireWoGuardClick() {
    WriteModeBit(UoModeFireWithoutGuard, ui_.fireWoGuard->isChecked());
}

}  // namespace gsmprog
