// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The card list: one row per database slot, read straight from the CardDatabase. Cell texts
// are built when first needed and kept until the row is refreshed, so the grid and the
// search do not format 9000 rows of dates again on every paint or keystroke.

#include <QAbstractTableModel>
#include <QLocale>
#include <QString>
#include <QTimer>
#include <array>
#include <optional>
#include <vector>

#include "cards/card_database.h"
#include "text/win1251_search.h"

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
    // searched in the card's own bytes and dates are formatted only for a text that could
    // occur in one, so the first search after start is as fast as the later ones.
    bool RowContains(int slot, const QString& lowerText,
                     const std::optional<Win1251Needle>& needle) const;

    // Rebuilds the row of `slot` from the database.
    void RefreshRow(int slot);
    // Rebuilds every row (after loading the database). The texts of all rows are then built
    // in small steps while the window is idle, so the first search need not wait for them.
    void RefreshAll();

Q_SIGNALS:
    // The texts of every row are built, after RefreshAll.
    void AllRowsBuilt();

private:
    static constexpr int DateColumns = 2;  // the last two text columns
    struct RowTexts {
        bool built = false;
        std::array<QString, TextColumns> cells;
        std::array<QString, DateColumns> lowerDates;  // for the search
    };
    const RowTexts& Row(int slot) const;
    QString DateText(double days) const;
    bool MayBeInDate(const QString& lowerText) const;

    void BuildSomeRows();

    const CardDatabase& database_;
    const QLocale locale_;
    QTimer idleBuild_;
    int nextToBuild_ = 0;
    QString dateTimeFormat_;
    QString dateFormat_;
    QString dateCharacters_;  // every character a shown date can hold, lower-cased
    mutable std::vector<RowTexts> rows_;
};

}  // namespace gsmprog
