// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The operations journal: appending one programming's entry (with its 444-byte image, flushed
// to disk under the journal's lock), `gsmprog-cli journal` printing 100 000 such entries, and
// the main window's history line of a selected card with 100 000 entries in the journal, once
// its index is built: unchanged, and after another program appended one entry.
// Targets: an append under 5 ms beside a programming run; the listing under 0.5 s; a
// selection's lookup well under the 50 ms a user would notice.
//
// Run in a directory on the file system that matters (the files go to a fresh folder in the
// current directory): build/bench/ops/bench_journal

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "card_files.h"
#include "journal_files.h"
#include "ops/card_history_index.h"
#include "ops/journal_append.h"
#include "spread.h"
#include "support/child_process.h"

namespace gsmprog::bench {
namespace {

using Clock = std::chrono::steady_clock;

void AppendProgrammingEntry(benchmark::State& state) {
    ScratchDir dir;
    const auto journal = dir.Path() / "ProgInfo_12.journal";
    const std::string line = JournalLine(ProgrammingEntry(17));
    Spread ms;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!AppendJournalLine(journal, line).empty()) std::abort();
        const double took = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        state.SetIterationTime(took / 1000);
        ms.Add(took);
    }
    ms.Report(state, "append_ms");
}

void ListHundredThousandEntries(benchmark::State& state) {
    ScratchDir dir;
    WriteProgrammingJournal(dir.Path() / "ProgInfo_12.journal", 100000);
    Spread ms;
    for (auto _ : state) {
        const auto start = Clock::now();
        const test::ProgramResult listed =
            test::RunProgram(test::CliProgram(), {"-C", dir.Path().string(), "journal"});
        const double took = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (listed.exitCode != 0 || listed.out.empty()) std::abort();
        state.SetIterationTime(took / 1000);
        ms.Add(took);
    }
    ms.Report(state, "list_ms");
}

// Arg 1: one entry appended before each lookup (not timed), as another program would.
void SelectCardAtHundredThousandEntries(benchmark::State& state) {
    const bool appended = state.range(0) != 0;
    ScratchDir dir;
    const auto journal = dir.Path() / "ProgInfo_12.journal";
    WriteProgrammingJournal(journal, 100000);
    CardHistoryIndex index(journal);
    index.Update();
    CardRecord card{};
    std::snprintf(card.NCardEdit, sizeof card.NCardEdit, "%d", 1000 + 17);
    const std::string line = JournalLine(ProgrammingEntry(17));
    Spread ms;
    for (auto _ : state) {
        if (appended && !AppendJournalLine(journal, line).empty()) std::abort();
        const auto start = Clock::now();
        index.Update();
        const std::string text = CardHistoryText(index.LastProgramming(16, card));
        const double took = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (text == NoJournalEntriesText) std::abort();
        state.SetIterationTime(took / 1000);
        ms.Add(took);
    }
    ms.Report(state, "lookup_ms");
}

BENCHMARK(AppendProgrammingEntry)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(200);
BENCHMARK(ListHundredThousandEntries)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);
BENCHMARK(SelectCardAtHundredThousandEntries)
    ->ArgName("appended")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(200);

}  // namespace
}  // namespace gsmprog::bench

BENCHMARK_MAIN();
