// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/read_frm/read_frm.h"

#include <QBoxLayout>
#include <QPushButton>

#include "ops/read_result.h"
#include "ui/read_frm/differences_view.h"
#include "ui_read_frm.h"
#include "text/win1251.h"

namespace gsmprog {

TForm2::TForm2(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TForm2>()) {
    ui->setupUi(this);
    // Only display: the groups take no input, yet their texts must read as clearly as in an
    // enabled window, so disabled text keeps the normal colours.
    QPalette shown = palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        shown.setColor(QPalette::Disabled, role, shown.color(QPalette::Active, role));
    setPalette(shown);
    for (QWidget* group : {ui->GroupBox1, ui->GroupBox5, ui->GroupBox4, ui->GroupBox8})
        group->setEnabled(false);
    // GroupBox6 stays enabled so that the card line can be selected and copied; its ProgID1
    // is disabled on its own.
    connect(ui->Button1, &QPushButton::clicked, this, &QDialog::reject);
    AddComparison();
}

// Below the card line and the whole window's width, so that long values stay readable: the
// differences and the buttons that compare with another card or make a card of the read.
void TForm2::AddComparison() {
    auto* row = new QHBoxLayout;
    differences_ = new DifferencesView(this);
    differences_->hide();
    row->addWidget(differences_, 1);
    auto* buttons = new QVBoxLayout;
    auto* compare = new QPushButton(QStringLiteral("Сравнить с карточкой…"), this);
    compare->setObjectName(QStringLiteral("compareCardBtn"));
    newCardButton_ = new QPushButton(QStringLiteral("Создать карточку…"), this);
    newCardButton_->setObjectName(QStringLiteral("newCardBtn"));
    newCardButton_->hide();
    buttons->addWidget(compare);
    buttons->addWidget(newCardButton_);
    buttons->addStretch(1);
    row->addLayout(buttons);
    ui->rootLayout->addLayout(row);
    connect(compare, &QPushButton::clicked, this, &TForm2::CompareRequested);
    connect(newCardButton_, &QPushButton::clicked, this, [this] {
        newCardChosen_ = true;
        accept();
    });
}

TForm2::~TForm2() = default;

void TForm2::Fill(const WideImage& image) {
    newCardChosen_ = false;
    const ReadResultView view = DescribeReadImage(image);
    const auto show = [](QLineEdit* edit, const std::string& text) {
        edit->setText(FromWin1251(text));
        edit->setCursorPosition(0);  // a text longer than the edit shows its beginning
    };
    show(ui->CodeUoo, view.CodeUoo);
    show(ui->numLine, view.numLine);
    show(ui->Pin1Edit, view.Pin1Edit);
    show(ui->Pin2Edit, view.Pin2Edit);
    show(ui->Ip1GsmEdit, view.Ip1GsmEdit);
    show(ui->Ip2GsmEdit, view.Ip2GsmEdit);
    show(ui->Port1GsmEdit, view.Port1GsmEdit);
    show(ui->Port2GsmEdit, view.Port2GsmEdit);
    show(ui->APN1Edit, view.APN1Edit);
    show(ui->APN2Edit, view.APN2Edit);
    show(ui->LoginGsm1Edit, view.LoginGsm1Edit);
    show(ui->LoginGsm2Edit, view.LoginGsm2Edit);
    show(ui->PassGsm1Edit, view.PassGsm1Edit);
    show(ui->PassGsm2Edit, view.PassGsm2Edit);
    ui->sendSMS1Check->setChecked(view.sendSMS1Check);
    ui->sendSMS2Check->setChecked(view.sendSMS2Check);
    ui->smsGuardModeCheck->setChecked(view.smsGuardModeCheck);
    ui->smsFireCheck->setChecked(view.smsFireCheck);
    ui->smsKtcCheck->setChecked(view.smsKtcCheck);
    ui->smsAlarmCheck->setChecked(view.smsAlarmCheck);
    ui->saveSMSCheck->setChecked(view.saveSMSCheck);
    show(ui->smsNumber1Edit, view.smsNumber1Edit);
    show(ui->smsNumber2Edit, view.smsNumber2Edit);
    show(ui->smsObjNameEdit, view.smsObjNameEdit);
    show(ui->balCodeSim1, view.balCodeSim1);
    show(ui->balCodeSim2, view.balCodeSim2);
    show(ui->balCritical, view.balCritical);
    ui->balSendPcnCheck->setChecked(view.balSendPcnCheck);
    show(ui->ProgID1, view.ProgID1);
    ui->GroupBox4->setVisible(view.balanceGroupVisible);
}

void TForm2::SetVersion(const QString& version) { ui->versionEdit->setText(version); }

void TForm2::SetCardMatch(const QString& text) { ui->cardMatchLabel->setText(text); }

void TForm2::SetCardHistory(const QString& text) { ui->cardHistoryLabel->setText(text); }

void TForm2::ShowDifferences(const QString& heading,
                             const std::vector<SettingsDifference>& differences) {
    differences_->Show(heading, differences);
}

void TForm2::HideDifferences() { differences_->hide(); }

void TForm2::OfferNewCard(bool offered) { newCardButton_->setVisible(offered); }

}  // namespace gsmprog
