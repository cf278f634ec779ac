#pragma once
// The card list: one row per database slot, read straight from the CardDatabase. Cell texts
// are built when first needed and kept until the row is refreshed, so the grid and the
// search do not format 9000 rows of dates again on every paint or keystroke.

#include <QAbstractTableModel>
#include <QLocale>
#include <QString>
#include <QTimer>
#include <array>
#include <vector>

#include "card_database.h"

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
    // The same text lower-cased, for the search.
    const QString& LowerCellText(int slot, int column) const;

    // Rebuilds the row of `slot` from the database.
    void RefreshRow(int slot);
    // Rebuilds every row (after loading the database). The texts of all rows are then built
    // in small steps while the window is idle, so the first search need not wait for them.
    void RefreshAll();

private:
    struct RowTexts {
        bool built = false;
        std::array<QString, TextColumns> cells;
        std::array<QString, TextColumns> lower;
    };
    const RowTexts& Row(int slot) const;
    QString DateText(double days) const;

    void BuildSomeRows();

    const CardDatabase& database_;
    const QLocale locale_;
    QTimer idleBuild_;
    int nextToBuild_ = 0;
    QString dateTimeFormat_;
    QString dateFormat_;
    mutable std::vector<RowTexts> rows_;
};

}  // namespace gsmprog
