// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The operations journal: appending one programming's entry (with its 444-byte image, flushed
// to disk under the journal's lock), `gsmprog-cli journal` printing 100 000 such entries, and
// the main window's history line of a selected card with 100 000 entries in the journal, once
// its index is built: unchanged, and after another program appended one entry.
// Targets: an append under 5 ms beside a programming run; the listing under 0.5 s; a
// selection's lookup well under the 50 ms a user would notice.
//
// With a million entries (1.5 GB), each command run as a process of its own against its
// yardstick, in turn: the whole listing against `wc -l` of the file (≤ 3×, first line under
// 50 ms, peak memory under 30 MB); `--row` against the whole listing (≤ 0.5×); `--since` a
// recent date (≤ 50 ms); `show 1`, `diff 1` and `support-report` against the same command in a
// folder without a journal (≤ 2×).
//
// Run in a directory on the file system that matters (the files go to a fresh folder in the
// current directory): build/bench/ops/bench_journal

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "card_files.h"
#include "journal_files.h"
#include "link/modem_image.h"
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

// A command run as a process of its own, its output read and dropped.
struct Run {
    double firstLineMs = 0;  // until its first line of output
    double ms = 0;           // until it ended
    double peakMb = 0;       // its peak resident memory (see RunCommand)
};

Run RunCommand(const std::vector<std::string>& command) {
    // A child counts the memory it was forked with in its peak: this process gives back what
    // it freed first, so that the peak is the command's own, give or take a few megabytes.
    ::malloc_trim(0);
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) std::abort();
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) std::abort();
    if (pid == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    Run run;
    bool lineSeen = false;
    std::vector<char> buffer(1 << 16);
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer.data(), buffer.size())) != 0;) {
        if (got < 0) std::abort();
        if (!lineSeen &&
            std::find(buffer.data(), buffer.data() + got, '\n') != buffer.data() + got) {
            lineSeen = true;
            run.firstLineMs =
                std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        }
    }
    ::close(pipeEnds[0]);
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::abort();
    run.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    run.peakMb = double(usage.ru_maxrss) / 1024;
    return run;
}

// A folder with the same database and a journal of a million programmings, and one with the
// database alone; made once, for every case below.
struct MillionFolders {
    static constexpr int Entries = 1000000;
    ScratchDir withJournal;
    ScratchDir without;
    std::filesystem::path journal = withJournal.Path() / "ProgInfo_12.journal";

    MillionFolders() {
        std::string image;
        for (const ScratchDir* dir : {&withJournal, &without}) {
            auto database = FullDatabase(dir->Path());
            // Row 1's card as the journal names it, and the image written from it, for `diff`.
            CardRecord& card = database->cards[0];
            std::snprintf(card.NCardEdit, sizeof card.NCardEdit, "%d", 1001);
            const ModemImage written = BuildModemImage(card, 1);
            image = HexText(written.bytes.data(), written.length);
            if (!database->SaveDatabase()) std::abort();
        }
        WriteProgrammingJournal(journal, Entries, image);
    }
    std::vector<std::string> Cli(const ScratchDir& dir, std::vector<std::string> args) const {
        args.insert(args.begin(), {test::CliProgram().string(), "-C", dir.Path().string()});
        return args;
    }
};

const MillionFolders& Million() {
    static const auto folders = std::make_unique<MillionFolders>();
    return *folders;
}

// `wc -l` of the journal against `gsmprog-cli journal`, then `journal --row 5` against that.
void ListMillionEntries(benchmark::State& state) {
    const MillionFolders& folders = Million();
    Spread listing, row, firstLine, peak;
    for (auto _ : state) {
        const Run read = RunCommand({"wc", "-l", folders.journal.string()});
        const Run all = RunCommand(folders.Cli(folders.withJournal, {"journal"}));
        const Run one = RunCommand(folders.Cli(folders.withJournal, {"journal", "--row", "5"}));
        state.SetIterationTime(all.ms / 1000);
        listing.Add(all.ms / read.ms);
        row.Add(one.ms / all.ms);
        firstLine.Add(all.firstLineMs);
        peak.Add(all.peakMb);
    }
    listing.Report(state, "list_over_wc");
    row.Report(state, "row_over_list");
    firstLine.Report(state, "first_line_ms");
    peak.Report(state, "peak_mb");
}

// `journal --since` the day before the last entry: about 288 entries.
void ListSinceRecentDate(benchmark::State& state) {
    const MillionFolders& folders = Million();
    const std::string since = LocalIsoTime(std::chrono::system_clock::from_time_t(
        std::time_t(ProgrammingEntrySeconds(MillionFolders::Entries - 1) - 86400)));
    Spread ms;
    for (auto _ : state) {
        const Run run = RunCommand(folders.Cli(folders.withJournal, {"journal", "--since", since}));
        state.SetIterationTime(run.ms / 1000);
        ms.Add(run.ms);
    }
    ms.Report(state, "since_ms");
}

// Arg: 0 `show 1`, 1 `diff 1`, 2 `support-report`, with the journal over without it.
void CommandWithMillionEntries(benchmark::State& state) {
    const MillionFolders& folders = Million();
    const auto command = [&](const ScratchDir& dir) -> std::vector<std::string> {
        switch (state.range(0)) {
        case 0: return folders.Cli(dir, {"show", "1"});
        case 1: return folders.Cli(dir, {"diff", "1"});
        default: return folders.Cli(dir, {"support-report", (dir.Path() / "report.txt").string()});
        }
    };
    Spread ratio, ms;
    for (auto _ : state) {
        const Run without = RunCommand(command(folders.without));
        const Run with = RunCommand(command(folders.withJournal));
        state.SetIterationTime(with.ms / 1000);
        ratio.Add(with.ms / without.ms);
        ms.Add(with.ms);
    }
    ratio.Report(state, "ratio");
    ms.Report(state, "ms");
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
BENCHMARK(ListMillionEntries)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(ListSinceRecentDate)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);
BENCHMARK(CommandWithMillionEntries)
    ->ArgName("show_diff_report")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(20);

}  // namespace
}  // namespace gsmprog::bench

BENCHMARK_MAIN();
