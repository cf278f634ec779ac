// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The whole "gsmprog-cli program 1" (and "write-uo 1 2") as an installer runs it: a child
// process against gsmprog-vmodem on a database of 9000 cards, from its start through the cable
// scan, the load, the exchange and the store to its exit. Its floor is what no program could
// avoid: the sleeps the protocol demands for a 444-byte image with every reply at once (200 ms
// after "PROG_GSMA", 10 ms after "WRITE", 10 ms after each of 14 data frames and the end
// frame: 360 ms; write-uo's: 200 ms after "PROG_GSMA" and one 100 ms poll, 300 ms) plus one plain
// write+fsync of a file of the database's size, as both store the card, timed in turn with the
// commands (command, write, command, write...) so that a busy machine weighs on both alike.
// Counters: ratio_min/median/max (command over floor), command_ms_*, write_ms_*, and
// failed_runs (commands that did not succeed: not timed; the first one's errors and the end
// of the modem's log go to stderr).
// Targets for the median ratio: at most 1.10 with every reply whole, 1.25 with replies in two
// pieces 1 ms apart (an FTDI adapter with its latency timer at 1 ms); the 16 ms case (the
// driver's default timer) shows what the quiet time costs without the udev rule; write-uo at
// most 1.10.
//
// The database goes to a fresh folder in the current directory: run it from the disk that
// matters, e.g. build/bench/link/bench_programming_run.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <string>
#include <vector>

#include "card_files.h"
#include "link/modem_image.h"
#include "spread.h"
#include "support/child_process.h"
#include "support/vmodem_process.h"

namespace gsmprog {
namespace {

using Clock = std::chrono::steady_clock;

constexpr double AttentionSleepMs = 200;
constexpr double WriteSleepMs = 10;
constexpr double FrameSleepMs = 10;
constexpr std::size_t FrameData = 32;

// The protocol's sleeps for an image of `length` bytes: its data frames and the end frame.
double ProtocolFloorMs(std::size_t length) {
    const std::size_t frames = (length + FrameData - 1) / FrameData + 1;
    return AttentionSleepMs + WriteSleepMs + FrameSleepMs * double(frames);
}

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// `write-uo`'s sleeps: 200 ms after "PROG_GSMA", then at least one 100 ms poll for the answer.
constexpr double UoFloorMs = AttentionSleepMs + 100;

// `program 1`, or `write-uo 1 2` when `writeUo`, over its floor: the protocol's sleeps plus the
// store's plain write+fsync.
void CommandOverFloor(benchmark::State& state, std::vector<std::string> modemArgs, bool writeUo) {
    test::VmodemSetup setup;
    setup.args = std::move(modemArgs);
    test::VmodemProcess modem(setup);
    if (!modem.Started()) return state.SkipWithError("gsmprog-vmodem did not start");
    bench::ScratchDir dir;
    const auto database = bench::FullDatabase(dir.Path());
    // An object device with loops for write-uo, as an installer's card has.
    CardRecord& card = database->cards[0];
    card.UoType[1] = 3;
    card.UoCode[1] = 4000000000u;
    card.UoLineAddress[1] = 7;
    if (!database->SaveDatabase()) return state.SkipWithError("the database was not written");
    const double protocolMs =
        writeUo ? UoFloorMs : ProtocolFloorMs(BuildModemImage(card, 1).length);
    std::vector<std::string> args{"-C", dir.Path().string(), "program", "1"};
    if (writeUo) args = {"-C", dir.Path().string(), "write-uo", "1", "2"};
    const std::vector<char> plainBytes(bench::DatabaseFileSize, 'x');

    bench::Spread ratio, commandMs, writeMs;
    int failed = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        const test::ProgramResult result =
            test::RunProgram(test::CliProgram(), args, modem.Environment());
        const double programMs = MillisecondsSince(start);
        if (result.exitCode != 0) {
            // Counted and told, not timed: a busy machine can hold a reply's second piece back
            // longer than the quiet time allows for.
            if (failed++ == 0) {
                const std::string log = modem.Log();
                std::cerr << args[2] << " failed: " << result.err << "the modem's log ends:\n"
                          << log.substr(log.size() - std::min<std::size_t>(log.size(), 1500))
                          << "\n";
            }
            continue;
        }
        start = Clock::now();
        bench::PlainWriteFsync(dir.Path() / "plain.bin", plainBytes);
        const double plainMs = MillisecondsSince(start);
        state.SetIterationTime(programMs / 1000);
        ratio.Add(programMs / (protocolMs + plainMs));
        commandMs.Add(programMs);
        writeMs.Add(plainMs);
    }
    state.counters["protocol_ms"] = protocolMs;
    state.counters["failed_runs"] = failed;
    ratio.Report(state, "ratio");
    commandMs.Report(state, "command_ms");
    writeMs.Report(state, "write_ms");
}
BENCHMARK_CAPTURE(CommandOverFloor, whole, std::vector<std::string>{}, false)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(15);
BENCHMARK_CAPTURE(CommandOverFloor, pieces_1ms, std::vector<std::string>{"--split-replies", "1"},
                  false)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(15);
BENCHMARK_CAPTURE(CommandOverFloor, pieces_16ms, std::vector<std::string>{"--split-replies", "16"},
                  false)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(CommandOverFloor, write_uo, std::vector<std::string>{}, true)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(15);

}  // namespace
}  // namespace gsmprog

BENCHMARK_MAIN();
