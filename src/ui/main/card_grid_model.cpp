// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/card_grid_model.h"

#include <QGuiApplication>
#include <QPalette>

#include "cards/card_fields.h"
#include "text/win1251.h"
#include "ui/main/regional_formats.h"

namespace gsmprog {

namespace {

const char* const HeaderTexts[CardGridModel::ColumnCount] = {
    "", "Код УО", "№ карточки", "Объект", "Дата изменений", "Дата программирования"};

}  // namespace

CardGridModel::CardGridModel(const CardDatabase& database, QObject* parent)
    : QAbstractTableModel(parent),
      database_(database),
      dates_(RegionalLocale()),
      rows_(CardDatabase::SlotCount) {}

int CardGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : CardDatabase::SlotCount;
}

int CardGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CardGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) {
        if (index.column() == 0) return QString::number(index.row() + 1);
        return CellText(index.row(), index.column());
    }
    // The row number is a fixed column, drawn like the header.
    if (index.column() == 0) {
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        if (role == Qt::BackgroundRole) return QGuiApplication::palette().button();
    }
    return {};
}

QVariant CardGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal && section >= 0 && section < ColumnCount)
        return QString::fromUtf8(HeaderTexts[section]);
    if (orientation == Qt::Vertical) return QString::number(section + 1);
    return {};
}

const QString& CardGridModel::CellText(int slot, int column) const {
    return Row(slot).cells[column - 1];
}

bool CardGridModel::RowContains(int slot, const QString& lowerText,
                                const std::optional<Win1251Needle>& needle) const {
    const CardRecord& card = database_.cards[slot];
    if (!card.InUse()) return false;  // every cell is empty
    // Every character a card can hold lower-cases within Windows-1251, so a text without a
    // Windows-1251 form is in none of its texts.
    if (needle &&
        (needle->FoundIn(UoCodesText(card)) || needle->FoundIn(FieldText(card.NCardEdit)) ||
         needle->FoundIn(FieldText(card.Edit1))))
        return true;
    return dates_.MayContain(lowerText) && DatesContain(slot, lowerText);
}

bool CardGridModel::DatesContain(int slot, const QString& lowerText) const {
    const CardRecord& card = database_.cards[slot];
    return dates_.LowerTextContains(card.DateChanged, lowerText) ||
           (card.DateProgrammed > CardRecord::InUseThreshold &&
            dates_.LowerTextContains(card.DateProgrammed, lowerText));
}

void CardGridModel::RefreshRow(int slot) {
    rows_[slot].built = false;
    Q_EMIT dataChanged(index(slot, 1), index(slot, ColumnCount - 1));
}

void CardGridModel::RefreshAll() {
    beginResetModel();
    for (RowTexts& row : rows_) row.built = false;
    endResetModel();
}

const CardGridModel::RowTexts& CardGridModel::Row(int slot) const {
    RowTexts& row = rows_[slot];
    if (row.built) return row;
    row.cells = {};
    const CardRecord& card = database_.cards[slot];
    if (card.InUse()) {
        const double changed = card.DateChanged;
        const double programmed = card.DateProgrammed;
        row.cells[0] = QString::fromStdString(UoCodesText(card));
        row.cells[1] = FromField(card.NCardEdit);
        row.cells[2] = FromField(card.Edit1);
        row.cells[3] = dates_.Text(changed);
        if (programmed > CardRecord::InUseThreshold) row.cells[4] = dates_.Text(programmed);
    }
    row.built = true;
    return row;
}

}  // namespace gsmprog
