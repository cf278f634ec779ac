// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/journal/journal_table_model.h"

#include <algorithm>
#include <array>

#include "ops/card_history.h"
#include "ops/journal_time.h"

namespace gsmprog {

namespace {
// The columns of JournalRowTexts the window shows, in its order.
// The ID and the message beside the result, where a laptop's screen still shows them: what came
// of an operation matters more than the columns after them.
constexpr std::array<std::size_t, JournalTableModel::ColumnCount> ShownColumns{
    0, 1, 2, 8, 11, 4, 5, 6, 7, 9, 10};
constexpr std::size_t RowColumn = 3;
constexpr std::size_t CardNumberColumn = 4;
constexpr std::size_t MessageColumn = 11;

QString FromUtf8(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

// The text a shown column holds: the time shortened as the card list writes times, the message
// on one line.
QString ShownText(const PackedJournalRow& texts, int column) {
    const std::size_t source = ShownColumns[std::size_t(column)];
    if (source == 0) return QString::fromStdString(ShortTimeText(std::string(texts.Text(0))));
    if (source == MessageColumn) return FromUtf8(texts.Text(source)).simplified();
    return FromUtf8(texts.Text(source));
}

// What the filter looks in. Lower-cased as Qt lower-cases, kept as UTF-8: half the size of a
// QString for the Latin texts, and a match of UTF-8 texts is a match of their characters.
std::string Haystack(const PackedJournalRow& texts) {
    QString haystack;
    for (int column = 0; column < JournalTableModel::ColumnCount; ++column) {
        if (column > 0) haystack += QLatin1Char('\n');
        haystack += ShownText(texts, column);
    }
    return haystack.toLower().toStdString();
}

}  // namespace

JournalTableModel::ReadRows JournalTableModel::Read(const std::filesystem::path& journal,
                                                    const std::atomic<bool>* stop) {
    ReadRows read;
    read.stats = ReadPlacedJournal(
        journal,
        [&](JournalEntry&& entry, std::string_view line, std::uint64_t offset) {
            PackedJournalRow texts(JournalRowTexts(entry));
            std::string haystack = Haystack(texts);
            read.rows.push_back(
                {std::move(texts), std::move(haystack), PlaceOfLine(offset, line), false});
        },
        stop);
    std::reverse(read.rows.begin(), read.rows.end());
    return read;
}

JournalTableModel::JournalTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void JournalTableModel::Take(ReadRows&& read) {
    shown_.clear();
    rows_ = std::move(read.rows);
    MarkCardRows();
    Refilter(false);
}

void JournalTableModel::SetCard(int slot, const CardRecord& card) {
    hasCard_ = slot >= 0;
    cardSlot_ = slot;
    card_ = card;
    MarkCardRows();
    onlyCard_ = onlyCard_ && hasCard_;
    Refilter(false);
}

void JournalTableModel::MarkCardRows() {
    if (!hasCard_) {
        for (Row& row : rows_) row.ofCard = false;
        return;
    }
    // An entry names its card by row and number (EntryCardKey); the row's texts hold both.
    const JournalCardKey key = CardKeyOf(cardSlot_, card_);
    const std::string rowText = std::to_string(key.first);
    for (Row& row : rows_)
        row.ofCard =
            row.texts.Text(RowColumn) == rowText && row.texts.Text(CardNumberColumn) == key.second;
}

bool JournalTableModel::Passes(const Row& row) const {
    if (onlyCard_ && !row.ofCard) return false;
    return filter_.empty() || row.haystack.find(filter_) != std::string::npos;
}

void JournalTableModel::SetFilter(const QString& text, bool onlyCard) {
    std::string filter = text.toLower().toStdString();
    // A filter that only narrows the last one looks at the rows it let through.
    const bool narrows = filter.find(filter_) != std::string::npos && (onlyCard || !onlyCard_);
    filter_ = std::move(filter);
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

const JournalTableModel::Row& JournalTableModel::ShownRow(int shownRow) const {
    return rows_[std::size_t(shown_[std::size_t(shownRow)])];
}

const PackedJournalRow& JournalTableModel::TextsAt(int shownRow) const {
    return ShownRow(shownRow).texts;
}

const JournalPlace& JournalTableModel::PlaceAt(int shownRow) const {
    return ShownRow(shownRow).place;
}

int JournalTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int JournalTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant JournalTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const PackedJournalRow& texts = TextsAt(index.row());
    if (role == Qt::DisplayRole) return ShownText(texts, index.column());
    // The message the user saw, of which its column shows what fits.
    if (role == Qt::ToolTipRole) return FromUtf8(texts.Text(MessageColumn));
    return {};
}

QVariant JournalTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= ColumnCount)
        return {};
    return QString::fromStdString(JournalColumnTitles()[ShownColumns[std::size_t(section)]]);
}

}  // namespace gsmprog
