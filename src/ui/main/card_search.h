// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The search box: finds the next card whose grid cells (any case) or SIM data (exact case)
// contain the typed text, continuing after the last hit and wrapping to the rows above.

#include <QObject>
#include <string>

namespace Ui {
class TForm1;
}
class QString;

namespace gsmprog {

class CardDatabase;
class CardGridModel;
class TForm1;

class CardSearch final : public QObject {
public:
    CardSearch(TForm1& window, Ui::TForm1& ui, const CardDatabase& database);
    // Watches the search box for clicks and for focus leaving it; the grid must be set.
    void Attach(const CardGridModel& gridModel);

    // The grid row after which the search continues.
    const int& SearchRow() const { return searchRow_; }
    // A card chosen in the list: the next search starts below it.
    void ContinueAfter(int row) { searchRow_ = row; }

    void SearchEditClick();
    void SearchEditChange();
    void SearchEditExit();
    void FindNext();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int GridPass(int firstRow, int lastRow, const QString& lowerText) const;
    int SimPass(int firstRow, int lastRow, const std::string& text) const;

    TForm1& window_;
    Ui::TForm1& ui_;
    const CardDatabase& database_;
    const CardGridModel* gridModel_ = nullptr;
    int searchRow_ = 1;
};

}  // namespace gsmprog
