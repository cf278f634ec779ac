// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs a person answers speak Russian and look as the window's messages need them.

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "ui/main/russian_ui.h"
#include "ui/main/user_dialogs.h"

using namespace gsmprog;

class UserDialogsTest : public QObject {
    Q_OBJECT
private:
    // Runs `check` on the modal dialog once it is open.
    template <typename Dialog, typename Check>
    static void WhenOpen(Check check) {
        QTimer::singleShot(0, [check] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            check(dialog);
        });
    }

    static QString Plain(QString text) { return text.remove(QLatin1Char('&')); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(InstallRussianTranslation(*qApp)); }

    void QuestionsHaveRussianYesAndNo() {
        QtUserDialogs dialogs;
        QString yes, no, caption, text;
        QMessageBox::Icon icon = QMessageBox::Warning;
        WhenOpen<QMessageBox>([&](QMessageBox* box) {
            yes = Plain(box->button(QMessageBox::Yes)->text());
            no = Plain(box->button(QMessageBox::No)->text());
            caption = box->windowTitle();
            text = box->text();
            icon = box->icon();
            box->button(QMessageBox::No)->click();
        });
        QVERIFY(
            !dialogs.AskYesNo(nullptr, "Внимание", "Вы точно хотите удалить запись безвозвратно?"));
        QCOMPARE(yes, QStringLiteral("Да"));
        QCOMPARE(no, QStringLiteral("Нет"));
        QCOMPARE(caption, QStringLiteral("Внимание"));
        QCOMPARE(text, QStringLiteral("Вы точно хотите удалить запись безвозвратно?"));
        QCOMPARE(icon, QMessageBox::NoIcon);

        // Enter takes the default: Yes for most questions, No where the answer loses data.
        WhenOpen<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
        QVERIFY(dialogs.AskYesNo(nullptr, "Внимание", "?"));
        WhenOpen<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
        QVERIFY(!dialogs.AskYesNoDefaultNo(nullptr, "Внимание",
                                           "Вы точно хотите удалить запись безвозвратно?"));
    }

    void MessagesHaveOneButton() {
        QtUserDialogs dialogs;
        int buttons = 0;
        WhenOpen<QMessageBox>([&](QMessageBox* box) {
            buttons = box->buttons().size();
            box->button(QMessageBox::Ok)->click();
        });
        dialogs.ShowMessage(nullptr, "Ошибка", "Ошибка записи на диск");
        QCOMPARE(buttons, 1);

        // A message offering a next step: OK declines it, its own button takes it.
        for (const bool take : {false, true}) {
            QStringList captions;
            WhenOpen<QMessageBox>([&](QMessageBox* box) {
                for (QAbstractButton* button : box->buttons()) captions << Plain(button->text());
                for (QAbstractButton* button : box->buttons())
                    if ((Plain(button->text()) == "Проверить кабель") == take) button->click();
            });
            QCOMPARE(dialogs.ShowMessageWithAction(nullptr, "Внимание", "Кабель FTDI не найден.",
                                                   {}, "Проверить кабель"),
                     take);
            QCOMPARE(captions.size(), 2);
            QVERIFY(captions.contains("Проверить кабель"));
        }
    }

    void SaveDialogProposesTheNameAndReplacesWithoutAsking() {
        QtUserDialogs dialogs;
        QString proposed;
        bool confirms = true;
        WhenOpen<QFileDialog>([&](QFileDialog* dialog) {
            confirms = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            proposed = dialog->findChild<QLineEdit*>()->text();
            dialog->reject();
        });
        QCOMPARE(dialogs.AskSaveFileName(nullptr, "Export_ProgInfo_12.GAD.CSV"), QString());
        QCOMPARE(proposed, QStringLiteral("Export_ProgInfo_12.GAD.CSV"));
        QVERIFY(!confirms);
    }
};

QTEST_MAIN(UserDialogsTest)
#include "user_dialogs_test.moc"
