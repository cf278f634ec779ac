// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// "Журнал операций": read off the window's thread, newest first, the filter over every column,
// "Только эта карточка", an entry shown whole as it stands in the journal (and refused once the
// journal changed under it), skipped lines told, and the CSV export of what is shown.

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <fstream>
#include <iterator>

#include "text/win1251.h"
#include "link/modem_image.h"
#include "ops/hex_text.h"
#include "ops/journal_append.h"
#include "ops/journal_entry_fields.h"
#include "ops/journal_table.h"
#include "ui/journal/journal_entry_dialog.h"
#include "ui/journal/journal_table_model.h"
#include "ui/journal/journal_window.h"
#include "ui/window_fixture.h"

using namespace gsmprog;
using namespace gsmprog::test;

class JournalWindowTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    std::filesystem::path Dir() const { return dir_.path().toStdString(); }

    static JournalEntry Entry(int minute, JournalOperation operation, JournalResult result, int row,
                              const std::string& card, const std::string& user) {
        JournalEntry entry;
        entry.time = "2026-12-07T10:" + std::string(minute < 10 ? "0" : "") +
                     std::to_string(minute) + ":13+03:00";
        entry.operation = operation;
        entry.result = result;
        entry.message = "сообщение " + std::to_string(minute);
        entry.user = user;
        entry.cable = "FT4ABC12";
        entry.row = row;
        entry.cardNumber = card;
        entry.object = "Склад " + card;
        return entry;
    }
    void Append(const JournalEntry& entry) const {
        QVERIFY(AppendJournalLine(JournalFile(Dir()), JournalLine(entry)).empty());
    }
    // The time column of the rows shown, top to bottom.
    static QStringList Times(JournalWindow& window) {
        QStringList times;
        for (int row = 0; row < window.Model().rowCount(); ++row)
            times << window.Model().index(row, 0).data().toString().right(2);
        return times;
    }
    static QString Counts(JournalWindow& window) {
        return window.findChild<QLabel*>(QStringLiteral("countsLabel"))->text();
    }
    static void WaitRead(JournalWindow& window) { QTRY_VERIFY(!window.Reading()); }
    // The fields of the entry dialog a double click on the top row shows; none when it shows
    // a message instead.
    static QStringList DoubleClickTopRow(JournalWindow& window, ScriptedDialogs& dialogs) {
        QStringList fields;
        dialogs.onModal = [&](QDialog& dialog) {
            const QTreeWidget& tree = static_cast<JournalEntryDialog&>(dialog).Fields();
            for (int i = 0; i < tree.topLevelItemCount(); ++i)
                fields << tree.topLevelItem(i)->text(0) + "=" + tree.topLevelItem(i)->text(1);
        };
        auto* view = window.findChild<QTableView*>(QStringLiteral("journalView"));
        const QRect cell = view->visualRect(view->model()->index(0, 1));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        dialogs.onModal = {};
        return fields;
    }
    static QStringList FieldTexts(const JournalEntry& entry) {
        QStringList fields;
        for (const JournalField& field : JournalEntryFields(entry))
            fields << QString::fromStdString(field.name + "=" + field.value);
        return fields;
    }

