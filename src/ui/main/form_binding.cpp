// Moving a card into the window's controls and back, and the device edit buffer between them.

#include <QLineEdit>

#include "card_dates.h"
#include "main.h"
#include "typed_numbers.h"
#include "typed_text_validator.h"
#include "ui_main.h"
#include "win1251.h"

namespace gsmprog {

namespace {

template <std::size_t N>
void ShowText(QLineEdit* edit, const char (&field)[N]) {
    TypedTextValidator::ShowValue(edit, FromField(field));
}

// The controls' maximum lengths and validators keep every text storable; a text that is
// still refused leaves the field empty rather than spilling into the next one.
template <std::size_t N>
void ReadText(const QLineEdit* edit, char (&field)[N]) {
    StoreField(edit->text(), field);
}

}  // namespace

void TForm1::ShowCard(int slot) {
    CardRecord fallback = database_->TemplateRecord;
    fallback.VersionCombo = 1;
    const bool inUse = database_->slots[slot].InUse();
    const CardRecord& card = inUse ? database_->slots[slot] : fallback;

    ShowText(ui->Edit1, card.Edit1);
    ShowText(ui->NCardEdit, card.NCardEdit);
    ShowText(ui->FIOEdit, card.FIOEdit);
    ShowText(ui->RemarkEdit, card.RemarkEdit);
    ui->allowUpdateCheck->setChecked(card.UpdateFlags & UpdateAllowFirmware);
    ui->allowParamsUpdate->setChecked(card.UpdateFlags & UpdateAllowParams);

    ShowText(ui->Pin1Edit, card.Pin1Edit);
    ShowText(ui->Pin2Edit, card.Pin2Edit);
    if (!inUse) {
        ui->Pin1Edit->clear();
        ui->Pin2Edit->clear();
    }
    ShowText(ui->Ip1GsmEdit, card.Ip1GsmEdit);
    ShowText(ui->Ip2GsmEdit, card.Ip2GsmEdit);
    ShowText(ui->Port1GsmEdit, card.Port1GsmEdit);
    ShowText(ui->Port2GsmEdit, card.Port2GsmEdit);
    ShowText(ui->APN1Edit, card.APN1Edit);
    ShowText(ui->APN2Edit, card.APN2Edit);
    ShowText(ui->LoginGsm1Edit, card.LoginGsm1Edit);
    ShowText(ui->LoginGsm2Edit, card.LoginGsm2Edit);
    ShowText(ui->PassGsm1Edit, card.PassGsm1Edit);
    ShowText(ui->PassGsm2Edit, card.PassGsm2Edit);
    ShowText(ui->PUK1_Edit, card.PUK1_Edit);
    ShowText(ui->PUK2_Edit, card.PUK2_Edit);
    ShowText(ui->SIM_ID1_Edit, card.SIM_ID1_Edit);
    ShowText(ui->SIM_ID2_Edit, card.SIM_ID2_Edit);
    ShowText(ui->Number1_Edit, card.Number1_Edit);
    ShowText(ui->Number2_Edit, card.Number2_Edit);

    ShowText(ui->ipUpdateEdit, card.ipUpdateEdit);
    ShowText(ui->portUpdateEdit, card.portUpdateEdit);
    ShowText(ui->portParamsEdit, card.portParamsEdit);
    if (ui->ipUpdateEdit->text().isEmpty() || ui->portUpdateEdit->text().isEmpty() ||
        ui->portParamsEdit->text().isEmpty())
        defaultUpdSettingsClick();

    ui->UseSim1->setChecked(true);
    ui->UseSim2->setChecked(true);
    UseSim1Click();
    UseSim2Click();

    const std::uint16_t critical = card.balCritical;
    TypedTextValidator::ShowValue(ui->balCritical, QString::number(critical == 0 ? 10 : critical));
    ShowText(ui->balCodeSim1, card.balCodeSim1);
    ShowText(ui->balCodeSim2, card.balCodeSim2);
    const std::uint16_t balanceFlags = card.BalanceFlags;
    ui->balEnable->setChecked(balanceFlags & BalanceEnable);
    ui->balSendPcnCheck->setChecked(!(balanceFlags & BalanceNoCriticalNotice));
    balEnableClick();

    const std::uint8_t sms = card.SmsFlags;
    ui->sendSMS1Check->setChecked(sms & SmsSendTo1);
    ui->sendSMS2Check->setChecked(sms & SmsSendTo2);
    ShowText(ui->smsObjNameEdit, card.smsObjNameEdit);
    ShowText(ui->smsNumber1Edit, card.smsNumber1Edit);
    ShowText(ui->smsNumber2Edit, card.smsNumber2Edit);
    ui->smsGuardModeCheck->setChecked(sms & SmsGuardMode);
    ui->smsFireCheck->setChecked(sms & SmsFire);
    ui->smsKtcCheck->setChecked(sms & SmsKtc);
    ui->smsAlarmCheck->setChecked(sms & SmsAlarm);
    ui->saveSMSCheck->setChecked(sms & SmsSaveInPhone);
    sendSMS1CheckClick();
    allowUpdateCheckClick();

    ShowUoTab(ui->UooTab->currentIndex());

    // Any other version byte leaves the combo box where it was.
    if (card.VersionCombo <= 1) ui->VersionCombo->setCurrentIndex(card.VersionCombo);
    VersionComboChange();

    RefreshCardRow();
}

void TForm1::ReadCard(CardRecord& record) {
    const double programmed = record.DateProgrammed;
    const std::uint16_t id2 = record.ProgID2;
    record = CardRecord{};
    record.DateProgrammed = programmed;
    record.ProgID2 = id2;

    ReadText(ui->NCardEdit, record.NCardEdit);
    ReadText(ui->Edit1, record.Edit1);
    ReadText(ui->FIOEdit, record.FIOEdit);
    ReadText(ui->RemarkEdit, record.RemarkEdit);
    record.DateChanged = CurrentDays();
    record.UpdateFlags = (ui->allowUpdateCheck->isChecked() ? UpdateAllowFirmware : 0) |
                         (ui->allowParamsUpdate->isChecked() ? UpdateAllowParams : 0);

    ReadText(ui->Pin1Edit, record.Pin1Edit);
    ReadText(ui->Pin2Edit, record.Pin2Edit);
    ReadText(ui->Ip1GsmEdit, record.Ip1GsmEdit);
    ReadText(ui->Ip2GsmEdit, record.Ip2GsmEdit);
    ReadText(ui->Port1GsmEdit, record.Port1GsmEdit);
    ReadText(ui->Port2GsmEdit, record.Port2GsmEdit);
    ReadText(ui->APN1Edit, record.APN1Edit);
    ReadText(ui->APN2Edit, record.APN2Edit);
    ReadText(ui->LoginGsm1Edit, record.LoginGsm1Edit);
    ReadText(ui->LoginGsm2Edit, record.LoginGsm2Edit);
    ReadText(ui->PassGsm1Edit, record.PassGsm1Edit);
    ReadText(ui->PassGsm2Edit, record.PassGsm2Edit);
    ReadText(ui->PUK1_Edit, record.PUK1_Edit);
    ReadText(ui->PUK2_Edit, record.PUK2_Edit);
    ReadText(ui->SIM_ID1_Edit, record.SIM_ID1_Edit);
    ReadText(ui->SIM_ID2_Edit, record.SIM_ID2_Edit);
    ReadText(ui->Number1_Edit, record.Number1_Edit);
    ReadText(ui->Number2_Edit, record.Number2_Edit);
    ReadText(ui->ipUpdateEdit, record.ipUpdateEdit);
    ReadText(ui->portUpdateEdit, record.portUpdateEdit);
    ReadText(ui->portParamsEdit, record.portParamsEdit);

    record.balCritical = static_cast<std::uint16_t>(WholeNumberOr(ui->balCritical->text(), 10));
    ReadText(ui->balCodeSim1, record.balCodeSim1);
    ReadText(ui->balCodeSim2, record.balCodeSim2);
    record.BalanceFlags = (ui->balEnable->isChecked() ? BalanceEnable : 0) |
                          (ui->balSendPcnCheck->isChecked() ? 0 : BalanceNoCriticalNotice);
    // The shown identifier is always the slot's own, so this keeps the stored value.
    record.ProgID1 = static_cast<std::uint16_t>(HexNumberOrZero(ui->ProgID1->text()));

    record.SmsFlags = (ui->sendSMS1Check->isChecked() ? SmsSendTo1 : 0) |
                      (ui->sendSMS2Check->isChecked() ? SmsSendTo2 : 0) |
                      (ui->smsGuardModeCheck->isChecked() ? SmsGuardMode : 0) |
                      (ui->smsFireCheck->isChecked() ? SmsFire : 0) |
                      (ui->smsKtcCheck->isChecked() ? SmsKtc : 0) |
                      (ui->smsAlarmCheck->isChecked() ? SmsAlarm : 0) |
                      (ui->saveSMSCheck->isChecked() ? SmsSaveInPhone : 0);
    ReadText(ui->smsObjNameEdit, record.smsObjNameEdit);
    ReadText(ui->smsNumber1Edit, record.smsNumber1Edit);
    ReadText(ui->smsNumber2Edit, record.smsNumber2Edit);

    StoreUoSlots(record);
    const int version = ui->VersionCombo->currentIndex();
    if (version == 0 || version == 1) record.VersionCombo = static_cast<std::uint8_t>(version);

    database_->TemplateRecord = MakeTemplate(record);
    RefreshCardRow();
}

void TForm1::LoadUoSlots(int slot) {
    const CardRecord& card = database_->slots[slot];
    for (int i = 0; i < UoSlotCount; ++i) {
        UoSlot& entry = UoEditBuffer[i];
        entry.code = card.UoCode[i];
        entry.lineAddress = card.UoLineAddress[i];
        entry.type = card.UoType[i];
        entry.guardLoops = card.UoGuardCords[i];
        entry.fireLoops = card.UoFireCords[i];
        entry.modes = card.UoModes[i];
        entry.spare = card.UoSpare[i];
    }
}

void TForm1::StoreUoSlots(CardRecord& record) const {
    for (int i = 0; i < UoSlotCount; ++i) {
        const UoSlot& entry = UoEditBuffer[i];
        if (!entry.Connected()) {
            // A device that is not connected keeps no settings, whatever the hidden controls held.
            record.UoCode[i] = 0;
            record.UoLineAddress[i] = 0;
            record.UoType[i] = 0;
            record.UoGuardCords[i] = 0;
            record.UoFireCords[i] = 0;
            record.UoModes[i] = 0;
            record.UoSpare[i] = 0;
            continue;
        }
        record.UoCode[i] = entry.code;
        record.UoLineAddress[i] = entry.lineAddress;
        record.UoType[i] = entry.type;
        record.UoGuardCords[i] = entry.guardLoops;
        record.UoFireCords[i] = entry.fireLoops;
        record.UoModes[i] = entry.modes;
    }
}

void TForm1::ShowUoTab(int tab) {
    const UoSlot entry = UoEditBuffer[tab];
    for (int loop = 0; loop < 6; ++loop) {
        const std::uint8_t bit = 1u << loop;
        Cord(loop)->setCurrentIndex((entry.guardLoops & bit) ? 1 : (entry.fireLoops & bit) ? 2 : 0);
    }
    ui->uoIndicCheck->setChecked(entry.modes & UoModeIndicatorBlink);
    ui->uoBatteryCheck->setChecked(entry.modes & UoModeNoBatteryCheck);
    ui->fireWoGuard->setChecked(entry.modes & UoModeFireWithoutGuard);
    ui->uoTypeCombo->setCurrentIndex(entry.type);
    TypedTextValidator::ShowValue(ui->CodeUoo, QString::number(entry.code));
    TypedTextValidator::ShowValue(ui->numLine, QString::number(entry.lineAddress));
    uoTypeComboChange();
}

}  // namespace gsmprog
