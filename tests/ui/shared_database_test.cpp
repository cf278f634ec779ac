// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Two programs on one card database: a second window only views it and never writes it, and
// the command line is refused while a window holds it.

#include <unistd.h>

#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <fstream>

#include "support/child_process.h"
#include "ui/window_fixture.h"

using namespace gsmprog;
using namespace gsmprog::test;

namespace {

std::string Bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

ProgramResult Program(const std::filesystem::path& dir, const TempDir& runtime) {
    return RunProgram(CliProgram(), {"-C", dir.string(), "program", "1"},
                      {{"XDG_RUNTIME_DIR", runtime.Path().string()}});
}

}  // namespace

class SharedDatabaseTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void SecondWindowOnlyViewsAndNeverWrites() {
        WindowFixture first;
        CardRecord overlapping = MakeCard("2", "Дача");
        Connect(overlapping, 0, 2, 5, 1);
        overlapping.UoGuardCords[0] = overlapping.UoFireCords[0] = 1;  // repaired when selected
        first.WriteDatabase({{0, ValidCard("1", "Склад")}, {1, overlapping}});
        first.Start();
        const std::string before = Bytes(first.DatabaseFile());

        WindowFixture second;
        second.ShareDirectory(first);
        second.dialogs.answers = {true};
        TForm1& form = second.Start();
        QCOMPARE(second.dialogs.shown.size(), size_t(1));
        QCOMPARE(second.dialogs.shown[0].caption, QStringLiteral("Внимание"));
        const QString question = second.dialogs.shown[0].text;
        QVERIFY2(question.startsWith(QStringLiteral("База карточек уже открыта: gsmprog на ")) &&
                     question.contains(QStringLiteral(", пользователь ")) &&
                     question.endsWith(QStringLiteral(
                         ". Открыть только для просмотра?\n\n«Нет» закроет это, второе окно gsmprog.")),
                 qPrintable(question));
        QVERIFY(form.ReadOnly());
        QVERIFY(form.windowTitle().endsWith(QStringLiteral(" — только просмотр")));
        // Said inside the window too, above the list, with the holder and the time it took over.
        const QString banner = second.Find<QLabel>("readOnlyBanner")->text();
        const QRegularExpression holder(QStringLiteral(
            "^Только просмотр: база открыта в gsmprog на (\\S+) \\((\\S+)\\) с (\\d\\d\\.\\d\\d\\.\\d{4} )?\\d\\d:\\d\\d\\. "
            "Чтобы изменять карточки, закройте то окно и откройте gsmprog заново$"));
        QVERIFY2(holder.match(banner).hasMatch(), qPrintable(banner));
        QVERIFY(second.Visible("readOnlyBanner"));
        QVERIFY(second.Find<QWidget>("readOnlyBanner")->y() <
                second.Find<QWidget>("SetsGrid")->mapTo(&form, QPoint(0, 0)).y());
        QVERIFY(!first.Form().findChild<QLabel*>("readOnlyBanner"));

        // Everything a user can do there.
        second.ClickRow(2);
        QCOMPARE(int(form.Database().cards[1].UoFireCords[0]), 0);  // repaired in memory only
        second.Search(QStringLiteral("Склад"));
        QCOMPARE(form.Database().SelectedIndex, 0);
        for (const char* button : {"BitBtn1", "ProgBtn", "ProgUoBtn", "BitBtn2", "BitBtn3"}) {
            QVERIFY2(!second.Enabled(button), button);
            second.Click(button);
        }
        QVERIFY(!form.EditMode);
        const QString csv = QString::fromStdString((first.Dir() / "cards.csv").string());
        second.dialogs.fileNames = {csv};
        second.Click("SpeedButton4");
        QVERIFY(QFile::exists(csv));
        QVERIFY(form.close());

        QCOMPARE(second.dialogs.shown.size(), size_t(1));  // no write failure, no question
        QVERIFY(Bytes(first.DatabaseFile()) == before);
    }

    // A database link that is not followed (here to a file that is no database) opens for
    // viewing only, says why in the question and the banner, and nothing is written through it.
    void ALinkThatIsNotFollowedOpensForViewingAndSaysWhy() {
        WindowFixture f;
        TempDir elsewhere;
        const std::filesystem::path notes = elsewhere.Path() / "notes.txt";
        std::ofstream(notes) << "my notes\n";
        std::filesystem::create_symlink(notes, f.DatabaseFile());
        f.dialogs.answers = {true};
        TForm1& form = f.Start();
        QVERIFY(form.ReadOnly());
        const QString refusal = QStringLiteral("Базу карточек нельзя открыть для записи: ");
        QVERIFY2(f.dialogs.shown[0].text.startsWith(refusal), qPrintable(f.dialogs.shown[0].text));
        const QString banner = f.Find<QLabel>("readOnlyBanner")->text();
        QVERIFY2(banner.startsWith(QStringLiteral("Только просмотр: ") + refusal) &&
                     banner.endsWith(QStringLiteral("не подходит ни к одному формату базы карточек")),
                 qPrintable(banner));
        QVERIFY(form.close());
        QCOMPARE(Bytes(notes), std::string("my notes\n"));
        QCOMPARE(std::distance(std::filesystem::directory_iterator(elsewhere.Path()), {}), 1);
    }

    void AnsweringNoEndsTheSecondWindow() {
        WindowFixture first;
        first.Start();
        WindowFixture second;
        second.ShareDirectory(first);
        second.dialogs.answers = {false};
        QVERIFY(second.Start().Declined());
    }

    void CommandLineIsRefusedWhileTheWindowIsOpen() {
        WindowFixture f;
        f.WriteDatabase({{0, ValidCard("1", "Склад")}});
        f.Start();
        const std::string before = Bytes(f.DatabaseFile());
        TempDir runtime;  // no modem: a command that gets past its checks fails at the cable
        ProgramResult run = Program(f.Dir(), runtime);
        QCOMPARE(run.exitCode, 4);
        QVERIFY2(
            run.err.starts_with("gsmprog-cli: База карточек уже открыта: gsmprog на ") &&
                run.err.ends_with(". Модем не программировался: его новый ID некуда записать. "
                                  "Закройте то окно gsmprog (PID " +
                                  std::to_string(::getpid()) +
                                  ") или запрограммируйте модем в нём.\n"),
            run.err.c_str());
        QVERIFY(Bytes(f.DatabaseFile()) == before);

        QVERIFY(f.Form().close());
        run = Program(f.Dir(), runtime);
        QCOMPARE(run.exitCode, 1);
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    SharedDatabaseTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "shared_database_test.moc"
