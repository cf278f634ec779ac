// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// "Экспорт в CSV": the proposed name, the cards as stored, replacing a file, write failures.

#include <sys/stat.h>

#include <QFile>
#include <QTest>

#include "text/win1251.h"
#include "ui/window_fixture.h"

using namespace gsmprog;
using namespace gsmprog::test;

class CsvExportButtonTest : public QObject {
    Q_OBJECT
private:
    static QByteArray Read(const std::filesystem::path& path) {
        QFile file(QString::fromStdString(path.string()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
    static QByteArray Cp1251(const char* utf8) {
        std::string bytes;
        ToWin1251(QString::fromUtf8(utf8), bytes);
        return QByteArray::fromStdString(bytes);
    }

private Q_SLOTS:
    void ExportsTheStoredCardsAndReplacesTheFile() {
        WindowFixture f;
        CardRecord first = ValidCard("17", "Склад");
        Connect(first, 0, 2, 305, 2);
        CardRecord doomed = ValidCard("18", "Снос");
        f.WriteDatabase({{0, first}, {1, doomed}});
        f.Start();
        const std::filesystem::path out = f.Dir() / "export.csv";
        {
            QFile old(QString::fromStdString(out.string()));
            old.open(QIODevice::WriteOnly);
            old.write("old contents, much longer than the export will be");
        }

        f.ClickRow(2);
        f.StartEditing();
        f.dialogs.answers = {true};
        f.Click("BitBtn3");  // deleted in this run
        f.ClickRow(1);
        f.StartEditing();
        f.Type("Edit1", "Не сохранено");  // exported with the stored value
        f.dialogs.fileNames = {QString::fromStdString(out.string())};
        f.Click("SpeedButton4");

        QCOMPARE(f.dialogs.proposedNames, QStringList{"Export_ProgInfo_12.GAD.CSV"});
        const QByteArray expected =
            QByteArray("NCard;Object;KodUoo;KodLine;Pin1;Pin2;SIM1_ID;SIM2_ID\r\n") + "17;" +
            Cp1251("Склад") + ";305,NA,NA,NA;2,NA,NA,NA;1111;2222;NA;NA\r\n";
        QCOMPARE(Read(out), expected);
        QCOMPARE(f.dialogs.shown.size(),
                 size_t(1));  // the delete question only: no success message
        QVERIFY(f.Form().EditMode);
    }

    void CancelledDialogWritesNothing() {
        WindowFixture f;
        f.Start();
        f.Click("SpeedButton4");
        QCOMPARE(f.dialogs.proposedNames.size(), 1);
        QVERIFY(f.dialogs.shown.empty());
        // Only the lock the window holds on its database.
        QCOMPARE(std::distance(std::filesystem::directory_iterator(f.Dir()), {}), 1);
    }

    void WriteFailureIsReported() {
        WindowFixture f;
        f.Start();
        f.dialogs.fileNames = {
            QString::fromStdString((f.Dir() / "no-such-dir" / "x.csv").string())};
        f.Click("SpeedButton4");
        QCOMPARE(f.dialogs.shown.size(), size_t(1));
        QCOMPARE(f.dialogs.shown[0].caption, QStringLiteral("Ошибка"));
        QCOMPARE(f.dialogs.shown[0].text, QStringLiteral("Ошибка записи на диск"));

        // A named pipe is refused at once with what it is, never waited on for a reader.
        const std::filesystem::path pipe = f.Dir() / "pipe";
        QCOMPARE(::mkfifo(pipe.c_str(), 0644), 0);
        f.dialogs.shown.clear();
        f.dialogs.fileNames = {QString::fromStdString(pipe.string())};
        f.Click("SpeedButton4");
        QCOMPARE(f.dialogs.shown.size(), size_t(1));
        QCOMPARE(
            f.dialogs.shown[0].detail,
            QString::fromStdString(pipe.string() + ": это именованный канал, а не обычный файл"));
    }

    // The save dialog's answer is the database itself or its lock, or another folder's
    // database: refused, nothing written.
    void TheDatabaseAndItsLockAreNeverExportedOnto() {
        WindowFixture f;
        f.WriteDatabase({{0, ValidCard("17", "Склад")}});
        f.Start();
        const std::filesystem::path database = f.Dir() / "ProgInfo_12.GAD";
        const QByteArray cards = Read(database);
        TempDir other;
        std::filesystem::copy_file(database, other.Path() / "clientB.GAD");
        for (const std::filesystem::path& output :
             {database, f.Dir() / "ProgInfo_12.GAD.lock", other.Path() / "clientB.GAD"}) {
            f.dialogs.shown.clear();
            f.dialogs.fileNames = {QString::fromStdString(output.string())};
            f.Click("SpeedButton4");
            QCOMPARE(f.dialogs.shown.size(), size_t(1));
            QCOMPARE(f.dialogs.shown[0].caption, QStringLiteral("Ошибка"));
            QVERIFY2(f.dialogs.shown[0].text.startsWith(QStringLiteral("Нельзя записать в ")),
                     qPrintable(f.dialogs.shown[0].text));
        }
        QVERIFY(Read(database) == cards);
        QVERIFY(Read(other.Path() / "clientB.GAD") == cards);
        QVERIFY(Read(f.Dir() / "ProgInfo_12.GAD.lock").startsWith("program=gsmprog\n"));
    }
};

QTEST_MAIN(CsvExportButtonTest)
#include "csv_export_button_test.moc"
