// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/user_dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace gsmprog {

namespace {
bool Ask(QWidget* parent, const QString& caption, const QString& text,
         QMessageBox::StandardButton byDefault) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(byDefault);
    return box.exec() == QMessageBox::Yes;
}
}  // namespace

bool QtUserDialogs::AskYesNo(QWidget* parent, const QString& caption, const QString& text) {
    return Ask(parent, caption, text, QMessageBox::Yes);
}

bool QtUserDialogs::AskYesNoDefaultNo(QWidget* parent, const QString& caption,
                                      const QString& text) {
    return Ask(parent, caption, text, QMessageBox::No);
}

void QtUserDialogs::ShowMessage(QWidget* parent, const QString& caption, const QString& text) {
    ShowMessageWithDetail(parent, caption, text, QString());
}

void QtUserDialogs::ShowMessageWithDetail(QWidget* parent, const QString& caption,
                                          const QString& text, const QString& detail) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    box.setInformativeText(detail);
    box.exec();
}

bool QtUserDialogs::ShowMessageWithAction(QWidget* parent, const QString& caption,
                                          const QString& text, const QString& detail,
                                          const QString& actionText) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    box.setInformativeText(detail);
    const QAbstractButton* action = box.addButton(actionText, QMessageBox::ActionRole);
    box.exec();
    return box.clickedButton() == action;
}

QString QtUserDialogs::AskSaveFileName(QWidget* parent, const QString& proposedName) {
    return QFileDialog::getSaveFileName(parent, QString(), proposedName, QString(), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString QtUserDialogs::AskDirectory(QWidget* parent, const QString& caption,
                                   const QString& start) {
    return QFileDialog::getExistingDirectory(parent, caption, start);
}

QString QtUserDialogs::AskText(QWidget* parent, const QString& caption, const QString& label,
                               const QString& proposed) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent, caption, label, QLineEdit::Normal, proposed, &ok);
    return ok ? text : QString();
}

void QtUserDialogs::ShowModal(QDialog& dialog) { dialog.exec(); }

}  // namespace gsmprog
