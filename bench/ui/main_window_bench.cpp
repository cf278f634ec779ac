// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up of the main window with a full database against an empty one, from its
// construction to the first paint of its card list (ratio_min/median/max, full over empty, the
// two started in turn), selecting a card, search keystrokes over 9000 cards typed at once after
// start and once the window has idled, how long the window's event loop stalls while it
// programs a virtual modem, and the journal window on 100 000 entries: opening it and one
// keystroke of its filter. Offscreen.

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QLineEdit>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "cards/card_dates.h"
#include "journal_files.h"
#include "ops/journal_append.h"
#include "spread.h"
#include "ui/journal/journal_table_model.h"
#include "ui/journal/journal_window.h"
#include "ui/main/main.h"
#include "cable/serial_cable.h"
#include "ui/main/user_dialogs.h"
#include "support/vmodem_process.h"
#include "text/win1251.h"

using namespace gsmprog;

namespace {

class SilentDialogs final : public UserDialogs {
public:
    bool AskYesNo(QWidget*, const QString&, const QString&) override { return false; }
    void ShowMessage(QWidget*, const QString&, const QString&) override {}
    void ShowMessageWithDetail(QWidget*, const QString&, const QString&, const QString&) override {}
    QString AskSaveFileName(QWidget*, const QString&) override { return {}; }
    QString AskText(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    void ShowModal(QDialog&) override {}
};

// A directory whose database holds 9000 cards with texts, devices and both dates.
const std::filesystem::path& FullDatabaseDir() {
    static QTemporaryDir dir;
    static bool written = false;
    if (!written) {
        auto database = std::make_unique<CardDatabase>(dir.path().toStdString());
        for (int slot = 0; slot < CardDatabase::SlotCount; ++slot) {
            CardRecord& card = database->cards[slot];
            StoreField(QStringLiteral("К-%1").arg(slot), card.NCardEdit);
            StoreField(QStringLiteral("Объект номер %1, склад").arg(slot), card.Edit1);
            StoreField(QStringLiteral("8970101%1").arg(slot, 12, 10, QLatin1Char('0')),
                       card.SIM_ID1_Edit);
            StoreField(QStringLiteral("Sim-%1").arg(slot), card.SIM_ID2_Edit);
            for (int i = 0; i < 4; ++i) {
                card.UoType[i] = i % 3 + 1;
                card.UoCode[i] = static_cast<std::uint32_t>(slot * 4 + i);
            }
            card.DateChanged =
                DaysFromDate({2024, 1 + slot % 12, 1 + slot % 28, 8, slot % 60, 30, 0});
            card.DateProgrammed = card.DateChanged + 1.5;
        }
        database->SaveDatabase();
        written = true;
    }
    static const std::filesystem::path path = dir.path().toStdString();
    return path;
}

const std::filesystem::path& EmptyDir() {
    static QTemporaryDir dir;
    static const std::filesystem::path path = dir.path().toStdString();
    return path;
}

// The cables of an empty cable directory: start-up and search touch no modem.
Hardware NoCables() {
    static SerialCable cable(EmptyDir() / "cables");
    return {cable, SystemClock()};
}

// Ends `loop` once the widget it watches has been painted for the first time: after the paint,
// not before it, since the quit is queued behind the painting under way.
class FirstPaint final : public QObject {
public:
    FirstPaint(QWidget& widget, QEventLoop& loop) : loop_(loop) { widget.installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted) {
            painted = true;
            QMetaObject::invokeMethod(&loop_, &QEventLoop::quit, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QEventLoop& loop_;
};

// Shows the window and runs its events until its card list has been painted; false when that
// did not happen within a minute.
bool ShowUntilListPainted(TForm1& form) {
    QEventLoop loop;
    FirstPaint list(*form.findChild<QTableView*>(QStringLiteral("SetsGrid"))->viewport(), loop);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    form.show();
    loop.exec();
    return list.painted;
}

// Creates the window on `dir` and shows it, until its card list has been painted: the search
// needs no texts built, so every row is searchable from then on; what a user waits for, with
// no fixed delay on either side. The milliseconds that took, or a negative number when the
// list was not painted within a minute.
double StartMs(const std::filesystem::path& dir) {
    SilentDialogs dialogs;
    const auto begin = std::chrono::steady_clock::now();
    TForm1 form(dialogs, NoCables(), dir);
    const bool painted = ShowUntilListPainted(form);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    return painted ? ms : -1;
}

// Both starts in turn, so that a busy machine affects both alike; "ratio" is full / empty.
void BM_StartFullOverEmpty(benchmark::State& state) {
    bench::Spread ratio, emptyMs, fullMs;
    for (auto _ : state) {
        const double empty = StartMs(EmptyDir());
        const double full = StartMs(FullDatabaseDir());
        if (empty < 0 || full < 0) return state.SkipWithError("the list was never painted");
        state.SetIterationTime(full / 1000);
        ratio.Add(full / empty);
        emptyMs.Add(empty);
        fullMs.Add(full);
    }
    ratio.Report(state, "ratio");
    emptyMs.Report(state, "empty_ms");
    fullMs.Report(state, "full_ms");
}

void BM_SelectCard(benchmark::State& state) {
    SilentDialogs dialogs;
    TForm1 form(dialogs, NoCables(), FullDatabaseDir());
    form.show();
    int row = 1;
    for (auto _ : state) {
        row = row % CardDatabase::SlotCount + 1;
        form.SelectCard(row);
    }
}

// Milliseconds one keystroke of the search takes: `text` typed at once.
double SearchMs(TForm1& form, const QString& text) {
    QLineEdit* box = form.findChild<QLineEdit*>(QStringLiteral("SearchEdit"));
    box->setText(QString());
    form.SelectCard(1);
    const auto begin = std::chrono::steady_clock::now();
    box->setText(text);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
        .count();
}

// Search keystrokes over 9000 cards (target under 20 ms each): date-like texts, digits and
// dots, and texts found nowhere, so that both passes read every row. "cold" is each text typed
// at once into a window just shown, before it has painted or idled; "warm" the same texts
// typed into a window that has painted its list and idled. Each pair in turn, repeated; the
// timed loop types the two date-like texts found nowhere by turns into the warm window.
void BM_SearchKeystroke(benchmark::State& state) {
    struct Case {
        const char* name;
        QString text;
        int slot;  // the card it selects; 0 for a text found nowhere (the first card stays)
    };
    // The dates of FullDatabaseDir: "12.03.2024" is the first with "12.0", no card has 7 December.
    const Case cases[] = {{"date", QStringLiteral("12.0"), 38},
                          {"date_nowhere", QStringLiteral("07.12"), 0},
                          {"text_nowhere", QStringLiteral("нигде нет"), 0}};
    SilentDialogs dialogs;
    for (const Case& c : cases) {
        bench::Spread cold, warm;
        for (int repeat = 0; repeat < 5; ++repeat) {
            // One window at a time: a second one on the same cards would open them read-only.
            {
                TForm1 fresh(dialogs, NoCables(), FullDatabaseDir());
                fresh.show();
                cold.Add(SearchMs(fresh, c.text));
                if (fresh.Database().SelectedIndex != c.slot)
                    return state.SkipWithError("a text did not select the card it should");
            }
            TForm1 idled(dialogs, NoCables(), FullDatabaseDir());
            if (!ShowUntilListPainted(idled))
                return state.SkipWithError("the list was never painted");
            QApplication::processEvents();
            warm.Add(SearchMs(idled, c.text));
        }
        cold.Report(state, std::string("cold_") + c.name + "_ms");
        warm.Report(state, std::string("warm_") + c.name + "_ms");
    }
    TForm1 form(dialogs, NoCables(), FullDatabaseDir());
    if (!ShowUntilListPainted(form)) return state.SkipWithError("the list was never painted");
    QApplication::processEvents();
    QLineEdit* box = form.findChild<QLineEdit*>(QStringLiteral("SearchEdit"));
    const QString nowhere[] = {QStringLiteral("07.12"), QStringLiteral("31.12")};
    int i = 0;
    for (auto _ : state) box->setText(nowhere[i++ % 2]);
    if (form.Database().SelectedIndex != 0) state.SkipWithError("the text was found");
}

// Programs a card into a virtual modem from the window, as a click on "Программировать модем"
// does, while a 1 ms timer on the window's thread notes the longest gap between its ticks:
// "longest_stall_ms" (target under 50) is the worst the user could notice.
void BM_ProgrammingRunStall(benchmark::State& state) {
    QTemporaryDir dir;
    {
        auto database = std::make_unique<CardDatabase>(dir.path().toStdString());
        CardRecord& card = database->cards[0];
        StoreField(QStringLiteral("101"), card.NCardEdit);
        card.DateChanged = DaysFromDate({2024, 3, 15, 10, 20, 30, 0});
        card.VersionCombo = 1;
        database->SaveDatabase();
    }
    test::VmodemProcess modem;
    if (!modem.Started()) {
        state.SkipWithError("the virtual modem did not start");
        return;
    }
    SerialCable cable(modem.CableDir());
    SilentDialogs dialogs;
    TForm1 form(dialogs, {cable, SystemClock()}, dir.path().toStdString());
    form.show();
    double longest = 0, runs = 0;
    for (auto _ : state) {
        QElapsedTimer since;
        QEventLoop loop;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longest = std::max(longest, double(since.nsecsElapsed()) / 1e6);
            since.restart();
            if (!form.ProgRunning && !form.WorkersAlive()) loop.quit();
        });
        const auto begin = std::chrono::steady_clock::now();
        form.ProgBtnClick();
        since.start();
        tick.start(1);
        loop.exec();
        runs += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }
    if (form.Database().cards[0].ProgID1 == 0) state.SkipWithError("the modem was not programmed");
    state.counters["longest_stall_ms"] = longest;
    state.counters["run_s"] = runs / double(state.iterations());
}

// The journal window on 100 000 programmings: opened until every row's texts are made (target
// under 1 s), and one keystroke of its filter that widens it again, so all rows are scanned
// (target under 50 ms).
const std::filesystem::path& JournalDir() {
    static QTemporaryDir dir;
    static const std::filesystem::path path = [] {
        const std::filesystem::path directory = dir.path().toStdString();
        bench::WriteProgrammingJournal(JournalFile(directory), 100000);
        return directory;
    }();
    return path;
}

// The journal is read off the window's thread: waits until its rows are shown, and gives the
// longest the window's thread was busy meanwhile (ms), polling its events every millisecond.
double WaitRead(const JournalWindow& window) {
    double longest = 0;
    while (window.Reading()) {
        const auto begin = std::chrono::steady_clock::now();
        QCoreApplication::processEvents();
        longest = std::max(longest, std::chrono::duration<double, std::milli>(
                                        std::chrono::steady_clock::now() - begin)
                                        .count());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return longest;
}

void BM_OpenJournalWindow(benchmark::State& state) {
    SilentDialogs dialogs;
    JournalDir();  // written once, before any window is timed
    double longest = 0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        JournalWindow window(dialogs, JournalDir());
        window.show();
        longest = std::max(longest, std::chrono::duration<double, std::milli>(
                                        std::chrono::steady_clock::now() - begin)
                                        .count());
        longest = std::max(longest, WaitRead(window));
        if (window.Model().rowCount() != 100000)
            state.SkipWithError("the journal was not read whole");
    }
    // Target: the window's thread never busy for more than about 300 ms.
    state.counters["longest_stall_ms"] = longest;
}

void BM_JournalFilterKeystroke(benchmark::State& state) {
    SilentDialogs dialogs;
    JournalWindow window(dialogs, JournalDir());
    window.show();
    WaitRead(window);
    auto* filter = window.findChild<QLineEdit*>(QStringLiteral("filterEdit"));
    for (auto _ : state) {
        state.PauseTiming();
        filter->setText(QStringLiteral("10427"));
        state.ResumeTiming();
        filter->setText(QStringLiteral("1042"));
    }
    if (window.Model().rowCount() == 0) state.SkipWithError("the filter found nothing");
}

}  // namespace

BENCHMARK(BM_ProgrammingRunStall)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartFullOverEmpty)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);
BENCHMARK(BM_SelectCard)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenJournalWindow)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_JournalFilterKeystroke)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QApplication app(argc, argv);
    // The window remembers its place per user: never in the real user's settings here.
    QTemporaryDir config;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
