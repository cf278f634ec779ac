// Loading and saving a full database (9000 cards and the template, 7 992 888 bytes) beside a
// plain read and a plain write+fsync of the same bytes; the ratios are printed at the end.
// Targets: LoadDatabase within 2x the plain read, SaveDatabase within 1.5x the plain write.
//
// Run in a directory on the file system that matters (the files go to a fresh folder in the
// current directory): build/bench/cards/database_bench

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cards/card_database.h"

namespace {

using gsmprog::CardDatabase;
using gsmprog::CardRecord;

constexpr std::size_t FileSize = 9001 * gsmprog::CardRecordSize;

std::filesystem::path WorkDir() {
    static const std::filesystem::path dir = [] {
        std::string pattern = (std::filesystem::current_path() / "database-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        return std::filesystem::path(pattern);
    }();
    return dir;
}

std::unique_ptr<CardDatabase> FullDatabase() {
    auto db = std::make_unique<CardDatabase>(WorkDir());
    for (int i = 0; i < CardDatabase::SlotCount; ++i) {
        CardRecord& card = db->cards[std::size_t(i)];
        std::snprintf(card.NCardEdit, sizeof card.NCardEdit, "%d", i + 1);
        std::snprintf(card.Edit1, sizeof card.Edit1, "object %d", i);
        card.DateChanged = 45000.5 + i;
    }
    return db;
}

void PlainWrite(const std::filesystem::path& file, const std::vector<char>& bytes) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()) || ::fsync(fd) != 0)
        std::abort();
    ::close(fd);
}

void BM_PlainRead(benchmark::State& state) {
    auto db = FullDatabase();
    if (!db->SaveDatabase()) std::abort();
    std::vector<char> buffer(FileSize);
    for (auto _ : state) {
        const int fd = ::open(db->DatabasePath().c_str(), O_RDONLY | O_CLOEXEC);
        if (::read(fd, buffer.data(), buffer.size()) != ssize_t(FileSize)) std::abort();
        ::close(fd);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(FileSize));
}

void BM_LoadDatabase(benchmark::State& state) {
    auto db = FullDatabase();
    if (!db->SaveDatabase()) std::abort();
    for (auto _ : state) {
        if (!db->LoadDatabase()) std::abort();
        benchmark::DoNotOptimize(db->cards.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(FileSize));
}

void BM_PlainWriteFsync(benchmark::State& state) {
    std::vector<char> bytes(FileSize, 'x');
    const auto file = WorkDir() / "plain.bin";
    for (auto _ : state) PlainWrite(file, bytes);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(FileSize));
}

void BM_SaveDatabase(benchmark::State& state) {
    auto db = FullDatabase();
    for (auto _ : state)
        if (!db->SaveDatabase()) std::abort();
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(FileSize));
}

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadDatabase)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainWriteFsync)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveDatabase)->Unit(benchmark::kMillisecond)->UseRealTime();

// Remembers the real time per iteration of each benchmark for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.error_occurred == false)
                seconds_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    void PrintRatio(const char* what, const char* measured, const char* base, double target) {
        if (!seconds_.count(measured) || !seconds_.count(base)) return;
        const double ratio = seconds_[measured] / seconds_[base];
        std::printf("%-36s %5.2f  (target <= %.1f: %s)\n", what, ratio, target,
                    ratio <= target ? "met" : "MISSED");
    }

private:
    std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    reporter.PrintRatio("LoadDatabase / plain read", "BM_LoadDatabase", "BM_PlainRead", 2.0);
    reporter.PrintRatio("SaveDatabase / plain write+fsync", "BM_SaveDatabase", "BM_PlainWriteFsync", 1.5);
    std::error_code error;
    std::filesystem::remove_all(WorkDir(), error);
    benchmark::Shutdown();
    return 0;
}
