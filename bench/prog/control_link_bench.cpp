// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The control link over the real cable against gsmprog-vmodem, read at the control window's
// pace (at most 500 events every 50 ms, a status request each second, prog/ctrl_reader_pace.h):
// - LinkNotStarted: 5 s of a link that exists but was never started, as the main window keeps
//   one for its control window; "switches_per_s" is the process's thread switches a second
//   (the target is 0: nothing wakes up while nothing runs).
// - IdleControlMode: 10 s in control mode; counter "cpu_percent" is the processor time of
//   the process (link thread, cable thread and reader) in percent of one core over that
//   time; the target is under 2.
// - ChattyModem: 30 s of a modem sending 1000 traces a second; "cpu_percent" is the processor
//   time of the whole process (every thread: link, cable and reader) in percent of one core,
//   "switches_per_s" its threads' switches a second; the counters give the resident memory
//   after 10 s and after 30 s and their ratio "rss_growth" (flat: about 1.0), the highest it
//   rose above where it started ("rss_peak_growth_mb", sampled at every read), the reads that
//   took all the events they may ("full_reads": the reader fell behind for a moment) and the
//   traffic events dropped (0: the window keeps up).
// - MonitorCommand: gsmprog-cli monitor as an installer runs it, a process of its own against
//   a modem sending 1000 traces a second; "cpu_percent" and "switches_per_s" are that
//   process's, over 20 s after its first 5 (the target is under 5 percent).
// - QueueAtItsBound: the event queue filled past its bounds with traffic events of one size
//   (the argument, in bytes), as when its reader stalls; "heap_mb" is the memory it then holds
//   (the target is under 8 MB), "queue_mb" its own account of it.

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "prog/ctrl_reader_pace.h"
#include "prog/ftdi_korvel_ctrl.h"
#include "prog/result_queue.h"
#include "process_usage.h"
#include "cable/serial_cable.h"
#include "support/child_process.h"
#include "support/vmodem_process.h"

