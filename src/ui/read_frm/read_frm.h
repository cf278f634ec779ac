// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The read-result window: shows the settings read back out of a modem. Nothing in it can be
// edited; it is refilled for every read.

#include <QDialog>
#include <memory>
#include <vector>

#include "cards/settings_fields.h"
#include "link/modem_image.h"

namespace Ui {
class TForm2;
}
class QPushButton;

namespace gsmprog {

class DifferencesView;

class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    // Sets every control from the image read; the "Баланс" group shows only for a long image.
    void Fill(const WideImage& image);
    // The device version as the link reported it ("Н/Д" when the modem gave none).
    void SetVersion(const QString& version);
    // The line that names the card the modem belongs to.
    void SetCardMatch(const QString& text);
    // The line under it: the last programming of that card in the operations journal.
    void SetCardHistory(const QString& text);

    // Under the card line: the differences from a card, `heading` naming it; hidden when
    // there is no card to compare with.
    void ShowDifferences(const QString& heading,
                         const std::vector<SettingsDifference>& differences);
    void HideDifferences();
    // "Создать карточку…" is offered only where a card may be written.
    void OfferNewCard(bool offered);
    // "Создать карточку…" was clicked for the image of the last Fill: the window has closed so
    // that the main window can open the new card.
    bool NewCardChosen() const { return newCardChosen_; }

Q_SIGNALS:
    // "Сравнить с карточкой…" was clicked.
    void CompareRequested();

private:
    void AddComparison();

    std::unique_ptr<Ui::TForm2> ui;
    DifferencesView* differences_ = nullptr;
    QPushButton* newCardButton_ = nullptr;
    bool newCardChosen_ = false;
};

}  // namespace gsmprog
