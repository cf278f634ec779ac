// Start-up of the main window with a full database against an empty one, selecting a card,
// and one keystroke of the search over 9000 cards that finds nothing. Offscreen.

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <memory>

#include "card_dates.h"
#include "main.h"
#include "user_dialogs.h"
#include "win1251.h"

using namespace gsmprog;

namespace {

class SilentDialogs final : public UserDialogs {
public:
    bool AskYesNo(QWidget*, const QString&, const QString&) override { return false; }
    void ShowMessage(QWidget*, const QString&, const QString&) override {}
    QString AskSaveFileName(QWidget*, const QString&) override { return {}; }
};

// A directory whose database holds 9000 cards with texts, devices and both dates.
const std::filesystem::path& FullDatabaseDir() {
    static QTemporaryDir dir;
    static bool written = false;
    if (!written) {
        auto database = std::make_unique<CardDatabase>(dir.path().toStdString());
        for (int slot = 0; slot < CardDatabase::SlotCount; ++slot) {
            CardRecord& card = database->slots[slot];
            StoreField(QStringLiteral("К-%1").arg(slot), card.NCardEdit);
            StoreField(QStringLiteral("Объект номер %1, склад").arg(slot), card.Edit1);
            StoreField(QStringLiteral("8970101%1").arg(slot, 12, 10, QLatin1Char('0')), card.SIM_ID1_Edit);
            StoreField(QStringLiteral("Sim-%1").arg(slot), card.SIM_ID2_Edit);
            for (int i = 0; i < 4; ++i) {
                card.UoType[i] = i % 3 + 1;
                card.UoCode[i] = static_cast<std::uint32_t>(slot * 4 + i);
            }
            card.DateChanged = DaysFromDate({2024, 1 + slot % 12, 1 + slot % 28, 8, slot % 60, 30, 0});
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

// Creates the window on `dir` and shows it; the time until it is shown.
double StartSeconds(const std::filesystem::path& dir) {
    SilentDialogs dialogs;
    const auto begin = std::chrono::steady_clock::now();
    TForm1 form(dialogs, dir);
    form.show();
    QApplication::processEvents();
    benchmark::DoNotOptimize(form.isVisible());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

// Both starts in turn, so that a busy machine affects both alike; "ratio" is full / empty.
void BM_StartFullOverEmpty(benchmark::State& state) {
    double empty = 0, full = 0;
    for (auto _ : state) {
        empty += StartSeconds(EmptyDir());
        full += StartSeconds(FullDatabaseDir());
    }
    state.counters["empty_ms"] = empty * 1000 / state.iterations();
    state.counters["full_ms"] = full * 1000 / state.iterations();
    state.counters["ratio"] = full / empty;
}

void BM_SelectCard(benchmark::State& state) {
    SilentDialogs dialogs;
    TForm1 form(dialogs, FullDatabaseDir());
    form.show();
    int row = 1;
    for (auto _ : state) {
        row = row % CardDatabase::SlotCount + 1;
        form.SelectCard(row);
    }
}

}  // namespace

BENCHMARK(BM_StartFullOverEmpty)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_SelectCard)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
