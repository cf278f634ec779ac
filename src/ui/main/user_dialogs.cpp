#include "user_dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace gsmprog {

bool QtUserDialogs::AskYesNo(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

void QtUserDialogs::ShowMessage(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

QString QtUserDialogs::AskSaveFileName(QWidget* parent, const QString& proposedName) {
    return QFileDialog::getSaveFileName(parent, QString(), proposedName, QString(), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

void QtUserDialogs::ShowModal(QDialog& dialog) { dialog.exec(); }

}  // namespace gsmprog
