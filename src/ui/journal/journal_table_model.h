// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The entries of the operations journal as the journal window lists them, newest first. Of
// each entry only its row's texts and its place in the file are kept (an entry with its image
// is several times larger); the entry itself is read again from its place when shown whole. A
// filter keeps the indexes of the rows it lets through, so a keystroke in a journal of 100 000
// entries costs one scan.

#include <QAbstractTableModel>
#include <QString>
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "cards/card_record.h"
#include "ops/journal_place.h"
#include "ops/journal_reader.h"
#include "ops/journal_table.h"

namespace gsmprog {

class JournalTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    // Time, operation, result, ID, message, card number, object, device codes, modem version,
    // user, cable.
    static constexpr int ColumnCount = 11;

    struct Row {
        PackedJournalRow texts;  // as JournalRowTexts makes them
        std::string haystack;    // the shown texts in lower case, one line each (UTF-8)
        JournalPlace place;
        bool ofCard = false;
    };
    // The rows of a journal, newest first, as read on any thread.
    struct ReadRows {
        std::vector<Row> rows;
        JournalReadStats stats;
    };
    // Reads `journal`; once `stop` is set the read ends early with what it has.
    static ReadRows Read(const std::filesystem::path& journal,
                         const std::atomic<bool>* stop = nullptr);

    explicit JournalTableModel(QObject* parent = nullptr);

    // Shows `read` in place of the rows before; the filter and the card stay as they were set.
    void Take(ReadRows&& read);

    // The card "Только эта карточка" means (`slot` < 0: none).
    void SetCard(int slot, const CardRecord& card);
    bool HasCard() const { return hasCard_; }
    // Shows the entries whose texts hold `text` (any case, in any column), and with
    // `onlyCard` only those of the card.
    void SetFilter(const QString& text, bool onlyCard);

    int EntryCount() const { return static_cast<int>(rows_.size()); }
    // The texts and the place of a shown row's entry.
    const PackedJournalRow& TextsAt(int shownRow) const;
    const JournalPlace& PlaceAt(int shownRow) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    bool Passes(const Row& row) const;
    void MarkCardRows();
    // Shows the rows that pass: of those shown when `narrow`, else of all.
    void Refilter(bool narrow);
    const Row& ShownRow(int shownRow) const;

    std::vector<Row> rows_;
    std::vector<int> shown_;  // indexes into rows_, in order
    std::string filter_;      // lower case, UTF-8
    bool onlyCard_ = false;
    bool hasCard_ = false;
    int cardSlot_ = -1;
    CardRecord card_{};
};

}  // namespace gsmprog
