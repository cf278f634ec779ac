// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The entries of the operations journal as the journal window lists them, newest first. The
// texts of every row are made once when the journal is read; a filter keeps the indexes of
// the rows it lets through, so a keystroke in a journal of 100 000 entries costs one scan.

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <filesystem>
#include <vector>

#include "cards/card_record.h"
#include "ops/journal_reader.h"

namespace gsmprog {

class JournalTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    // Time, operation, result, card number, object, device codes, modem version, ID, user,
    // cable.
    static constexpr int ColumnCount = 10;

    explicit JournalTableModel(QObject* parent = nullptr);

    // Reads `journal` anew; the filter and the card stay as they were set.
    JournalReadStats Load(const std::filesystem::path& journal);

    // The card "Только эта карточка" means (`slot` < 0: none).
    void SetCard(int slot, const CardRecord& card);
    bool HasCard() const { return hasCard_; }
    // Shows the entries whose texts hold `text` (any case, in any column), and with
    // `onlyCard` only those of the card.
    void SetFilter(const QString& text, bool onlyCard);

    int EntryCount() const { return static_cast<int>(rows_.size()); }
    // The entry of a shown row.
    const JournalEntry& EntryAt(int shownRow) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row {
        JournalEntry entry;
        std::array<QString, ColumnCount> texts;
        QString haystack;  // the texts in lower case, one line each
        bool ofCard = false;
    };
    bool Passes(const Row& row) const;
    // Shows the rows that pass: of those shown when `narrow`, else of all.
    void Refilter(bool narrow);

    std::vector<Row> rows_;
    std::vector<int> shown_;  // indexes into rows_, in order
    QString filter_;          // lower case
    bool onlyCard_ = false;
    bool hasCard_ = false;
    int cardSlot_ = -1;
    CardRecord card_{};
};

}  // namespace gsmprog
