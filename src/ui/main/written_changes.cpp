// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// "Что изменено после программирования": the selected card against the image last written
// from it into a modem, which the operations journal beside the database keeps; when they
// differ, "Программировать модем" writes the card.

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "ops/image_settings.h"
#include "ops/journal_time.h"
#include "text/win1251.h"
#include "ui/main/main.h"
#include "ui/main/user_dialogs.h"
#include "ui/read_frm/differences_view.h"
#include "ui_main.h"

namespace gsmprog {

namespace {
const QString Caption = QStringLiteral("Что изменено после программирования");
}

void TForm1::ChangesBtnClick() {
    const int slot = database_->SelectedIndex;
    const CardRecord& card = database_->cards[std::size_t(slot)];
    if (!card.InUse()) return;  // the button is off meanwhile
    const std::optional<JournalEntry> written =
        operations_->History().Current().LastModemWrite(slot, card);
    if (!written) {
        dialogs_.ShowMessage(
            this, Caption, QStringLiteral("Нет записи о программировании этой карточки в журнале"));
        return;
    }
    WideImage image;
    if (!EvaluateJournalImage(*written, image)) {
        dialogs_.ShowMessage(
            this, Caption,
            QStringLiteral("Образ в записи журнала от %1 повреждён: сравнивать не с чем")
                .arg(QString::fromStdString(ShortTimeText(written->time))));
        return;
    }
    QDialog dialog(this);
    dialog.setWindowTitle(Caption);
    auto* layout = new QVBoxLayout(&dialog);
    auto* view = new DifferencesView(&dialog);
    const std::vector<SettingsDifference> differences = CompareWithImage(card, image);
    view->Show(QStringLiteral("Карточка № %1, строка %2, и записанное в модем %3:")
                   .arg(FromField(card.NCardEdit), QString::number(slot + 1),
                        QString::fromStdString(ShortTimeText(written->time))),
               differences, QStringLiteral("Записано в модем"));
    layout->addWidget(view);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    // The modem lacks the changes: the next step is to write them, where the window may.
    if (!differences.empty() && ui->ProgBtn->isEnabled()) {
        QPushButton* program =
            buttons->addButton(QStringLiteral("Программировать модем"), QDialogButtonBox::AcceptRole);
        program->setObjectName(QStringLiteral("programChangesBtn"));
        program->setDefault(true);
    }
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(720, dialog.sizeHint().height());
    dialogs_.ShowModal(dialog);
    if (dialog.result() == QDialog::Accepted) ProgBtnClick();
}

}  // namespace gsmprog
