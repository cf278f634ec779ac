// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One entry of the operations journal shown whole: every field it holds and the settings of
// its image, read-only and selectable for copying.

#include <QDialog>

#include "ops/journal_entry.h"

class QTreeWidget;

namespace gsmprog {

class JournalEntryDialog final : public QDialog {
    Q_OBJECT
public:
    explicit JournalEntryDialog(const JournalEntry& entry, QWidget* parent = nullptr);

    QTreeWidget& Fields() { return *fields_; }

private:
    QTreeWidget* fields_;
};

}  // namespace gsmprog
