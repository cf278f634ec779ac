// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ftiDialog/ftiDialog.h"

#include "ui_ftiDialog.h"

namespace gsmprog {

TftdiDialog::TftdiDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui(std::make_unique<Ui::TftdiDialog>()) {
    ui->setupUi(this);
}

TftdiDialog::~TftdiDialog() = default;

void TftdiDialog::SetSerials(const QStringList& serials) {
    ui->devCombo->clear();
    ui->devCombo->addItems(serials);
    ui->devCombo->setCurrentIndex(0);
}

QString TftdiDialog::ChosenSerial() const { return ui->devCombo->currentText(); }

void TftdiDialog::reject() { accept(); }

}  // namespace gsmprog
