// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/read_frm/differences_view.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace gsmprog {

namespace {
// Rows shown before the table scrolls: enough for a typical edit, low enough for the read
// window on a 1366x768 screen at 125 %.
constexpr int VisibleRows = 4;
}  // namespace

DifferencesView::DifferencesView(QWidget* parent)
    : QWidget(parent),
      heading_(new QLabel(this)),
      noDifferences_(new QLabel(QStringLiteral("Отличий нет"), this)),
      table_(new QTableWidget(0, 3, this)) {
    heading_->setObjectName(QStringLiteral("differencesHeading"));
    heading_->setTextFormat(Qt::PlainText);
    heading_->setWordWrap(true);
    noDifferences_->setObjectName(QStringLiteral("noDifferencesLabel"));
    table_->setObjectName(QStringLiteral("differencesTable"));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->setVisible(false);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() +
                                                    6);  // text rows, not edit rows
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->setWordWrap(false);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setFixedHeight(table_->horizontalHeader()->sizeHint().height() +
                           VisibleRows * table_->verticalHeader()->defaultSectionSize() +
                           2 * table_->frameWidth());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(heading_);
    layout->addWidget(noDifferences_);
    layout->addWidget(table_);
    noDifferences_->hide();
}

void DifferencesView::Show(const QString& heading,
                           const std::vector<SettingsDifference>& differences,
                           const QString& otherColumn) {
    heading_->setText(heading);
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("Поле"), QStringLiteral("В карточке"), otherColumn});
    table_->setRowCount(int(differences.size()));
    for (int row = 0; row < int(differences.size()); ++row) {
        const SettingsDifference& difference = differences[std::size_t(row)];
        const QString texts[3] = {QString::fromStdString(difference.field->label),
                                  QString::fromStdString(difference.first),
                                  QString::fromStdString(difference.second)};
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            item->setToolTip(texts[column]);  // a long text is cut in its cell
            table_->setItem(row, column, item);
        }
    }
    noDifferences_->setVisible(differences.empty());
    table_->setVisible(!differences.empty());
    show();
}

}  // namespace gsmprog
