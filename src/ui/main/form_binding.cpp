// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Moving a card into the window's controls and back, and the device edit buffer between them.

#include <QLineEdit>
#include <span>

#include "cards/card_dates.h"
#include "ui/main/card_editor.h"
#include "ui/main/main.h"
#include "ui/main/typed_numbers.h"
#include "ui/main/typed_text_validator.h"
#include "ui_main.h"
#include "text/win1251.h"

namespace gsmprog {

namespace {

// A text edit of the card form and the record's field it shows and stores.
struct TextBinding {
    QLineEdit* Ui::TForm1::*edit;
    std::span<char> (*field)(CardRecord&);
};

template <auto Member>
std::span<char> FieldOf(CardRecord& card) {
    return card.*Member;
}

// Every text of the card that the form edits: ShowCard and ReadCard both walk this one list,
// so a new field is bound in one place.
const TextBinding TextBindings[] = {
    {&Ui::TForm1::NCardEdit, FieldOf<&CardRecord::NCardEdit>},
    {&Ui::TForm1::Edit1, FieldOf<&CardRecord::Edit1>},
    {&Ui::TForm1::FIOEdit, FieldOf<&CardRecord::FIOEdit>},
    {&Ui::TForm1::RemarkEdit, FieldOf<&CardRecord::RemarkEdit>},
    {&Ui::TForm1::Pin1Edit, FieldOf<&CardRecord::Pin1Edit>},
    {&Ui::TForm1::Pin2Edit, FieldOf<&CardRecord::Pin2Edit>},
    {&Ui::TForm1::Ip1GsmEdit, FieldOf<&CardRecord::Ip1GsmEdit>},
    {&Ui::TForm1::Ip2GsmEdit, FieldOf<&CardRecord::Ip2GsmEdit>},
    {&Ui::TForm1::Port1GsmEdit, FieldOf<&CardRecord::Port1GsmEdit>},
    {&Ui::TForm1::Port2GsmEdit, FieldOf<&CardRecord::Port2GsmEdit>},
    {&Ui::TForm1::APN1Edit, FieldOf<&CardRecord::APN1Edit>},
    {&Ui::TForm1::APN2Edit, FieldOf<&CardRecord::APN2Edit>},
    {&Ui::TForm1::LoginGsm1Edit, FieldOf<&CardRecord::LoginGsm1Edit>},
    {&Ui::TForm1::LoginGsm2Edit, FieldOf<&CardRecord::LoginGsm2Edit>},
    {&Ui::TForm1::PassGsm1Edit, FieldOf<&CardRecord::PassGsm1Edit>},
    {&Ui::TForm1::PassGsm2Edit, FieldOf<&CardRecord::PassGsm2Edit>},
    {&Ui::TForm1::PUK1_Edit, FieldOf<&CardRecord::PUK1_Edit>},
    {&Ui::TForm1::PUK2_Edit, FieldOf<&CardRecord::PUK2_Edit>},
    {&Ui::TForm1::SIM_ID1_Edit, FieldOf<&CardRecord::SIM_ID1_Edit>},
    {&Ui::TForm1::SIM_ID2_Edit, FieldOf<&CardRecord::SIM_ID2_Edit>},
    {&Ui::TForm1::Number1_Edit, FieldOf<&CardRecord::Number1_Edit>},
    {&Ui::TForm1::Number2_Edit, FieldOf<&CardRecord::Number2_Edit>},
    {&Ui::TForm1::ipUpdateEdit, FieldOf<&CardRecord::ipUpdateEdit>},
    {&Ui::TForm1::portUpdateEdit, FieldOf<&CardRecord::portUpdateEdit>},
    {&Ui::TForm1::portParamsEdit, FieldOf<&CardRecord::portParamsEdit>},
    {&Ui::TForm1::balCodeSim1, FieldOf<&CardRecord::balCodeSim1>},
    {&Ui::TForm1::balCodeSim2, FieldOf<&CardRecord::balCodeSim2>},
    {&Ui::TForm1::smsObjNameEdit, FieldOf<&CardRecord::smsObjNameEdit>},
    {&Ui::TForm1::smsNumber1Edit, FieldOf<&CardRecord::smsNumber1Edit>},
    {&Ui::TForm1::smsNumber2Edit, FieldOf<&CardRecord::smsNumber2Edit>},
};

}  // namespace

void CardEditor::ShowCard(int slot) {
    CardRecord fallback = database_.TemplateRecord;
    fallback.VersionCombo = 1;
    const bool inUse = database_.cards[slot].InUse();
    ShowRecord(inUse ? database_.cards[slot] : fallback, inUse);
    window_.RefreshCardRow();
}

void CardEditor::ShowRecord(const CardRecord& card, bool inUse) {
    CardRecord shown = card;
    for (const TextBinding& binding : TextBindings) {
        const std::span<char> field = binding.field(shown);
        TypedTextValidator::ShowValue(ui_.*binding.edit, FromWin1251(field.data(), field.size()));
    }
    ui_.allowUpdateCheck->setChecked(card.UpdateFlags & UpdateAllowFirmware);
    ui_.allowParamsUpdate->setChecked(card.UpdateFlags & UpdateAllowParams);

    if (!inUse) {  // a new card takes no PINs from the template
        ui_.Pin1Edit->clear();
        ui_.Pin2Edit->clear();
    }
    if (ui_.ipUpdateEdit->text().isEmpty() || ui_.portUpdateEdit->text().isEmpty() ||
        ui_.portParamsEdit->text().isEmpty())
        defaultUpdSettingsClick();

    ui_.UseSim1->setChecked(true);
    ui_.UseSim2->setChecked(true);
    UseSim1Click();
    UseSim2Click();

    const std::uint16_t critical = card.balCritical;
    TypedTextValidator::ShowValue(ui_.balCritical, QString::number(critical == 0 ? 10 : critical));
    const std::uint16_t balanceFlags = card.BalanceFlags;
    ui_.balEnable->setChecked(balanceFlags & BalanceEnable);
    ui_.balSendPcnCheck->setChecked(!(balanceFlags & BalanceNoCriticalNotice));
    balEnableClick();

    const std::uint8_t sms = card.SmsFlags;
    ui_.sendSMS1Check->setChecked(sms & SmsSendTo1);
    ui_.sendSMS2Check->setChecked(sms & SmsSendTo2);
    ui_.smsGuardModeCheck->setChecked(sms & SmsGuardMode);
    ui_.smsFireCheck->setChecked(sms & SmsFire);
    ui_.smsKtcCheck->setChecked(sms & SmsKtc);
    ui_.smsAlarmCheck->setChecked(sms & SmsAlarm);
    ui_.saveSMSCheck->setChecked(sms & SmsSaveInPhone);
    sendSMS1CheckClick();
    allowUpdateCheckClick();

    ShowUoTab(ui_.UooTab->currentIndex());

    // Any other version byte leaves the combo box where it was.
    if (card.VersionCombo <= 1) ui_.VersionCombo->setCurrentIndex(card.VersionCombo);
    VersionComboChange();
    UpdateChangesButton();
}

void CardEditor::ReadCard(CardRecord& record) {
    const double programmed = record.DateProgrammed;
    const std::uint16_t id2 = record.ProgID2;
    record = CardRecord{};
    record.DateProgrammed = programmed;
    record.ProgID2 = id2;

    for (const TextBinding& binding : TextBindings) {
        // The maximum lengths and validators keep every text storable; a text that is still
        // refused leaves the field empty rather than spilling into the next one.
        const std::span<char> field = binding.field(record);
        StoreWin1251((ui_.*binding.edit)->text(), field.data(), field.size());
    }
    record.DateChanged = CurrentDays();
    record.UpdateFlags = (ui_.allowUpdateCheck->isChecked() ? UpdateAllowFirmware : 0) |
                         (ui_.allowParamsUpdate->isChecked() ? UpdateAllowParams : 0);

    record.balCritical = static_cast<std::uint16_t>(WholeNumberOr(ui_.balCritical->text(), 10));
    record.BalanceFlags = (ui_.balEnable->isChecked() ? BalanceEnable : 0) |
                          (ui_.balSendPcnCheck->isChecked() ? 0 : BalanceNoCriticalNotice);
    // The shown identifier is always the slot's own, so this keeps the stored value.
    record.ProgID1 = static_cast<std::uint16_t>(HexNumberOrZero(ui_.ProgID1->text()));

    record.SmsFlags = (ui_.sendSMS1Check->isChecked() ? SmsSendTo1 : 0) |
                      (ui_.sendSMS2Check->isChecked() ? SmsSendTo2 : 0) |
                      (ui_.smsGuardModeCheck->isChecked() ? SmsGuardMode : 0) |
                      (ui_.smsFireCheck->isChecked() ? SmsFire : 0) |
                      (ui_.smsKtcCheck->isChecked() ? SmsKtc : 0) |
                      (ui_.smsAlarmCheck->isChecked() ? SmsAlarm : 0) |
                      (ui_.saveSMSCheck->isChecked() ? SmsSaveInPhone : 0);

    StoreUoSlots(record);
    const int version = ui_.VersionCombo->currentIndex();
    if (version == 0 || version == 1) record.VersionCombo = static_cast<std::uint8_t>(version);

    database_.TemplateRecord = MakeTemplate(record);
    window_.RefreshCardRow();
}

void CardEditor::LoadUoSlots(int slot) { LoadUoSlots(database_.cards[slot]); }

void CardEditor::LoadUoSlots(const CardRecord& card) {
    for (int i = 0; i < UoSlotCount; ++i) {
        UoSlot& entry = uoEditBuffer_[i];
        entry.code = card.UoCode[i];
        entry.lineAddress = card.UoLineAddress[i];
        entry.type = card.UoType[i];
        entry.guardLoops = card.UoGuardCords[i];
        entry.fireLoops = card.UoFireCords[i];
        entry.modes = card.UoModes[i];
        entry.spare = card.UoSpare[i];
    }
}

void CardEditor::StoreUoSlots(CardRecord& record) const {
    for (int i = 0; i < UoSlotCount; ++i) {
        const UoSlot& entry = uoEditBuffer_[i];
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

void CardEditor::ShowUoTab(int tab) {
    const UoSlot entry = uoEditBuffer_[tab];
    for (int loop = 0; loop < 6; ++loop) {
        const std::uint8_t bit = 1u << loop;
        Cord(loop)->setCurrentIndex((entry.guardLoops & bit) ? 1 : (entry.fireLoops & bit) ? 2 : 0);
    }
    ui_.uoIndicCheck->setChecked(entry.modes & UoModeIndicatorBlink);
    ui_.uoBatteryCheck->setChecked(entry.modes & UoModeNoBatteryCheck);
    ui_.fireWoGuard->setChecked(entry.modes & UoModeFireWithoutGuard);
    ui_.uoTypeCombo->setCurrentIndex(entry.type);
    TypedTextValidator::ShowValue(ui_.CodeUoo, QString::number(entry.code));
    TypedTextValidator::ShowValue(ui_.numLine, QString::number(entry.lineAddress));
    uoTypeComboChange();
}

}  // namespace gsmprog
