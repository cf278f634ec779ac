// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The cable check window against a system in a folder: the check's verdicts marked, a fresh
// check after the system changed, the support report written where the user says.

#include <QFile>
#include <QFont>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "cable/fake_system.h"
#include "ops/support_report.h"
#include "ui/cableCheck/cable_check_window.h"
#include "ui/window_fixture.h"

using namespace gsmprog;
using namespace gsmprog::test;

class CableCheckWindowTest : public QObject {
    Q_OBJECT
private:
    static QTextEdit& Text(CableCheckWindow& window) {
        return *window.findChild<QTextEdit*>("checkText");
    }
    static void Click(CableCheckWindow& window, const char* name) {
        QTest::mouseClick(window.findChild<QPushButton*>(name), Qt::LeftButton);
    }
    static bool Shows(CableCheckWindow& window, const QString& text) {
        return !window.Busy() && Text(window).toPlainText().contains(text);
    }

private Q_SLOTS:
    void ShowsTheVerdictsMarkedAndChecksAgainOnRefresh() {
        FakeSystem system;
        ScriptedDialogs dialogs;
        CableCheckWindow window(dialogs, {system.root.Path(), {}}, system.root.Path());
        window.show();
        QTRY_VERIFY(Shows(window, "Кабель FTDI не найден: подключите кабель"));

        // The counterfeit adapter plugged in: no driver, product ID 0000, never blamed on brltty.
        system.Adapter({.product = "0000", .driver = "", .tty = ""});
        system.Brltty();
        Click(window, "refreshButton");
        QTRY_VERIFY(Shows(window, "Код изделия 0000: вероятно, поддельная микросхема"));
        QVERIFY(!Text(window).toPlainText().contains("Кабель FTDI не найден"));
        QVERIFY(!Text(window).toPlainText().contains("brltty забрал кабель"));
        const QTextCursor verdict = Text(window).document()->find("! Код изделия 0000");
        QVERIFY(!verdict.isNull());
        QCOMPARE(verdict.charFormat().fontWeight(), int(QFont::Bold));
        const QTextCursor plain =
            Text(window).document()->find("Итог: готового к работе кабеля нет.");
        QVERIFY(!plain.isNull());
        QCOMPARE(plain.charFormat().fontWeight(), int(QFont::Normal));
    }

    void SavesTheReportButNeverOverTheCardDatabase() {
        FakeSystem system;
        system.Adapter({});
        ScriptedDialogs dialogs;
        const std::filesystem::path database = system.Path("/db");
        std::filesystem::create_directories(database);
        CableCheckWindow window(dialogs, {system.root.Path(), {}}, database);
        window.show();
        QTRY_VERIFY(Shows(window, "порт /dev/ttyUSB0"));

        dialogs.fileNames.push_back(
            QString::fromStdString((database / "ProgInfo_12.GAD").string()));
        Click(window, "saveReportButton");
        QCOMPARE(dialogs.shown.size(), std::size_t(1));
        QVERIFY(dialogs.shown[0].text.startsWith("Нельзя записать в "));
        QVERIFY(!std::filesystem::exists(database / "ProgInfo_12.GAD"));

        const std::filesystem::path report = system.Path("/report.txt");
        dialogs.fileNames.push_back(QString::fromStdString(report.string()));
        Click(window, "saveReportButton");
        QTRY_COMPARE(dialogs.shown.size(), std::size_t(2));
        QCOMPARE(dialogs.proposedNames, QStringList({"gsmprog-report.txt", "gsmprog-report.txt"}));
        QCOMPARE(dialogs.shown[1].text,
                 QString("Отчёт для поддержки сохранён в %1.").arg(report.c_str()));
        QFile file(QString::fromStdString(report.string()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::string text = file.readAll().toStdString();
        QVERIFY(text.starts_with("Отчёт gsmprog для поддержки\n"));
        QVERIFY(text.find("Кабель FTDI A50285BI (USB 1-1.2): 0403:6001") != std::string::npos);
        QVERIFY(text.find("\n== Журнал операций: последние записи ==\nЖурнала нет: ") !=
                std::string::npos);
        QVERIFY(text.find("\n== Диагностический журнал этого запуска ==\n") != std::string::npos);
        QVERIFY(text.size() < SupportReportLimit);
    }
};

QTEST_MAIN(CableCheckWindowTest)
#include "cable_check_window_test.moc"