private Q_SLOTS:
    void init() {
        QVERIFY(dir_.isValid());
        std::filesystem::remove(JournalFile(Dir()));
        // Oldest first in the file: minutes 1..4; a torn and a garbage line among them.
        Append(Entry(1, JournalOperation::Program, JournalResult::Ok, 3, "17", "ivanov"));
        Append(Entry(2, JournalOperation::Read, JournalResult::Failed, 5, "18", "petrov"));
        std::ofstream(JournalFile(Dir()), std::ios::app) << "{\"version\":1,\"time\":\"2026-12\n"
                                                         << "мусор\n";
        Append(Entry(3, JournalOperation::WriteUo, JournalResult::Stopped, 3, "17", "Petrov"));
        Append(Entry(4, JournalOperation::Program, JournalResult::Ok, 3, "99", "sidorov"));
    }

    void FiltersEveryColumnAndKeepsToTheSelectedCard() {
        ScriptedDialogs dialogs;
        { JournalWindow closedWhileReading(dialogs, Dir()); }
        JournalWindow window(dialogs, Dir());
        QCOMPARE(Counts(window), QStringLiteral("читается журнал…"));
        WaitRead(window);
        // Entry 4 is of row 3 too, but of another card made there since.
        QCOMPARE(Times(window), (QStringList{"04", "03", "02", "01"}));
        QCOMPARE(Counts(window), QStringLiteral("Показано записей: 4 из 4; пропущено записей: 2"));

        auto* filter = window.findChild<QLineEdit*>(QStringLiteral("filterEdit"));
        auto* onlyCard = window.findChild<QCheckBox*>(QStringLiteral("onlyCardCheck"));
        QVERIFY(!onlyCard->isEnabled());
        QTest::keyClicks(filter, QStringLiteral("PETR"));  // any case: "petrov" and "Petrov"
        QCOMPARE(Times(window), (QStringList{"03", "02"}));
        QTest::keyClicks(filter, QStringLiteral("ov"));
        QCOMPARE(Times(window), (QStringList{"03", "02"}));
        filter->setText(QStringLiteral("сбой"));  // the result column
        QCOMPARE(Times(window), (QStringList{"02"}));
        filter->setText(QStringLiteral("запись уоо"));  // the operation column
        QCOMPARE(Times(window), (QStringList{"03"}));
        filter->clear();
        QCOMPARE(Times(window), (QStringList{"04", "03", "02", "01"}));

        window.SetSelectedCard(2, MakeCard("17", "Склад 17"));
        QVERIFY(onlyCard->isEnabled());
        QTest::mouseClick(onlyCard, Qt::LeftButton, {}, QPoint(5, onlyCard->height() / 2));
        QVERIFY(onlyCard->isChecked());
        QCOMPARE(Times(window), (QStringList{"03", "01"}));
        QTest::keyClicks(filter, QStringLiteral("ivan"));
        QCOMPARE(Times(window), (QStringList{"01"}));
        QCOMPARE(Counts(window), QStringLiteral("Показано записей: 1 из 4; пропущено записей: 2"));
        filter->clear();
        // Another card selected while the box is ticked: its entries, not the old card's.
        window.SetSelectedCard(2, MakeCard("99", "Новый"));
        QCOMPARE(Times(window), (QStringList{"04"}));
        Append(Entry(5, JournalOperation::Read, JournalResult::Ok, 3, "99", "ivanov"));
        window.Reload();
        WaitRead(window);
        QCOMPARE(Times(window), (QStringList{"05", "04"}));
        window.SetSelectedCard(-1, {});
        QVERIFY(!onlyCard->isChecked() && !onlyCard->isEnabled());
        QCOMPARE(Times(window), (QStringList{"05", "04", "03", "02", "01"}));
    }

    void ADoubleClickShowsTheEntryWholeWithItsImagesSettings() {
        CardRecord card = ValidCard("17", "Склад 17");
        StoreField(QStringLiteral("Ленина 5"), card.smsObjNameEdit);
        const ModemImage image = BuildModemImage(card, 1);
        JournalEntry entry =
            Entry(9, JournalOperation::Program, JournalResult::Ok, 3, "17", "ivanov");
        entry.image = HexText(image.bytes.data(), image.length);
        entry.imageCrc = "1A2B";
        Append(entry);
        ScriptedDialogs dialogs;
        JournalWindow window(dialogs, Dir());
        window.show();
        WaitRead(window);
        const QStringList fields = DoubleClickTopRow(window, dialogs);
        QCOMPARE(dialogs.modals, QStringList{"Запись журнала"});
        for (const char* field :
             {"Операция=Программирование", "Сообщение=сообщение 9", "Пользователь=ivanov",
              "Кабель=FT4ABC12", "Строка=3", "ID=1A2B", "Название объекта=Ленина 5", "PIN1=1111"})
            QVERIFY2(fields.contains(QString::fromUtf8(field)), field);
        QCOMPARE(fields, FieldTexts(entry));

        // The row of another entry filtered to the top: that entry, read from its own place.
        window.findChild<QLineEdit*>(QStringLiteral("filterEdit"))
            ->setText(QStringLiteral("Petrov"));
        QCOMPARE(DoubleClickTopRow(window, dialogs),
                 FieldTexts(Entry(3, JournalOperation::WriteUo, JournalResult::Stopped, 3, "17",
                                  "Petrov")));
        QVERIFY(dialogs.shown.empty());
    }

    // The message has a column of its own, on one line, whole in its tooltip; a programming
    // that failed keeps the ID it tried but does not show it as written.
    void AFailedProgrammingShowsItsMessageAndNoIdAsWritten() {
        JournalEntry failed =
            Entry(9, JournalOperation::Program, JournalResult::Failed, 3, "17", "ivanov");
        failed.message = "Программирование НЕ проведено!\n\nПричина:\nКабель FTDI не найден.";
        failed.imageCrc = "1A2B";
        Append(failed);
        ScriptedDialogs dialogs;
        JournalWindow window(dialogs, Dir());
        window.show();
        WaitRead(window);
        const JournalTableModel& model = window.Model();
        QCOMPARE(model.headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("Сообщение"));
        QCOMPARE(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("ID"));
        QCOMPARE(model.index(0, 4).data().toString(),
                 QStringLiteral("Программирование НЕ проведено! Причина: Кабель FTDI не найден."));
        QCOMPARE(model.index(0, 4).data(Qt::ToolTipRole).toString(),
                 QString::fromStdString(failed.message));
        QCOMPARE(model.index(0, 3).data().toString(), QStringLiteral("не записан"));
        failed.result = JournalResult::Ok;
        QCOMPARE(JournalRowTexts(failed)[8], std::string("1A2B"));
        QVERIFY(DoubleClickTopRow(window, dialogs).contains(QStringLiteral("ID=1A2B (не записан)")));
    }

    // The window keeps only the rows' texts: an entry shown whole is read from the journal
    // again, and one that is no longer where it was is refused, never shown as another.
    void AJournalReplacedOrCutAfterReadingIsToldNotShownWrong() {
        ScriptedDialogs dialogs;
        JournalWindow window(dialogs, Dir());
        window.show();
        WaitRead(window);
        const QString changed = QStringLiteral("Запись изменилась в журнале; нажмите «Обновить».");

        // Replaced by a copy whose newest entry names another user of a name as long: every
        // line where it was, that one a whole entry still, but not the one read.
        const std::filesystem::path journal = JournalFile(Dir());
        std::string bytes;
        {
            std::ifstream in(journal, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        const auto at = bytes.rfind("sidorov");
        QVERIFY(at != std::string::npos);
        bytes.replace(at, 7, "smirnov");
        const std::filesystem::path copy = Dir() / "copy.journal";
        std::ofstream(copy, std::ios::binary) << bytes;
        std::filesystem::rename(copy, journal);
        QVERIFY(DoubleClickTopRow(window, dialogs).isEmpty());
        QCOMPARE(dialogs.shown.size(), size_t(1));
        QCOMPARE(dialogs.shown[0].caption, QStringLiteral("Журнал операций"));
        QCOMPARE(dialogs.shown[0].text, changed);

        // "Обновить" reads the new journal; a cut one is told as well.
        window.findChild<QPushButton*>(QStringLiteral("reloadButton"))->click();
        WaitRead(window);
        QCOMPARE(
            DoubleClickTopRow(window, dialogs),
            FieldTexts(Entry(4, JournalOperation::Program, JournalResult::Ok, 3, "99", "smirnov")));
        std::filesystem::resize_file(journal, std::filesystem::file_size(journal) - 10);
        QVERIFY(DoubleClickTopRow(window, dialogs).isEmpty());
        std::filesystem::remove(journal);
        QVERIFY(DoubleClickTopRow(window, dialogs).isEmpty());
        QCOMPARE(dialogs.shown.size(), size_t(3));
        QCOMPARE(dialogs.shown[2].text, changed);
        QCOMPARE(dialogs.modals, QStringList{"Запись журнала"});
    }

    void ExportsWhatIsShownAndRefusesTheDatabasesFiles() {
        // Texts CSV must quote, one character Windows-1251 lacks, no row and no cable.
        JournalEntry odd =
            Entry(7, JournalOperation::Read, JournalResult::Ok, 1, "Petrov;\"5\"", "oddone");
        odd.row.reset();
        odd.cable.clear();
        odd.message = "строка 1\nстрока 2 ✓";
        Append(odd);
        ScriptedDialogs dialogs;
        JournalWindow window(dialogs, Dir());
        WaitRead(window);
        window.findChild<QLineEdit*>(QStringLiteral("filterEdit"))
            ->setText(QStringLiteral("petrov"));
        const std::filesystem::path out = Dir() / "journal.csv";
        dialogs.fileNames = {QString::fromStdString(out.string())};
        window.findChild<QPushButton*>(QStringLiteral("exportButton"))->click();
        QCOMPARE(dialogs.proposedNames, QStringList{"Export_ProgInfo_12.journal.CSV"});
        QFile file(QString::fromStdString(out.string()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::string expected =
            JournalCsvLine(JournalColumnTitles()) + JournalCsvLine(JournalRowTexts(odd)) +
            JournalCsvLine(JournalRowTexts(
                Entry(3, JournalOperation::WriteUo, JournalResult::Stopped, 3, "17", "Petrov"))) +
            JournalCsvLine(JournalRowTexts(
                Entry(2, JournalOperation::Read, JournalResult::Failed, 5, "18", "petrov")));
        QCOMPARE(file.readAll().toStdString(), expected);
        QVERIFY(dialogs.shown.empty());

        // The journal itself is never an output.
        const auto journalSize = std::filesystem::file_size(JournalFile(Dir()));
        dialogs.fileNames = {QString::fromStdString(JournalFile(Dir()).string())};
        window.findChild<QPushButton*>(QStringLiteral("exportButton"))->click();
        QCOMPARE(dialogs.shown.size(), size_t(1));
        QVERIFY(dialogs.shown[0].text.contains(QStringLiteral("Нельзя записать")));
        QCOMPARE(std::filesystem::file_size(JournalFile(Dir())), journalSize);
    }
};

QTEST_MAIN(JournalWindowTest)
#include "journal_window_test.moc"
