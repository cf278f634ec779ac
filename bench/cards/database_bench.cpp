// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a full database (9000 cards and the template, 7 992 888 bytes) against a plain read
// of the same bytes, and storing a card as gsmprog-cli program does after an exchange (its
// store step: the lock, the database read again as it stands on disk, the card changed, and
// the save: temporary file, fsync, link, rename, folder fsync) against a plain write+fsync of
// as many bytes; each pair timed in turn (plain, ours, plain, ours...) so that a busy machine
// weighs on both alike. Counters: ratio_min/median/max (ours over plain), plain_ms_* and
// ours_ms_*. Targets for the median: loading within 2x the plain read, storing within 1.5x the
// plain write.
//
// Run in a directory on the file system that matters (the files go to a fresh folder in the
// current directory): build/bench/cards/database_bench

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

#include "card_files.h"
#include "cli/cli_command.h"
#include "cli/cli_store.h"
#include "spread.h"

namespace gsmprog::bench {
namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsOf(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Times `plain` and `ours` in turn on every iteration.
void Interleaved(benchmark::State& state, const std::function<void()>& plain,
                 const std::function<void()>& ours) {
    Spread ratio, plainMs, oursMs;
    for (auto _ : state) {
        const double plainTime = MillisecondsOf(plain);
        const double oursTime = MillisecondsOf(ours);
        state.SetIterationTime(oursTime / 1000);
        ratio.Add(oursTime / plainTime);
        plainMs.Add(plainTime);
        oursMs.Add(oursTime);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(DatabaseFileSize));
    ratio.Report(state, "ratio");
    plainMs.Report(state, "plain_ms");
    oursMs.Report(state, "ours_ms");
}

void LoadOverPlainRead(benchmark::State& state) {
    ScratchDir dir;
    auto database = FullDatabase(dir.Path());
    if (!database->SaveDatabase()) std::abort();
    std::vector<char> buffer(DatabaseFileSize);
    const auto plainRead = [&] {
        const int fd = ::open(database->DatabasePath().c_str(), O_RDONLY | O_CLOEXEC);
        if (::read(fd, buffer.data(), buffer.size()) != ssize_t(buffer.size())) std::abort();
        ::close(fd);
        benchmark::DoNotOptimize(buffer.data());
    };
    const auto load = [&] {
        if (!database->LoadDatabase()) std::abort();
        benchmark::DoNotOptimize(database->cards.data());
    };
    Interleaved(state, plainRead, load);
}

void StoreOverPlainWrite(benchmark::State& state) {
    ScratchDir dir;
    if (!FullDatabase(dir.Path())->SaveDatabase()) std::abort();
    // The commands work on the database of the current directory, and lock it there.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    CardDatabase command;  // the command's own copy, loaded at its start
    command.LoadDatabase();
    const std::vector<char> bytes(DatabaseFileSize, 'x');
    const auto plainWrite = [&] { PlainWriteFsync(dir.Path() / "plain.bin", bytes); };
    const auto store = [&] {
        const auto change = [](CardRecord& card) { card.DateChanged += 1; };
        if (cli::StoreInCard(command, 0, change, "карточка не записана") != cli::ExitSuccess)
            std::abort();
    };
    Interleaved(state, plainWrite, store);
    std::filesystem::current_path(previous);
}

BENCHMARK(LoadOverPlainRead)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(50);
BENCHMARK(StoreOverPlainWrite)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(30);

}  // namespace
}  // namespace gsmprog::bench

BENCHMARK_MAIN();
