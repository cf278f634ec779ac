// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The differences between a card and a modem's settings, field by field: a table
// Поле | В карточке | В модеме, or "Отличий нет". The read-result window and the main
// window's "Что изменено после программирования" show them alike.

#include <QWidget>
#include <vector>

#include "cards/settings_fields.h"

class QLabel;
class QTableWidget;

namespace gsmprog {

class DifferencesView final : public QWidget {
public:
    explicit DifferencesView(QWidget* parent = nullptr);

    // `heading` names what is compared; `otherColumn` titles the third column.
    void Show(const QString& heading, const std::vector<SettingsDifference>& differences,
              const QString& otherColumn = QStringLiteral("В модеме"));

private:
    QLabel* heading_;
    QLabel* noDifferences_;
    QTableWidget* table_;
};

}  // namespace gsmprog
