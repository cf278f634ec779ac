// The operations journal: appending one programming's entry (with its 444-byte image, flushed
// to disk under the journal's lock), and `gsmprog-cli journal` printing 100 000 such entries.
// Targets: an append under 5 ms beside a programming run; the listing under 0.5 s.
//
// Run in a directory on the file system that matters (the files go to a fresh folder in the
// current directory): build/bench/ops/bench_journal

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "card_files.h"
#include "ops/hex_text.h"
#include "ops/journal_append.h"
#include "ops/journal_entry.h"
#include "spread.h"
#include "support/child_process.h"

namespace gsmprog::bench {
namespace {

using Clock = std::chrono::steady_clock;

JournalEntry ProgrammingEntry(int row) {
    JournalEntry entry;
    entry.time = "2026-12-07T10:42:13+03:00";
    entry.operation = JournalOperation::Program;
    entry.result = JournalResult::Ok;
    entry.message = "Программирование произведено успешно!";
    entry.durationMs = 1400;
    entry.user = "ivanov";
    entry.host = "laptop";
    entry.program = "gsmprog";
    entry.programVersion = "1.38";
    entry.cable = "FT4ABC12";
    entry.port = "/dev/ttyUSB0";
    entry.latencyMs = 1;
    entry.row = row;
    entry.cardNumber = std::to_string(1000 + row);
    entry.object = "Склад «Север», ворота 2";
    entry.deviceCodes = "1234 + 4000000000";
    entry.dateChanged = "2026-12-07T10:40:00";
    entry.imageCrc = "1A2B";
    entry.previousId = "00FF";
    std::uint8_t image[444];
    for (std::size_t i = 0; i < sizeof image; ++i) image[i] = std::uint8_t(i * 7 + row);
    entry.image = HexText(image, sizeof image);
    return entry;
}

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
    {
        std::ofstream out(dir.Path() / "ProgInfo_12.journal", std::ios::binary);
        for (int i = 0; i < 100000; ++i) out << JournalLine(ProgrammingEntry(1 + i % 9000));
    }
    Spread ms;
    for (auto _ : state) {
        const auto start = Clock::now();
        const test::ProgramResult listed = test::RunProgram(test::CliProgram(), {"-C", dir.Path().string(), "journal"});
        const double took = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (listed.exitCode != 0 || listed.out.empty()) std::abort();
        state.SetIterationTime(took / 1000);
        ms.Add(took);
    }
    ms.Report(state, "list_ms");
}

BENCHMARK(AppendProgrammingEntry)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(200);
BENCHMARK(ListHundredThousandEntries)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace
}  // namespace gsmprog::bench

BENCHMARK_MAIN();
