// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The window's end: the questions at close, the workers' end, the last write and the release
// of the database; and the end without questions (a stop signal, a logout).

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QTimer>
#include <cstdio>

#include "cards/error_text.h"

#include "ui/journal/journal_window.h"
#include "ui/main/main.h"
#include "ui/main/window_state.h"
#include "ui_main.h"
#include "ui/main/user_dialogs.h"

namespace gsmprog {

namespace {
const QString Attention = QStringLiteral("Внимание");
}  // namespace

void TForm1::closeEvent(QCloseEvent* event) {
    if (!endingQuietly_ && !FormCloseQuery()) {
        event->ignore();
        return;
    }
    // A result that arrives while the workers end is recorded before the last write.
    FormDestroy();
    if (!FormClose() && !endingQuietly_ &&
        !dialogs_.AskYesNo(
            this, Attention,
            QStringLiteral(
                "Изменения карточек не записаны на диск. Выйти из программы без сохранения?"))) {
        event->ignore();
        return;
    }
    event->accept();
    // A window of its own: left open, it would keep the program running without its window.
    if (journalWindow_) journalWindow_->close();
    if (cardSplit_) SaveWindowState(*this, *cardSplit_, *ui->SetsGrid->horizontalHeader());
    lock_.Release();  // the last write is done: another program may write the database now
}

void TForm1::EndWithoutQuestions() {
    endingQuietly_ = true;
    operations_->RefuseStarts();
    // Each dismissed dialog ends its own event loop once control is back there.
    for (int left = 16; left > 0; --left) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) break;
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        else modal->close();
    }
    // A completion step under its dismissed message must return first: the workers' end
    // waits for their hand-overs, and that one would wait for this close.
    if (operations_->CompletionRunning()) {
        QTimer::singleShot(10, this, &TForm1::EndWithoutQuestions);
        return;
    }
    close();
}

bool TForm1::FormClose() {
    // A card saved from the editor in this run asks for the last write; so does a change
    // whose write failed, which would otherwise be lost without a word when the program ends.
    if (!editor_->DatabaseChanged() && !lastWriteFailed_) return true;
    if (!endingQuietly_) return SaveDatabase();
    // Ended by a signal: nobody may be there to close a message, so the failure goes to stderr.
    if (StoreDatabase()) return true;
    std::fprintf(stderr, "gsmprog: %s: %s: %s\n", CardDatabase::WriteErrorText,
                 database_->DatabasePath().c_str(), ErrorText(writeError_).c_str());
    return false;
}

}  // namespace gsmprog
