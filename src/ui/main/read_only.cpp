// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// One writer per database: the window holds the database's lock from start to end. When another
// program holds it, the user may still view the cards; nothing is then ever written.

#include <QDateTime>
#include <QLabel>

#include "ui/main/main.h"
#include "ui_main.h"
#include "ui/main/user_dialogs.h"

namespace gsmprog {

bool TForm1::TakeDatabase() {
    if (lock_.Take(ProgramName) == DatabaseLock::Outcome::Taken) return true;
    readOnly_ = dialogs_.AskYesNo(nullptr, QStringLiteral("Внимание"),
                                  QString::fromStdString(lock_.Refusal()) +
                                      QStringLiteral(". Открыть только для просмотра?\n\n"
                                                     "«Нет» закроет это, второе окно gsmprog."));
    return readOnly_;
}

// The title bar alone is easy to miss: a line above the card list says it too, and who writes.
void TForm1::ShowReadOnlyBanner() {
    const LockHolder& holder = lock_.Holder();
    QString text = QStringLiteral("Только просмотр: ");
    if (lock_.Refused()) {
        text += QString::fromStdString(lock_.Refusal());  // a link or lock file refused
    } else if (holder.pid == 0) {
        text += QStringLiteral("базу карточек пишет другая программа");
    } else {
        const QDateTime since = QDateTime::fromSecsSinceEpoch(holder.since);
        const bool today = since.date() == QDate::currentDate();
        text += QStringLiteral("база открыта в %1 на %2 (%3) с %4")
                    .arg(QString::fromStdString(holder.program),
                         QString::fromStdString(holder.host), QString::fromStdString(holder.user),
                         since.toString(today ? QStringLiteral("HH:mm")
                                              : QStringLiteral("dd.MM.yyyy HH:mm")));
    }
    // How writing comes back when another program holds the database: only once it has let
    // go, and only at a start. A refused file or a folder that cannot be written says its own.
    const bool held = !lock_.Refused() && lock_.Error() == 0;
    if (held)
        text += holder.program == ProgramName
                    ? QStringLiteral(". Чтобы изменять карточки, закройте то окно и откройте "
                                     "gsmprog заново")
                    : QStringLiteral(". Чтобы изменять карточки, дождитесь, пока та программа "
                                     "закончит, и откройте gsmprog заново");
    auto* banner = new QLabel(text, this);
    banner->setObjectName(QStringLiteral("readOnlyBanner"));
    banner->setWordWrap(true);  // its remedy must not widen the window
    banner->setStyleSheet(QStringLiteral("QLabel { font-weight: bold; padding: 2px; }"));
    ui->rootLayout->insertWidget(ui->rootLayout->indexOf(ui->cardSplit), banner);
}

// Editing and the operations that record their result in the card stay off; viewing, search,
// export, reading a modem and the control window stay usable.
void TForm1::KeepReadOnly() {
    if (!readOnly_) return;
    for (QWidget* control : {ui->BitBtn1, ui->ProgBtn, ui->ProgUoBtn}) control->setEnabled(false);
}

}  // namespace gsmprog
