// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The card list: one row per database slot, read straight from the CardDatabase. Cell texts
// are built when a row is first shown and kept until the row is refreshed. The search needs
// none of them: it reads the card's own bytes and writes dates from their stored values, so
// every row is searchable from the start without building 9000 rows of texts.

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <optional>
#include <vector>

#include "cards/card_database.h"
#include "text/win1251_search.h"
#include "ui/main/grid_date_format.h"

namespace gsmprog {

class CardGridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 6;
    static constexpr int TextColumns = 5;  // columns 1..5; column 0 is the row number

    explicit CardGridModel(const CardDatabase& database, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Text of column `column` (1..5) of the row of `slot`, as the grid shows it.
    const QString& CellText(int slot, int column) const;
    // True when a cell of the row of `slot` contains `lowerText` (lower-cased, not empty),
    // any case; `needle` is the same text in Windows-1251 when it has one. The texts are
    // searched in the card's own bytes and dates are written only for a text that could
    // occur in one, so the first search after start is as fast as the later ones.
    bool RowContains(int slot, const QString& lowerText,
                     const std::optional<Win1251Needle>& needle) const;

    // Rebuilds the row of `slot` from the database.
    void RefreshRow(int slot);
    // Rebuilds every row (after loading the database).
    void RefreshAll();

private:
    struct RowTexts {
        bool built = false;
        std::array<QString, TextColumns> cells;
    };
    const RowTexts& Row(int slot) const;
    bool DatesContain(int slot, const QString& lowerText) const;

    const CardDatabase& database_;
    const GridDateFormat dates_;
    mutable std::vector<RowTexts> rows_;
};

}  // namespace gsmprog
