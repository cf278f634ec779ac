// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/journal/journal_entry_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ops/journal_entry_fields.h"

namespace gsmprog {

JournalEntryDialog::JournalEntryDialog(const JournalEntry& entry, QWidget* parent)
    : QDialog(parent), fields_(new QTreeWidget(this)) {
    setWindowTitle(QStringLiteral("Запись журнала"));
    fields_->setObjectName(QStringLiteral("fieldsTree"));
    fields_->setColumnCount(2);
    fields_->setHeaderLabels({QStringLiteral("Поле"), QStringLiteral("Значение")});
    fields_->setRootIsDecorated(false);
    fields_->setWordWrap(true);
    fields_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (const JournalField& field : JournalEntryFields(entry)) {
        auto* item = new QTreeWidgetItem(fields_);
        item->setText(0, QString::fromStdString(field.name));
        item->setText(1, QString::fromStdString(field.value));
        item->setToolTip(1, item->text(1));
    }
    fields_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Закрыть"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fields_);
    layout->addWidget(buttons);
    // Fits a 1366x768 screen at 125 %.
    resize(760, 520);
}

}  // namespace gsmprog
