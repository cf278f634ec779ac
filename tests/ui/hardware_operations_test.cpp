// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The hardware operations of the main window against a virtual modem on a private cable
// directory: what the buttons and the bar show, every message, what lands in which card and
// when the file is written, the cable choice, stops and the end of the window mid-operation.

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <fstream>
#include <functional>

#include "cable/fake_system.h"
#include "cards/card_dates.h"
#include "cards/database_lock.h"
#include "ui/ftiDialog/ftiDialog.h"
#include "ui/main/end_signals.h"
#include "link/cable_texts.h"
#include "ops/operation_texts.h"
#include "ops/hex_text.h"
#include "ops/journal_reader.h"
#include "ops/operation_journal.h"
#include "ui/journal/journal_table_model.h"
#include "ui/journal/journal_window.h"
#include "ui/main/card_history_source.h"
#include "ops/journal_append.h"
#include "ops/journal_entry.h"
#include "ui/read_frm/read_frm.h"
#include "support/scripted_cable.h"
#include "text/win1251.h"
#include "ui/window_fixture.h"

using namespace gsmprog;
using namespace gsmprog::test;

namespace {

constexpr int OperationTimeoutMs = 30000;

// The CRC of the image the modem holds (its last two bytes, low byte first).
std::uint16_t HeldImageCrc(const std::filesystem::path& image) {
    std::ifstream in(image, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    if (bytes.size() < 2) return 0;
    return std::uint16_t(std::uint8_t(bytes[bytes.size() - 2]) | std::uint8_t(bytes.back()) << 8);
}

// Two cards with a device each: "Склад" in row 1, "Офис" in row 2.
void WriteTwoCards(WindowFixture& f) {
    CardRecord first = ValidCard("101", "Склад");
    Connect(first, 0, 2, 1234, 3);
    first.UoGuardCords[1] = 0x05;
    Connect(first, 1, 2, 1235, 7);
    first.ProgID1 = 0x1A2B;
    CardRecord second = ValidCard("202", "Офис");
    Connect(second, 0, 1, 5678, 1);
    f.WriteDatabase({{0, first}, {1, second}});
}

// The journal of the window's database, oldest first.
std::vector<JournalEntry> JournalOf(const WindowFixture& f) {
    std::vector<JournalEntry> entries;
    ReadJournal(OperationJournal(f.Dir()).File(), [&](JournalEntry&& entry, std::string_view) {
        entries.push_back(std::move(entry));
    });
    return entries;
}

std::string FileHex(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    return HexText(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

JournalWindow* OpenJournalWindow() {
    JournalWindow* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<JournalWindow*>(w); window && window->isVisible()) {
            if (found) return nullptr;  // only one may be open
            found = window;
        }
    return found;
}

// The image file the modem keeps.
std::vector<std::uint8_t> HeldImage(const std::filesystem::path& image) {
    std::ifstream in(image, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// What a read window lists under its card line: "Поле | В карточке | В модеме" rows,
// "Отличий нет", or nothing (no card to compare with).
QStringList ShownDifferences(QWidget& dialog) {
    auto* table = dialog.findChild<QTableWidget*>("differencesTable");
    auto* none = dialog.findChild<QLabel*>("noDifferencesLabel");
    if (!table || !none) qFatal("no differences in the read window");
    if (none->isVisibleTo(&dialog)) return {none->text()};
    QStringList rows;
    if (!table->isVisibleTo(&dialog)) return rows;
    for (int row = 0; row < table->rowCount(); ++row)
        rows << table->item(row, 0)->text() + " | " + table->item(row, 1)->text() + " | " +
                    table->item(row, 2)->text();
    return rows;
}

QString Failure(const char* header, const char* reason) {
    return QString::fromUtf8(header) + QString::fromUtf8(reason) + "\n\n";
}

}  // namespace

class HardwareOperationsTest : public QObject {
    Q_OBJECT
private:
    static void WaitIdle(WindowFixture& f) {
        QTRY_VERIFY_WITH_TIMEOUT(
            !f.Form().WorkersAlive() && !f.Form().ProgRunning && !f.Form().ReadRunning,
            OperationTimeoutMs);
        QCoreApplication::processEvents();
    }
    // Reads the modem; returns the card line of the read-result window ("" when not shown).
    static QString ReadCardLine(WindowFixture& f) {
        QString line;
        f.dialogs.onModal = [&](QDialog& dialog) {
            if (auto* label = dialog.findChild<QLabel*>("cardMatchLabel")) line = label->text();
        };
        f.Click("SpeedButton1");
        WaitIdle(f);
        f.dialogs.onModal = nullptr;
        return line;
    }

    // Reads the modem; returns the differences its window lists, after `then` acted in it.
    static QStringList ReadDifferences(WindowFixture& f,
                                       const std::function<void(QDialog&)>& then = {}) {
        QStringList rows;
        f.dialogs.onModal = [&](QDialog& dialog) {
            rows = ShownDifferences(dialog);
            if (then) then(dialog);
        };
        f.Click("SpeedButton1");
        WaitIdle(f);
        f.dialogs.onModal = nullptr;
        return rows;
    }

private Q_SLOTS:
    void ProgrammingLandsInTheStartedCardAndIsWrittenBeforeTheMessage() {
        WindowFixture f;
        WriteTwoCards(f);
        const auto image = f.Dir() / "modem.img";
        auto modem = f.StartModem({"--image", image.string()});
        TForm1& form = f.Start();
        std::vector<int> bar;
        connect(f.Find<QProgressBar>("Progress"), &QProgressBar::valueChanged, this,
                [&](int v) { bar.push_back(v); });

        // On a screen lower than the window (offscreen: 800×600, as low as 1366×768 at 125 %)
        // every button is in view at once, none of them in a scrolled part.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(form.height() < screen.height());
        for (const char* name :
             {"ExitBtn", "SpeedButton4", "BitBtn1", "BitBtn3", "ProgBtn", "ctrlBtn"}) {
            QWidget* button = f.Find<QWidget>(name);
            QVERIFY2(
                form.rect().contains(QRect(button->mapTo(&form, QPoint(0, 0)), button->size())),
                name);
            for (QWidget* w = button; w != &form; w = w->parentWidget())
                QVERIFY2(!qobject_cast<QScrollArea*>(w), name);
        }
        // The bottom row keeps its geometry whatever shows in it.
        const QRect control = f.Find<QWidget>("ctrlBtn")->geometry();
        f.ClickRow(2);  // a device without loops: no "Записать настройки в УОО"
        QVERIFY(!f.Visible("ProgUoBtn"));
        QCOMPARE(f.Find<QWidget>("ctrlBtn")->geometry(), control);
        f.ClickRow(1);

        const double before = CurrentDays();
        f.Click("ProgBtn");
        QCOMPARE(f.Find<QPushButton>("ProgBtn")->text(), QStringLiteral("Остановить"));
        for (const char* off : {"SpeedButton1", "ProgUoBtn", "BitBtn1", "SetsGrid"})
            QVERIFY(!f.Enabled(off));
        QVERIFY(f.Enabled("SearchEdit") && f.Visible("Progress"));
        f.Search("Офис");  // a search hit selects another card meanwhile
        QCOMPARE(form.Database().SelectedIndex, 1);

        std::uint16_t onDiskAtMessage = 0;
        f.dialogs.onMessage = [&](const ScriptedDialogs::Shown&) {
            onDiskAtMessage = f.ReadBack()->cards[0].ProgID1;
        };
        WaitIdle(f);
        QCOMPARE(f.dialogs.Texts(), QStringList{QString::fromUtf8(ProgramDoneText)});
        QCOMPARE(f.dialogs.shown[0].caption, QStringLiteral("Операция завершена"));
        const std::uint16_t held = HeldImageCrc(image);
        QVERIFY(held != 0);
        QCOMPARE(onDiskAtMessage, held);
        const auto onDisk = f.ReadBack();
        for (const CardDatabase* db : {&form.Database(), onDisk.get()}) {
            const CardRecord& card = db->cards[0];
            QCOMPARE(std::uint16_t(card.ProgID1), held);
            QCOMPARE(std::uint16_t(card.ProgID2), std::uint16_t(0x1A2B));
            QVERIFY(card.DateProgrammed >= before && card.DateProgrammed <= CurrentDays());
            QCOMPARE(double(db->cards[1].DateProgrammed), 0.0);
        }
        QVERIFY(!f.Cell(1, 5).isEmpty());
        QCOMPARE(f.Find<QPushButton>("ProgBtn")->text(), QStringLiteral("Программировать"));
        for (const char* on : {"SpeedButton1", "ProgUoBtn", "BitBtn1", "SetsGrid"})
            QVERIFY(f.Enabled(on));
        QVERIFY(!f.Visible("Progress"));
        // Steps of one every 100 ms, 9 followed by 0, and back to 0 at the end.
        QVERIFY(bar.size() > 3 && bar.back() == 0);
        for (std::size_t i = 1; i + 1 < bar.size(); ++i) QCOMPARE(bar[i], (bar[i - 1] + 1) % 10);

        // The read names the card; a change after programming is told apart.
        QCOMPARE(ReadCardLine(f), QStringLiteral("Карточка № 101 (объект «Склад»), строка 1: "
                                                 "модем запрограммирован этой карточкой"));
        StoreField("2222",
                   form.Database().cards[0].Pin1Edit);  // edited since: the modem has the old PIN
        QVERIFY(ReadCardLine(f).endsWith("карточка изменена после программирования"));
        QCOMPARE(f.dialogs.modals, (QStringList{"Считанные данные", "Считанные данные"}));
    }

    // Every operation leaves its entry; the card area, the read-result window and the journal
    // window show them.
    void OperationsAreJournalledAndShown() {
        WindowFixture f;
        WriteTwoCards(f);
        const auto image = f.Dir() / "modem.img";
        auto modem = f.StartModem({"--image", image.string()});
        f.Start();
        QCOMPARE(f.Find<QLabel>("cardHistoryLabel")->text(),
                 QStringLiteral("нет записей в журнале"));
        f.Click("ProgBtn");
        WaitIdle(f);
        const std::string written = FileHex(image);
        QString readHistory;
        f.dialogs.onModal = [&](QDialog& dialog) {
            readHistory = dialog.findChild<QLabel*>("cardHistoryLabel")->text();
        };
        f.Click("SpeedButton1");
        WaitIdle(f);
        f.dialogs.onModal = nullptr;
        f.ChooseTab(1);
        f.Click("ProgUoBtn");
        WaitIdle(f);

        const std::vector<JournalEntry> entries = JournalOf(f);
        QCOMPARE(entries.size(), std::size_t(3));
        const JournalEntry& program = entries[0];
        QCOMPARE(program.operation, JournalOperation::Program);
        QCOMPARE(program.result, JournalResult::Ok);
        QCOMPARE(program.message, std::string(ProgramDoneText));
        QCOMPARE(program.image, written);
        QCOMPARE(QString::fromStdString(program.imageCrc),
                 QStringLiteral("%1").arg(HeldImageCrc(image), 4, 16, QLatin1Char('0')).toUpper());
        QCOMPARE(program.previousId, std::string("1A2B"));
        QCOMPARE(program.row, std::optional<int>(1));
        QCOMPARE(program.cardNumber, std::string("101"));
        QCOMPARE(program.program, std::string("gsmprog"));
        const JournalEntry& read = entries[1];
        QCOMPARE(read.operation, JournalOperation::Read);
        QCOMPARE(read.result, JournalResult::Ok);
        QCOMPARE(read.image, written);
        QCOMPARE(read.imageCrc, program.imageCrc);
        QCOMPARE(read.row, std::optional<int>(1));
        QVERIFY(!read.modemVersion.empty());
        const JournalEntry& device = entries[2];
        QCOMPARE(device.operation, JournalOperation::WriteUo);
        QCOMPARE(device.result, JournalResult::Ok);
        QCOMPARE(device.device, std::optional<int>(2));
        QCOMPARE(device.command.size(), std::size_t(2 * UoCommandSize));
        for (const JournalEntry& entry : entries) {
            QCOMPARE(entry.cable, std::string("VMODEM1"));
            QVERIFY(!entry.port.empty());
        }

        const QString history = f.Find<QLabel>("cardHistoryLabel")->text();
        QVERIFY2(history.startsWith("Последнее программирование: ") &&
                     history.contains("кабель VMODEM1"),
                 qPrintable(history));
        QVERIFY2(readHistory.startsWith("Последнее программирование: "), qPrintable(readHistory));
        f.ClickRow(2);
        QCOMPARE(f.Find<QLabel>("cardHistoryLabel")->text(),
                 QStringLiteral("нет записей в журнале"));

        // One journal window, raised by a second click, told the selected card and each new entry.
        f.Click("journalBtn");
        f.Click("journalBtn");
        JournalWindow* journal = OpenJournalWindow();
        QVERIFY(journal);
        QTRY_VERIFY(!journal->Reading());
        QCOMPARE(journal->Model().EntryCount(), 3);
        QVERIFY(journal->Model().HasCard());
        f.Click("SpeedButton1");
        WaitIdle(f);
        QTRY_VERIFY(!journal->Reading());
        QCOMPARE(journal->Model().EntryCount(), 4);
        QCOMPARE(journal->Model().index(0, 1).data().toString(), QStringLiteral("Считывание"));
        // It goes with the window: left open, it would keep the program running.
        QVERIFY(journal->isVisible());
        QVERIFY(f.Form().close());
        QVERIFY(!journal->isVisible());
    }

    // A journal that cannot be written changes no result; it is told once, under the result.
    void AnUnwritableJournalIsToldOnceUnderTheResult() {
        WindowFixture f;
        WriteTwoCards(f);
        std::filesystem::create_directory(OperationJournal(f.Dir()).File());
        auto modem = f.StartModem();
        f.Start();
        f.Click("ProgBtn");
        WaitIdle(f);
        f.Click("ProgUoBtn");
        WaitIdle(f);
        QCOMPARE(f.dialogs.Texts(),
                 (QStringList{QString::fromUtf8(ProgramDoneText), QString::fromUtf8(UoDoneText)}));
        QVERIFY2(f.dialogs.shown[0].detail.startsWith("Журнал операций не записан"),
                 qPrintable(f.dialogs.shown[0].detail));
        QCOMPARE(f.dialogs.shown[1].detail, QString());
        QVERIFY(f.ReadBack()->cards[0].ProgID1 != 0x1A2B);
    }

    // A large journal is read aside at the start, its line shown when in; another program's
    // appends are then read at the next selection.
    void ALargeJournalIsReadAsideAndAppendsAtTheNextSelection() {
        WindowFixture f;
        WriteTwoCards(f);
        JournalEntry entry;
        entry.time = "2026-12-07T10:42:13+03:00";
        entry.operation = JournalOperation::Program;
        entry.result = JournalResult::Ok;
        entry.user = "ivanov";
        entry.cable = "FT4ABC12";
        entry.row = 1;
        entry.cardNumber = "101";
        entry.image = std::string(888, 'A');
        const std::filesystem::path journal = OperationJournal(f.Dir()).File();
        std::string lines;
        while (lines.size() <= CardHistorySource::InlineReadLimit) lines += JournalLine(entry);
        std::ofstream(journal, std::ios::binary) << lines;
        f.Start();
        auto* history = f.Find<QLabel>("cardHistoryLabel");
        const QString programmed =
            QStringLiteral("Последнее программирование: 07.12.2026 10:42, ivanov, кабель FT4ABC12");
        // The read may be in already, as the window's start lets events run.
        QVERIFY2(history->text() == QString::fromUtf8(CardHistorySource::ReadingText) ||
                     history->text() == programmed,
                 qPrintable(history->text()));
        QTRY_COMPARE(history->text(), programmed);

        entry.time = "2026-12-08T09:00:00+03:00";
        entry.user = "petrov";
        QCOMPARE(AppendJournalLine(journal, JournalLine(entry)), std::string());
        QCOMPARE(history->text(), programmed);  // asked on selection, not watched
        f.ClickRow(2);
        QCOMPARE(history->text(), QStringLiteral("нет записей в журнале"));
        f.ClickRow(1);
        QCOMPARE(history->text(), QStringLiteral(
                                      "Последнее программирование: 08.12.2026 09:00, petrov, "
                                      "кабель FT4ABC12"));
    }

    void EmptyCardAndMissingCable() {
        WindowFixture f;
        WriteTwoCards(f);
        FakeSystem system;  // no adapter on USB
        f.UseSystemRoot(system.root.Path());
        TForm1& form = f.Start();
        f.ClickRow(3);
        f.Click("ProgBtn");
        QCOMPARE(
            f.dialogs.Texts(),
            QStringList{QStringLiteral(
                "Текущая запись НЕ СОДЕРЖИТ ДАННЫХ!\nВыберите запись с данными или создайте новую")});
        QCOMPARE(f.dialogs.shown[0].caption, QStringLiteral("Внимание"));
        form.ProgUoBtnClick();
        form.ProgUoBtnClick();
        QVERIFY(!form.ProgRunning && !form.WorkersAlive());
        QCOMPARE(f.dialogs.shown.size(), std::size_t(1));

        f.ClickRow(1);
        f.Click("ProgBtn");
        WaitIdle(f);
        f.Click("SpeedButton1");
        WaitIdle(f);
        QCOMPARE(f.dialogs.Texts().mid(1),
                 (QStringList{Failure(ProgramFailedHeader, CableNotFoundText),
                              Failure(ReadFailedHeader, CableNotFoundText)}));
        QCOMPARE(f.dialogs.shown.back().caption, QStringLiteral("Внимание"));
        // The next step as the cable check words it, the problem not said twice.
        QCOMPARE(f.dialogs.shown.back().detail,
                 QStringLiteral("Подключите кабель к порту USB (для пробы без кабеля запустите "
                                "gsmprog-vmodem)"));
        QCOMPARE(f.Find<QPushButton>("SpeedButton1")->text(), QStringLiteral("Считать"));

        // Both failures are journalled as the user was told them, and each box offered the check.
        const std::vector<JournalEntry> entries = JournalOf(f);
        QCOMPARE(entries.size(), std::size_t(2));
        QCOMPARE(entries[0].operation, JournalOperation::Program);
        QCOMPARE(entries[1].operation, JournalOperation::Read);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            QCOMPARE(entries[i].result, JournalResult::Failed);
            QCOMPARE(QString::fromStdString(entries[i].message),
                     f.dialogs.Texts()[int(i) + 1].trimmed());
            QCOMPARE(f.dialogs.shown[i + 1].action, QStringLiteral("Проверить кабель"));
        }
        QCOMPARE(entries[0].row, std::optional<int>(1));
        QCOMPARE(entries[0].previousId, std::string("1A2B"));
        // "Проверить кабель" opens the cable check.
        f.dialogs.chooseAction = true;
        f.Click("SpeedButton1");
        WaitIdle(f);
        QCOMPARE(f.dialogs.modals, QStringList{QStringLiteral("Проверка кабеля")});
        QCOMPARE(JournalOf(f).size(), std::size_t(3));
    }

    void ABusyCableKeepsTheFailureTextAndSaysSoBelow() {
        WindowFixture f;
        WriteTwoCards(f);
        auto modem = f.StartModem();
        f.Start();
        // Another program holds the port with the lock every gsmprog takes.
        const int holder = ::open(modem->PtyPath().c_str(), O_RDWR | O_NOCTTY);
        QVERIFY(holder >= 0 && ::flock(holder, LOCK_EX | LOCK_NB) == 0);
        f.Click("SpeedButton1");
        WaitIdle(f);
        ::close(holder);
        QCOMPARE(f.dialogs.Texts(), QStringList{Failure(ReadFailedHeader, DriverFailureText)});
        QCOMPARE(f.dialogs.shown[0].detail, QStringLiteral("Кабель занят другой программой"));
    }

    void AnFtdiAdapterBrlttyHoldsIsNamedUnderTheMissingCable() {
        WindowFixture f;
        WriteTwoCards(f);
        FakeSystem system;
        system.Brltty();
        system.Adapter({.driver = "usbfs", .tty = ""});
        system.Process(641, "brltty", {"/dev/bus/usb/001/005"});
        f.UseSystemRoot(system.root.Path());
        f.Start();
        f.Click("SpeedButton1");
        WaitIdle(f);
        QCOMPARE(f.dialogs.Texts(), QStringList{Failure(ReadFailedHeader, CableNotFoundText)});
        QCOMPARE(f.dialogs.shown[0].detail.section('\n', 0, 0),
                 QString::fromUtf8(AdapterWithoutPortText));
        QVERIFY(f.dialogs.shown[0].detail.section('\n', 1).startsWith("brltty забрал кабель: "));
    }

    // A counterfeit chip erased to product ID 0000 has no port either, but no brltty in it.
    void AnErasedAdapterIsNotBlamedOnBrltty() {
        WindowFixture f;
        WriteTwoCards(f);
        FakeSystem system;
        system.Brltty();
        system.Adapter({.product = "0000", .driver = "", .tty = ""});
        f.UseSystemRoot(system.root.Path());
        f.Start();
        f.Click("SpeedButton1");
        WaitIdle(f);
        QCOMPARE(f.dialogs.Texts(), QStringList{Failure(ReadFailedHeader, CableNotFoundText)});
        QVERIFY(f.dialogs.shown[0].detail.startsWith("Код изделия 0000: "));
    }

    void StopsEndWithTheStopMessageAlone() {
        WindowFixture f;
        WriteTwoCards(f);
        auto modem = f.StartModem({"--silent-after-block", "3"});
        TForm1& form = f.Start();
        // Stopped while the cable is still being opened, and midway through the blocks.
        for (int wait : {0, 400}) {
            f.Click("ProgBtn");
            QTest::qWait(wait);
            f.Click("ProgBtn");
            QCOMPARE(f.Find<QPushButton>("ProgBtn")->text(), QStringLiteral("Программировать"));
            QVERIFY(f.Enabled("SpeedButton1") && !f.Visible("Progress"));
            QTRY_VERIFY_WITH_TIMEOUT(!form.WorkersAlive(), OperationTimeoutMs);
            QTest::qWait(50);
        }
        const QString stopped = QString::fromUtf8(ProgramStoppedText);
        QCOMPARE(f.dialogs.Texts(), (QStringList{stopped, stopped}));
        QCOMPARE(f.dialogs.shown[0].caption, QStringLiteral("Операция не завершена"));
        QCOMPARE(std::uint16_t(form.Database().cards[0].ProgID1), std::uint16_t(0x1A2B));
        QCOMPARE(double(f.ReadBack()->cards[0].DateProgrammed), 0.0);

        f.Click("SpeedButton1");
        f.Click("SpeedButton1");
        QTRY_VERIFY_WITH_TIMEOUT(!form.WorkersAlive(), OperationTimeoutMs);
        QCOMPARE(f.dialogs.Texts().back(), QString::fromUtf8(ReadStoppedText));
        QCOMPARE(f.dialogs.shown.back().caption, QStringLiteral("Внимание"));

        const std::vector<JournalEntry> entries = JournalOf(f);
        QCOMPARE(entries.size(), std::size_t(3));
        for (const JournalEntry& entry : entries) QCOMPARE(entry.result, JournalResult::Stopped);
        QCOMPARE(entries[0].message, std::string(ProgramStoppedText));
        QCOMPARE(entries[2].message, std::string(ReadStoppedText));
    }

    void ShortImageWithoutVersionAndBadData() {
        WindowFixture f;
        WriteTwoCards(f);
        f.Start();
        {
            auto modem = f.StartModem({"--short-image", "--no-version"});
            bool balance = true;
            QString version;
            f.dialogs.onModal = [&](QDialog& dialog) {
                balance = dialog.findChild<QGroupBox*>("GroupBox4")->isVisibleTo(&dialog);
                version = dialog.findChild<QLineEdit*>("versionEdit")->text();
            };
            f.Click("SpeedButton1");
            WaitIdle(f);
            QVERIFY(!balance);
            QCOMPARE(version, QStringLiteral("Н/Д"));
        }
        auto modem = f.StartModem({"--bad-image-crc"});
        f.Click("SpeedButton1");
        WaitIdle(f);
        QCOMPARE(f.dialogs.Texts(), QStringList{Failure(ReadFailedHeader, BadReadDataText)});
        QCOMPARE(f.dialogs.modals.size(), 1);
    }

    void DeviceWriteUsesTheTabAndDatesTheCard() {
        WindowFixture f;
        WriteTwoCards(f);
        auto modem = f.StartModem();
        TForm1& form = f.Start();
        f.ChooseTab(1);
        const double before = CurrentDays();
        f.Click("ProgUoBtn");
        QVERIFY(!f.Enabled("ProgBtn") && !f.Enabled("SpeedButton1"));
        WaitIdle(f);
        QCOMPARE(f.dialogs.Texts(), QStringList{QString::fromUtf8(UoDoneText)});
        QCOMPARE(f.dialogs.shown[0].caption, QStringLiteral("Операция завершена"));
        QVERIFY(modem->Log().find("команда УОО: адрес 7, шлейфы охраны 5") != std::string::npos);
        QVERIFY(f.ReadBack()->cards[0].DateProgrammed >= before);
        QVERIFY(!f.Cell(1, 5).isEmpty());
        QCOMPARE(f.Find<QPushButton>("ProgUoBtn")->text(), QStringLiteral("Программировать УО"));
        QVERIFY(f.Enabled("ProgBtn") && !form.ProgRunning);
    }

    void SeveralCablesAskOnceWhileTheChoiceIsAttached() {
        WindowFixture f;
        WriteTwoCards(f);
        auto first = f.StartModem({}, "VMODEM1");
        auto second = f.StartModem({}, "VMODEM2");
        TForm1& form = f.Start();
        QStringList listed;
        f.dialogs.onModal = [&](QDialog& dialog) {
            if (auto* combo = dialog.findChild<QComboBox*>("devCombo")) {
                for (int i = 0; i < combo->count(); ++i) listed << combo->itemText(i);
                QCOMPARE(combo->currentIndex(), 0);
                combo->setCurrentIndex(1);
            }
        };
        for (int run = 0; run < 2; ++run) {
            f.Click("SpeedButton1");
            WaitIdle(f);
        }
        QCOMPARE(listed, (QStringList{"VMODEM1", "VMODEM2"}));
        QCOMPARE(f.dialogs.modals,
                 (QStringList{"Выбор FTDI", "Считанные данные", "Считанные данные"}));
        QCOMPARE(form.FtdiSerial, std::string("VMODEM2"));
        QVERIFY(first->Log().find("READ") == std::string::npos);

        second->Stop();  // unplugged: the one cable left is taken without a question
        f.Click("SpeedButton1");
        WaitIdle(f);
        QCOMPARE(form.FtdiSerial, std::string("VMODEM1"));
        QCOMPARE(f.dialogs.modals.count("Выбор FTDI"), 1);
        QCOMPARE(f.dialogs.modals.size(), 4);
    }

    void ClosingMidOperationStopsAndJoinsEveryWorker() {
        WindowFixture f;
        WriteTwoCards(f);
        auto modem = f.StartModem({"--silent-after-block", "2"});
        TForm1& form = f.Start();
        f.Click("ProgBtn");
        QTest::qWait(300);
        form.close();
        QVERIFY(!form.isVisible());
        QVERIFY(!form.WorkersAlive());
        QVERIFY(f.dialogs.shown.empty());
        QCOMPARE(std::uint16_t(f.ReadBack()->cards[0].ProgID1), std::uint16_t(0x1A2B));
        const std::vector<JournalEntry> entries = JournalOf(f);
        QCOMPARE(entries.size(), std::size_t(1));
        QCOMPARE(entries[0].result, JournalResult::Stopped);
    }

    // A close while the cable is wedged in a write: the window waits 2 s, then leaves the
    // worker to end on its own; its entry is journalled all the same, and only once.
    void AnExchangeLeftRunningAtCloseIsJournalledOnce() {
        WindowFixture f;
        WriteTwoCards(f);
        auto cable = std::make_shared<ScriptedCable>();
        cable->Inject(Fault::BlockingWrite(1));
        f.UseCable(cable);
        TForm1& form = f.Start();
        f.Click("SpeedButton1");
        cable->AwaitBlocked();
        form.close();
        QVERIFY(!form.isVisible());
        QVERIFY(f.dialogs.shown.empty());
        std::vector<JournalEntry> entries = JournalOf(f);
        QCOMPARE(entries.size(), std::size_t(1));
        QCOMPARE(entries[0].operation, JournalOperation::Read);
        QCOMPARE(entries[0].result, JournalResult::Stopped);
        QCOMPARE(QString::fromStdString(entries[0].message),
                 QString::fromUtf8(ReadStoppedText) + "\n\n" + QString::fromUtf8(LeftAtCloseText));
        cable->Unblock();
        QVERIFY(ProgWorker::AbandonedEnded(std::chrono::milliseconds(60000)));
        QCOMPARE(JournalOf(f).size(), std::size_t(1));
    }

    // A logout or `kill` while the success message waits: the modem holds the new ID, and
    // so does the file; the window ends as closed, asking nothing, and frees the database.
    void EndedBySignalUnderTheSuccessMessageKeepsTheNewId() {
        WindowFixture f;
        WriteTwoCards(f);
        const auto image = f.Dir() / "modem.img";
        auto modem = f.StartModem({"--image", image.string()});
        TForm1& form = f.Start();
        const EndSignals endSignals([&form] { form.EndWithoutQuestions(); });
        std::uint16_t onDiskUnderMessage = 0;
        f.dialogs.onMessage = [&](const ScriptedDialogs::Shown&) {
            ::raise(SIGTERM);
            QTest::qWait(200);  // the message's own event loop, as a real box runs it
            onDiskUnderMessage = f.ReadBack()->cards[0].ProgID1;
        };
        f.Click("ProgBtn");
        QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), OperationTimeoutMs);
        QVERIFY(!form.WorkersAlive());
        QCOMPARE(f.dialogs.Texts(), QStringList{QString::fromUtf8(ProgramDoneText)});
        QCOMPARE(f.dialogs.unansweredQuestions, 0);
        const std::uint16_t held = HeldImageCrc(image);
        QVERIFY(held != 0 && held != 0x1A2B);
        QCOMPARE(onDiskUnderMessage, held);
        QCOMPARE(std::uint16_t(f.ReadBack()->cards[0].ProgID1), held);
        DatabaseLock other(f.Dir());
        QCOMPARE(other.Take("test"), DatabaseLock::Outcome::Taken);
    }

    // After programming the read window finds no difference; after three fields of the card
    // changed it lists exactly those three with both values. "Сравнить с карточкой…" compares
    // with the card named by its number; a modem no card owns lists nothing.
    void ReadListsTheFieldsChangedSinceProgramming() {
        WindowFixture f;
        WriteTwoCards(f);
        auto modem = f.StartModem({"--image", (f.Dir() / "modem.img").string()});
        f.Start();
        f.ClickRow(1);
        f.Click("ProgBtn");
        WaitIdle(f);
        QCOMPARE(ReadDifferences(f), QStringList{"Отличий нет"});

        f.StartEditing();
        f.Type("Pin1Edit", "4321");
        f.Type("APN2Edit", "internet3");
        f.Type("smsObjNameEdit", QStringLiteral("Склад 2"));
        f.Save();
        QStringList other;
        QString heading;
        const QStringList changed = ReadDifferences(f, [&](QDialog& dialog) {
            QCOMPARE(dialog.findChild<QLabel*>("differencesHeading")->text(),
                     QStringLiteral("Отличия от карточки № 101, строка 1:"));
            f.dialogs.texts = {"202"};
            QTest::mouseClick(dialog.findChild<QPushButton*>("compareCardBtn"), Qt::LeftButton);
            other = ShownDifferences(dialog);
            heading = dialog.findChild<QLabel*>("differencesHeading")->text();
        });
        QCOMPARE(changed,
                 (QStringList{"PIN1 | 4321 | 1111", "Точка доступа 2 | internet3 | internet2",
                              "Название объекта (опционально) | Склад 2 | "}));
        QCOMPARE(heading, QStringLiteral("Отличия от карточки № 202, строка 2:"));
        QVERIFY(other.contains("УОО 1: Код УО на ПЦН | 5678 | 1234"));
        QCOMPARE(f.dialogs.unansweredQuestions, 0);

        f.ClickRow(1);
        f.StartEditing();
        f.Type("CodeUoo", "999");  // the modem's codes are no card's any more
        f.Save();
        QCOMPARE(ReadDifferences(f), QStringList{});
        QVERIFY(f.dialogs.shown.size() == 1);  // the programming's message alone
    }

    // With an empty database a read becomes a card: "Создать карточку…" opens the read settings
    // and card number unsaved in the empty row chosen, in edit mode, the object empty; once
    // saved and programmed back, the modem gets the settings it held.
    void ACardMadeFromTheModemProgramsTheSameSettings() {
        CardRecord source = ValidCard("303", QStringLiteral("Дача"));
        Connect(source, 0, 3, 4321, 5);
        StoreField(QStringLiteral("Дача 7"), source.smsObjNameEdit);
        StoreField("*105#", source.balCodeSim2);
        source.SmsFlags = SmsSendTo2 | SmsAlarm;
        StoreField("89110000000", source.smsNumber2Edit);
        source.balCritical = 50;  // as a window saves it: an empty value is stored as 10
        source.VersionCombo = 1;
        const ModemImage held = BuildModemImage(source, 1);
        WindowFixture f;
        f.WriteDatabase({});
        const auto image = f.Dir() / "modem.img";
        {
            std::ofstream out(image, std::ios::binary);
            out.write(reinterpret_cast<const char*>(held.bytes.data()),
                      std::streamsize(held.length));
        }
        auto modem = f.StartModem({"--image", image.string()});
        TForm1& form = f.Start();
        QVERIFY(!f.Enabled("ChangesBtn"));

        const QStringList shown = ReadDifferences(f, [&](QDialog& dialog) {
            auto* newCard = dialog.findChild<QPushButton*>("newCardBtn");
            QVERIFY(newCard->isVisibleTo(&dialog));
            f.dialogs.texts = {"300"};  // not the first empty row: the user's choice
            QTest::mouseClick(newCard, Qt::LeftButton);
        });
        QCOMPARE(shown, QStringList{});
        QCOMPARE(f.dialogs.textPrompts,
                 QStringList{"Создать карточку: Пустая строка для новой карточки: [1]"});
        QVERIFY(form.EditMode);
        QCOMPARE(form.Database().SelectedIndex, 299);
        // The row in view, and the form saying what to fill in first.
        auto* grid = f.Find<QTableView>("SetsGrid");
        QVERIFY(grid->viewport()->rect().contains(
            grid->visualRect(grid->model()->index(299, 0)).center()));
        QCOMPARE(f.Find<QLabel>("cardHistoryLabel")->text(), QString::fromUtf8(TForm1::NewCardHint));
        QCOMPARE(f.Text("NCardEdit"), QStringLiteral("303"));
        QCOMPARE(f.Text("Edit1"), QString());
        QCOMPARE(form.focusWidget(), f.Find<QWidget>("NCardEdit"));
        QCOMPARE(f.Text("smsObjNameEdit"), QStringLiteral("Дача 7"));
        QVERIFY(!f.ReadBack()->cards[299].InUse());  // nothing written before the save

        f.Type("Edit1", QStringLiteral("Дача"));
        f.Save();
        QVERIFY(!form.EditMode);
        QVERIFY(f.Find<QLabel>("cardHistoryLabel")->text() != QString::fromUtf8(TForm1::NewCardHint));
        QVERIFY(f.ReadBack()->cards[299].InUse());
        QCOMPARE(std::uint16_t(f.ReadBack()->cards[299].ProgID1), held.crc);
        f.Click("ProgBtn");
        WaitIdle(f);
        const std::vector<std::uint8_t> written = HeldImage(image);
        QCOMPARE(written.size(), held.length);
        // Equal but for the moment of the write, the random pair and the CRC.
        const std::size_t stamp = offsetof(CardRecord, ImageTimestamp);
        for (std::size_t i = 0; i < written.size() - 4; ++i)
            if (i < stamp || i >= stamp + sizeof(CardRecord::ImageTimestamp))
                QVERIFY2(written[i] == held.bytes[i], qPrintable(QString::number(i)));
    }

    // "Что изменено после программирования" compares the selected card with the image the
    // journal keeps of its last programming, or says there is none.
    void ChangesSinceProgrammingComeFromTheJournal() {
        WindowFixture f;
        WriteTwoCards(f);
        CardRecord programmed = ValidCard("101", "Склад");
        Connect(programmed, 0, 2, 1234, 3);
        Connect(programmed, 1, 2, 1235, 7);
        StoreField("9999", programmed.Pin2Edit);
        const ModemImage image = BuildModemImage(programmed, 1);
        JournalEntry entry;
        entry.time = "2026-12-07T10:42:13+03:00";
        entry.operation = JournalOperation::Program;
        entry.result = JournalResult::Ok;
        entry.row = 1;
        entry.cardNumber = "101";
        entry.image = HexText(image.bytes.data(), image.length);
        QVERIFY(AppendJournalLine(JournalFile(f.Dir()), JournalLine(entry)).empty());
        auto modem = f.StartModem();
        f.Start();
        QStringList rows;
        bool offered = false;
        // Differences offer the programming that writes them; the click starts it.
        f.dialogs.onModal = [&](QDialog& dialog) {
            rows = ShownDifferences(dialog);
            auto* program = dialog.findChild<QPushButton*>("programChangesBtn");
            offered = program && program->text() == QStringLiteral("Программировать модем");
            if (program) QTest::mouseClick(program, Qt::LeftButton);
        };
        f.ClickRow(1);
        f.Click("ChangesBtn");
        QCOMPARE(f.dialogs.modals, QStringList{"Что изменено после программирования"});
        QCOMPARE(rows, (QStringList{"PIN2 | 2222 | 9999"}));
        QVERIFY(offered);
        WaitIdle(f);
        QCOMPARE(f.dialogs.Texts(), QStringList{QString::fromUtf8(ProgramDoneText)});
        f.Click("ChangesBtn");
        QCOMPARE(rows, QStringList{"Отличий нет"});
        QVERIFY(!offered);
        f.ClickRow(2);
        f.Click("ChangesBtn");
        QCOMPARE(f.dialogs.Texts().back(),
                 QStringLiteral("Нет записи о программировании этой карточки в журнале"));
        f.ClickRow(3);
        QVERIFY(!f.Enabled("ChangesBtn"));
    }

    // The same end in edit mode and under a question: no question is asked or waited for.
    void EndedBySignalWhileEditingAsksNothing() {
        WindowFixture f;
        WriteTwoCards(f);
        TForm1& form = f.Start();
        const EndSignals endSignals([&form] { form.EndWithoutQuestions(); });
        f.StartEditing();
        ::raise(SIGHUP);
        QTRY_VERIFY(!form.isVisible());
        QVERIFY(f.dialogs.shown.empty());
    }
};

QTEST_MAIN(HardwareOperationsTest)
#include "hardware_operations_test.moc"
