// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up of the main window with a full database against an empty one, until the texts of
// all rows are built (ratio_min/median/max, full over empty, the two started in turn), selecting
// a card, one keystroke of the search over 9000 cards that finds nothing, how long the
// window's event loop stalls while it programs a virtual modem, and the journal window on
// 100 000 entries: opening it and one keystroke of its filter. Offscreen.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <memory>

#include "cards/card_dates.h"
#include "journal_files.h"
#include "ops/journal_append.h"
#include "spread.h"
#include "ui/journal/journal_table_model.h"
#include "ui/journal/journal_window.h"
#include "ui/main/card_grid_model.h"
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

// Creates the window on `dir`, shows it and lets it idle until the texts of all its rows are
// built, as the first search wants them; the milliseconds that took, or a negative number when
// they were not built within a minute.
double StartMs(const std::filesystem::path& dir) {
    SilentDialogs dialogs;
    const auto begin = std::chrono::steady_clock::now();
    TForm1 form(dialogs, NoCables(), dir);
    QEventLoop loop;
    bool built = false;
    QObject::connect(form.findChild<CardGridModel*>(), &CardGridModel::AllRowsBuilt, &loop, [&] {
        built = true;
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    form.show();
    loop.exec();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    return built ? ms : -1;
}

// Both starts in turn, so that a busy machine affects both alike; "ratio" is full / empty.
void BM_StartFullOverEmpty(benchmark::State& state) {
    bench::Spread ratio, emptyMs, fullMs;
    for (auto _ : state) {
        const double empty = StartMs(EmptyDir());
        const double full = StartMs(FullDatabaseDir());
        if (empty < 0 || full < 0) return state.SkipWithError("the rows were never built");
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

// Milliseconds one search takes for a text found nowhere.
double SearchMs(QLineEdit* box, const QString& text) {
    const auto begin = std::chrono::steady_clock::now();
    box->setText(text);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
        .count();
}

// One keystroke in the search box over 9000 cards, for a text found nowhere: both passes over
// all rows. "cold_ms" is a search at once after start, before the idle window has formatted
// the rows' texts; "first_ms" the first search half a second after start.
void BM_SearchKeystrokeFindingNothing(benchmark::State& state) {
    SilentDialogs dialogs;
    auto box = [](TForm1& form) {
        return form.findChild<QLineEdit*>(QStringLiteral("SearchEdit"));
    };
    {
        TForm1 cold(dialogs, NoCables(), FullDatabaseDir());
        cold.show();
        state.counters["cold_ms"] = SearchMs(box(cold), QStringLiteral("нигде нет"));
    }
    TForm1 form(dialogs, NoCables(), FullDatabaseDir());
    form.show();
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < 500) QApplication::processEvents(QEventLoop::AllEvents, 10);
    state.counters["first_ms"] = SearchMs(box(form), QStringLiteral("нигде нет"));
    const QString texts[] = {QStringLiteral("нигде нет 1"), QStringLiteral("нигде нет 12")};
    int i = 0;
    for (auto _ : state) box(form)->setText(texts[i++ % 2]);
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

void BM_OpenJournalWindow(benchmark::State& state) {
    SilentDialogs dialogs;
    for (auto _ : state) {
        JournalWindow window(dialogs, JournalDir());
        window.show();
        if (window.Model().rowCount() != 100000)
            state.SkipWithError("the journal was not read whole");
    }
}

void BM_JournalFilterKeystroke(benchmark::State& state) {
    SilentDialogs dialogs;
    JournalWindow window(dialogs, JournalDir());
    window.show();
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
BENCHMARK(BM_SearchKeystrokeFindingNothing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartFullOverEmpty)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);
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
