// The dependencies between the window's options: what a switch enables, what a device type
// shows, and the device controls writing the buffer entry of the selected tab while editing.

#include "ui/main/main.h"
#include "ui/main/typed_numbers.h"
#include "ui_main.h"

namespace gsmprog {

namespace {
enum UoType { NotConnected = 0, Uoo1, Uoo3, Uoo6 };
}

void TForm1::VersionComboChange() {
    const int balancePage = ui->PageControl1->indexOf(ui->BalanceSheet);
    ui->PageControl1->setTabVisible(balancePage, ui->VersionCombo->currentIndex() >= 1);
}

void TForm1::balEnableClick() {
    const bool on = ui->balEnable->isChecked();
    for (QWidget* control : {static_cast<QWidget*>(ui->balCritical), static_cast<QWidget*>(ui->balCodeSim1),
                             static_cast<QWidget*>(ui->balCodeSim2), static_cast<QWidget*>(ui->balSendPcnCheck)})
        control->setEnabled(on);
}

void TForm1::sendSMS1CheckClick() {
    const bool first = ui->sendSMS1Check->isChecked();
    const bool second = ui->sendSMS2Check->isChecked();
    ui->smsNumber1Edit->setEnabled(first);
    ui->smsNumber2Edit->setEnabled(second);
    for (QWidget* control : {ui->smsGuardModeCheck, ui->smsAlarmCheck, ui->smsFireCheck,
                             ui->smsKtcCheck, ui->saveSMSCheck})
        control->setEnabled(first || second);
    ui->smsObjNameEdit->setEnabled(true);
}

void TForm1::allowUpdateCheckClick() {
    const bool on = ui->allowUpdateCheck->isChecked();
    ui->ipUpdateEdit->setEnabled(on);
    ui->portUpdateEdit->setEnabled(on);
    ui->portParamsEdit->setEnabled(true);
}

void TForm1::defaultUpdSettingsClick() {
    ui->ipUpdateEdit->setText(QLatin1String(DefaultUpdateHost));
    ui->portUpdateEdit->setText(QLatin1String(DefaultUpdatePort));
    ui->portParamsEdit->setText(QLatin1String(DefaultParamsPort));
}

void TForm1::SetUseSimRule(int sim, bool on) {
    QWidget* const first[] = {ui->Pin1Edit, ui->Ip1GsmEdit, ui->Port1GsmEdit,
                              ui->APN1Edit, ui->LoginGsm1Edit, ui->PassGsm1Edit};
    QWidget* const second[] = {ui->Pin2Edit, ui->Ip2GsmEdit, ui->Port2GsmEdit,
                               ui->APN2Edit, ui->LoginGsm2Edit, ui->PassGsm2Edit};
    for (QWidget* control : sim == 1 ? first : second) control->setEnabled(on);
}

void TForm1::UseSim1Click() { SetUseSimRule(1, ui->UseSim1->isChecked()); }
void TForm1::UseSim2Click() { SetUseSimRule(2, ui->UseSim2->isChecked()); }

void TForm1::uoTypeComboChange() {
    const int type = ui->uoTypeCombo->currentIndex();
    // A stored type the list does not know shows no item; it is kept, not replaced by "none".
    if (EditMode && type >= 0) CurrentUoSlot().type = static_cast<std::uint8_t>(type);

    const bool withLoops = type == Uoo3 || type == Uoo6;
    const bool connected = type != NotConnected;
    ui->uoProgHintLabel->setVisible(type == Uoo1);
    ui->uoCordsGroup->setVisible(withLoops);
    ui->uoModeGroup->setVisible(withLoops);
    for (QWidget* control : {static_cast<QWidget*>(ui->numLine), static_cast<QWidget*>(ui->uoNumLineLabel),
                             static_cast<QWidget*>(ui->CodeUoo), static_cast<QWidget*>(ui->codeUoLabel)})
        control->setVisible(connected);
    ui->ProgUoBtn->setVisible(withLoops);
    for (QWidget* control : {static_cast<QWidget*>(ui->Cord4), static_cast<QWidget*>(ui->Cord5),
                             static_cast<QWidget*>(ui->Cord6), static_cast<QWidget*>(ui->CordLabel4),
                             static_cast<QWidget*>(ui->CordLabel5), static_cast<QWidget*>(ui->CordLabel6)})
        control->setVisible(type == Uoo6);
    ui->fireWoGuard->setVisible(type == Uoo6);
}

void TForm1::UooTabChange() { ShowUoTab(ui->UooTab->currentIndex()); }

UoSlot& TForm1::CurrentUoSlot() { return UoEditBuffer[ui->UooTab->currentIndex()]; }

void TForm1::CodeUooChange() {
    if (EditMode) CurrentUoSlot().code = static_cast<std::uint32_t>(WholeNumberOr(ui->CodeUoo->text(), 0));
}

void TForm1::numLineChange() {
    if (EditMode)
        CurrentUoSlot().lineAddress = static_cast<std::uint8_t>(WholeNumberOr(ui->numLine->text(), 0) & 0xFF);
}

void TForm1::CordChange(int loop) {
    if (!EditMode) return;
    UoSlot& entry = CurrentUoSlot();
    const std::uint8_t bit = 1u << loop;
    entry.guardLoops &= ~bit;
    entry.fireLoops &= ~bit;
    const int item = Cord(loop)->currentIndex();
    if (item == 1) entry.guardLoops |= bit;
    if (item == 2) entry.fireLoops |= bit;
}

void TForm1::WriteModeBit(std::uint8_t bit, bool on) {
    if (!EditMode) return;
    UoSlot& entry = CurrentUoSlot();
    entry.modes = on ? (entry.modes | bit) : (entry.modes & ~bit);
}

void TForm1::uoIndicCheckClick() { WriteModeBit(UoModeIndicatorBlink, ui->uoIndicCheck->isChecked()); }
void TForm1::uoBatteryCheckClick() { WriteModeBit(UoModeNoBatteryCheck, ui->uoBatteryCheck->isChecked()); }
void TForm1::fireWoGuardClick() { WriteModeBit(UoModeFireWithoutGuard, ui->fireWoGuard->isChecked()); }

}  // namespace gsmprog
