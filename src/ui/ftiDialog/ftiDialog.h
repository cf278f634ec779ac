// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cable choice dialog: asks which cable to use when several are attached.

#include <QDialog>
#include <QStringList>
#include <memory>

namespace Ui {
class TftdiDialog;
}

namespace gsmprog {

class TftdiDialog : public QDialog {
    Q_OBJECT
public:
    explicit TftdiDialog(QWidget* parent = nullptr);
    ~TftdiDialog() override;

    // Lists the serial numbers in this order with the first one selected.
    void SetSerials(const QStringList& serials);
    // The serial number selected in `devCombo`.
    QString ChosenSerial() const;
    // Esc takes the selected cable too: the dialog never ends without a choice.
    void reject() override;

private:
    std::unique_ptr<Ui::TftdiDialog> ui;
};

}  // namespace gsmprog
