// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Журнал операций": the operations journal of the card database, read-only, newest first,
// with a text filter over every column, "Только эта карточка" for the card selected in the
// main window, an entry shown whole on a double click, and "Экспорт в CSV..." of what is shown.

#include <QWidget>
#include <atomic>
#include <filesystem>
#include <thread>

#include "cards/card_record.h"
#include "ui/journal/journal_table_model.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTableView;

namespace gsmprog {

class UserDialogs;

class JournalWindow final : public QWidget {
    Q_OBJECT
public:
    // The journal of the card database in `databaseDirectory` (empty: the current one); it is
    // read at once, off the window's thread. `dialogs` answers the save dialog and shows every
    // message.
    JournalWindow(UserDialogs& dialogs, std::filesystem::path databaseDirectory,
                  QWidget* parent = nullptr);
    ~JournalWindow() override;

    // The card selected in the main window (`slot` 0..8999, < 0 for none), which
    // "Только эта карточка" keeps to; without one the check box is off and disabled.
    void SetSelectedCard(int slot, const CardRecord& card);
    // Reads the journal anew off the window's thread, keeping the filter; the rows shown stay
    // until it is read. Asked while a read runs, it reads once more after it.
    void Reload();
    // A read runs or its rows are yet to be shown.
    bool Reading() const { return reader_.joinable(); }

    JournalTableModel& Model() { return *model_; }

private:
    void ShowRead(JournalTableModel::ReadRows&& read);
    QString ReadProblemText(int error) const;
    void ApplyFilter();
    void ShowEntry(const QModelIndex& index);
    void ExportCsv();
    void ShowCounts();

    UserDialogs& dialogs_;
    const std::filesystem::path directory_;
    const std::filesystem::path journal_;
    JournalTableModel* model_;
    QLineEdit* filterEdit_;
    QCheckBox* onlyCardCheck_;
    QPushButton* reloadButton_;
    QPushButton* exportButton_;
    QTableView* view_;
    QLabel* countsLabel_;
    QString readProblem_;  // why the journal could not be read; empty when it could
    std::size_t skipped_ = 0;
    // Reads the journal into rows it hands back by a queued call; shares only the stop flag.
    std::thread reader_;
    std::atomic<bool> stopReading_{false};
    bool readAgain_ = false;
};

}  // namespace gsmprog
