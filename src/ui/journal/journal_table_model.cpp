// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/journal/journal_table_model.h"

#include <algorithm>

#include "ops/card_history.h"
#include "ops/journal_table.h"
#include "ops/journal_time.h"

namespace gsmprog {

namespace {
// The columns of JournalRowTexts the window shows, in its order.
constexpr std::array<std::size_t, JournalTableModel::ColumnCount> ShownColumns{0, 1, 2, 4, 5,
                                                                               6, 7, 8, 9, 10};
}  // namespace

JournalTableModel::JournalTableModel(QObject* parent) : QAbstractTableModel(parent) {}

JournalReadStats JournalTableModel::Load(const std::filesystem::path& journal) {
    std::vector<Row> rows;
    const JournalReadStats stats =
        ReadJournal(journal, [&](JournalEntry&& entry, std::string_view) {
            Row row;
            JournalRow texts = JournalRowTexts(entry);
            texts[0] = ShortTimeText(entry.time);
            for (int column = 0; column < ColumnCount; ++column) {
                row.texts[std::size_t(column)] =
                    QString::fromStdString(texts[ShownColumns[std::size_t(column)]]);
                if (column > 0) row.haystack += QLatin1Char('\n');
                row.haystack += row.texts[std::size_t(column)];
            }
            row.haystack = row.haystack.toLower();
            row.entry = std::move(entry);
            rows.push_back(std::move(row));
        });
    std::reverse(rows.begin(), rows.end());
    for (Row& row : rows) row.ofCard = hasCard_ && ConcernsCard(row.entry, cardSlot_, card_);
    shown_.clear();
    rows_ = std::move(rows);
    Refilter(false);
    return stats;
}

void JournalTableModel::SetCard(int slot, const CardRecord& card) {
    hasCard_ = slot >= 0;
    cardSlot_ = slot;
    card_ = card;
    for (Row& row : rows_) row.ofCard = hasCard_ && ConcernsCard(row.entry, slot, card);
    onlyCard_ = onlyCard_ && hasCard_;
    Refilter(false);
}

bool JournalTableModel::Passes(const Row& row) const {
    if (onlyCard_ && !row.ofCard) return false;
    return filter_.isEmpty() || row.haystack.contains(filter_);
}

void JournalTableModel::SetFilter(const QString& text, bool onlyCard) {
    const QString filter = text.toLower();
    // A filter that only narrows the last one looks at the rows it let through.
    const bool narrows = filter.contains(filter_) && (onlyCard || !onlyCard_);
    filter_ = filter;
    onlyCard_ = onlyCard;
    Refilter(narrows);
}

void JournalTableModel::Refilter(bool narrow) {
    std::vector<int> shown;
    if (narrow) {
        for (int i : shown_)
            if (Passes(rows_[std::size_t(i)])) shown.push_back(i);
    } else {
        for (int i = 0; i < EntryCount(); ++i)
            if (Passes(rows_[std::size_t(i)])) shown.push_back(i);
    }
    beginResetModel();
    shown_ = std::move(shown);
    endResetModel();
}

const JournalEntry& JournalTableModel::EntryAt(int shownRow) const {
    return rows_[std::size_t(shown_[std::size_t(shownRow)])].entry;
}

int JournalTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int JournalTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant JournalTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Row& row = rows_[std::size_t(shown_[std::size_t(index.row())])];
    if (role == Qt::DisplayRole) return row.texts[std::size_t(index.column())];
    // The message the user saw, which the table has no room for.
    if (role == Qt::ToolTipRole) return QString::fromStdString(row.entry.message);
    return {};
}

QVariant JournalTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= ColumnCount)
        return {};
    return QString::fromStdString(JournalColumnTitles()[ShownColumns[std::size_t(section)]]);
}

}  // namespace gsmprog