namespace gsmprog {
namespace {

using Clock = std::chrono::steady_clock;

using bench::ProcessContextSwitches;
using bench::ProcessCpuSeconds;
using bench::ResidentMegabytes;

// Drives the link as the control window's two timers do, for `length`: `eachRead` runs after
// every read with the events still waiting (at least), `eachSecond` once a second with the
// seconds passed.
template <typename EachRead, typename EachSecond>
void RunLikeTheWindow(FTDI_KorvelCtrl& link, std::chrono::seconds length, EachRead eachRead,
                      EachSecond eachSecond) {
    const auto start = Clock::now();
    auto nextSecond = start;
    int seconds = 0;
    while (Clock::now() - start < length) {
        const std::size_t taken = link.FetchResults(CtrlEventsPerRead, [](const CtrlResult&) {});
        eachRead(taken >= std::size_t(CtrlEventsPerRead));
        if (Clock::now() >= nextSecond) {
            nextSecond += std::chrono::milliseconds(CtrlStatusIntervalMs);
            if (link.PendingCount() == 0) link.RequestStatus();
            eachSecond(seconds++);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(CtrlReadIntervalMs));
    }
}

// Starts the link and waits for its first status reply: control mode is reached.
bool ReachControlMode(FTDI_KorvelCtrl& link) {
    link.Start();
    link.RequestStatus();
    CtrlPacket packet;
    std::string text;
    const auto limit = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < limit) {
        if (link.FetchResult(&packet, &text) == CtrlStatus) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void LinkNotStarted(benchmark::State& state) {
    test::VmodemProcess modem;
    if (!modem.Started()) return state.SkipWithError("gsmprog-vmodem did not start");
    SerialCable cable(modem.CableDir());
    FTDI_KorvelCtrl link(cable);
    double switches = 0, wall = 0;
    for (auto _ : state) {
        const double switchesStart = ProcessContextSwitches();
        const auto wallStart = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(5));
        wall += std::chrono::duration<double>(Clock::now() - wallStart).count();
        // Less this thread's own two: going to sleep and waking.
        switches += ProcessContextSwitches() - switchesStart - 2;
    }
    state.counters["switches_per_s"] = switches / wall;
}

void IdleControlMode(benchmark::State& state) {
    test::VmodemProcess modem;
    if (!modem.Started()) return state.SkipWithError("gsmprog-vmodem did not start");
    SerialCable cable(modem.CableDir());
    FTDI_KorvelCtrl link(cable);
    if (!ReachControlMode(link)) return state.SkipWithError("no control mode");
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double cpuStart = ProcessCpuSeconds();
        const auto wallStart = Clock::now();
        RunLikeTheWindow(
            link, std::chrono::seconds(10), [](bool) {}, [](int) {});
        cpu += ProcessCpuSeconds() - cpuStart;
        wall += std::chrono::duration<double>(Clock::now() - wallStart).count();
    }
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
}

void ChattyModem(benchmark::State& state) {
    test::VmodemSetup setup;
    setup.args = {"--traces", "1000"};
    test::VmodemProcess modem(setup);
    if (!modem.Started()) return state.SkipWithError("gsmprog-vmodem did not start");
    SerialCable cable(modem.CableDir());
    FTDI_KorvelCtrl link(cable);
    if (!ReachControlMode(link)) return state.SkipWithError("no control mode");
    double rssAt10 = 0, rssAt30 = 0, rssPeak = 0;
    const double rssBefore = ResidentMegabytes();
    int fullReads = 0;
    double cpu = 0, switches = 0, wall = 0;
    for (auto _ : state) {
        const double cpuStart = ProcessCpuSeconds();
        const double switchesStart = ProcessContextSwitches();
        const auto wallStart = Clock::now();
        RunLikeTheWindow(
            link, std::chrono::seconds(30),
            [&](bool full) {
                rssPeak = std::max(rssPeak, ResidentMegabytes());
                fullReads += full;
            },
            [&](int second) {
                if (second == 10) rssAt10 = ResidentMegabytes();
            });
        rssAt30 = ResidentMegabytes();
        cpu += ProcessCpuSeconds() - cpuStart;
        switches += ProcessContextSwitches() - switchesStart;
        wall += std::chrono::duration<double>(Clock::now() - wallStart).count();
    }
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
    state.counters["switches_per_s"] = switches / wall;
    state.counters["rss_10s_mb"] = rssAt10;
    state.counters["rss_30s_mb"] = rssAt30;
    state.counters["rss_growth"] = rssAt30 / rssAt10;
    state.counters["rss_peak_growth_mb"] = rssPeak - rssBefore;
    state.counters["full_reads"] = fullReads;
    state.counters["dropped"] = double(link.DroppedEvents());
}

void MonitorCommand(benchmark::State& state) {
    constexpr auto Settle = std::chrono::seconds(5);
    constexpr auto Measured = std::chrono::seconds(20);
    test::VmodemSetup setup;
    setup.args = {"--traces", "1000"};
    test::VmodemProcess modem(setup);
    if (!modem.Started()) return state.SkipWithError("gsmprog-vmodem did not start");
    double cpu = 0, switches = 0, wall = 0;
    std::size_t lines = 0;
    for (auto _ : state) {
        test::ChildProcess monitor(test::CliProgram(), {"monitor", "--seconds", "30"},
                                   modem.Environment());
        // Its lines are taken as they come, so that it never waits for its output.
        const auto readUntil = [&](Clock::time_point end) {
            for (std::string line; Clock::now() < end;)
                if (monitor.ReadLine(line, std::chrono::milliseconds(100))) ++lines;
        };
        const auto started = Clock::now();
        readUntil(started + Settle);
        const double cpuStart = ProcessCpuSeconds(monitor.Pid());
        const double switchesStart = ProcessContextSwitches(monitor.Pid());
        const auto wallStart = Clock::now();
        readUntil(wallStart + Measured);
        cpu += ProcessCpuSeconds(monitor.Pid()) - cpuStart;
        switches += ProcessContextSwitches(monitor.Pid()) - switchesStart;
        wall += std::chrono::duration<double>(Clock::now() - wallStart).count();
        if (monitor.Wait().exitCode != 0) return state.SkipWithError("gsmprog-cli monitor failed");
    }
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
    state.counters["switches_per_s"] = switches / wall;
    state.counters["lines"] = double(lines);
}

// The heap in use, in bytes.
std::size_t HeapInUse() {
    const struct mallinfo2 heap = mallinfo2();
    return heap.uordblks + heap.hblkhd;
}

void QueueAtItsBound(benchmark::State& state) {
    CtrlPacket event;
    event.code = CtrlGsmTrace;
    event.length = std::int32_t(state.range(0));
    double heapMb = 0, queueMb = 0;
    for (auto _ : state) {
        const std::size_t before = HeapInUse();
        auto queue = std::make_unique<ResultQueue>();
        // Twice what the count bound allows: both bounds are reached whatever the size.
        for (std::size_t i = 0; i < 2 * ResultQueueCapacity; ++i) queue->Push(event);
        heapMb = std::max(heapMb, double(HeapInUse() - before) / (1024.0 * 1024.0));
        queueMb = double(queue->Bytes()) / (1024.0 * 1024.0);
    }
    state.counters["heap_mb"] = heapMb;
    state.counters["queue_mb"] = queueMb;
}

BENCHMARK(LinkNotStarted)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(IdleControlMode)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(ChattyModem)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(MonitorCommand)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(QueueAtItsBound)
    ->Arg(1)
    ->Arg(16)
    ->Arg(64)
    ->Arg(256)
    ->Arg(400)
    ->Arg(1024)
    ->Arg(CtrlPacketDataSize)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace gsmprog

BENCHMARK_MAIN();
