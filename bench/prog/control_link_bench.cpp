// The control link over the real cable against gsmprog-vmodem, read the way the control
// window reads it (one event every 10 ms, a status request each second):
// - IdleControlMode: 10 s in control mode; counter "cpu_percent" is the processor time of
//   the process (link thread, cable thread and reader) in percent of one core over that
//   time; the target is under 2.
// - ChattyModem: 30 s of a modem sending 1000 traces a second to a reader that takes 100
//   events a second; the counters give the resident memory after 10 s and after 30 s and
//   their ratio "rss_growth" (flat: about 1.0), and the traffic events dropped.

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "prog/ftdi_korvel_ctrl.h"
#include "process_usage.h"
#include "cable/serial_cable.h"
#include "support/vmodem_process.h"

namespace gsmprog {
namespace {

using Clock = std::chrono::steady_clock;

using bench::ProcessCpuSeconds;
using bench::ResidentMegabytes;

// Drives the link as the control window's two timers do, for `length`; `each` runs once a
// second with the seconds passed.
template <typename EachSecond>
void RunLikeTheWindow(FTDI_KorvelCtrl& link, std::chrono::seconds length, EachSecond each) {
    const auto start = Clock::now();
    auto nextSecond = start;
    int seconds = 0;
    CtrlPacket packet;
    std::string text;
    while (Clock::now() - start < length) {
        link.FetchResult(&packet, &text);
        if (Clock::now() >= nextSecond) {
            nextSecond += std::chrono::seconds(1);
            if (link.PendingCount() == 0) link.RequestStatus();
            each(seconds++);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
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
        RunLikeTheWindow(link, std::chrono::seconds(10), [](int) {});
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
    double rssAt10 = 0, rssAt30 = 0;
    for (auto _ : state) {
        RunLikeTheWindow(link, std::chrono::seconds(30), [&](int second) {
            if (second == 10) rssAt10 = ResidentMegabytes();
        });
        rssAt30 = ResidentMegabytes();
    }
    state.counters["rss_10s_mb"] = rssAt10;
    state.counters["rss_30s_mb"] = rssAt30;
    state.counters["rss_growth"] = rssAt30 / rssAt10;
    state.counters["dropped"] = double(link.DroppedEvents());
}

BENCHMARK(IdleControlMode)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(ChattyModem)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace gsmprog

BENCHMARK_MAIN();
