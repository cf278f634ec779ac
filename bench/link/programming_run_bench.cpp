// A 444-byte programming run over the real cable against gsmprog-vmodem, measured against
// the protocol's own floor: the sleeps the exchange has to make for the messages it sent
// (200 ms per "PROG_GSMA", 10 ms per "WRITE", 10 ms after each frame). The counter
// "ratio" is wall time divided by that floor. Targets: at most 1.15 with every reply whole,
// 1.25 with replies in two pieces 1 ms apart (an FTDI adapter with its latency timer at 1 ms);
// the 16 ms case (the driver's default timer) shows what the quiet time costs without it.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "link/ftdi_controller.h"
#include "link/modem_image.h"
#include "cable/serial_cable.h"
#include "support/vmodem_process.h"

namespace gsmprog {
namespace {

// Passes every call on and counts what the link wrote.
class CountingCable final : public Cable {
public:
    explicit CountingCable(Cable& inner) : inner_(inner) {}
    int attention = 0;
    int writeCommands = 0;
    int frames = 0;

    CableStatus Write(CableHandle h, const void* buffer, std::uint32_t n, std::uint32_t* w) override {
        const auto* bytes = static_cast<const char*>(buffer);
        if (n == 9 && std::memcmp(bytes, "PROG_GSMA", 9) == 0) ++attention;
        else if (n == 5 && std::memcmp(bytes, "WRITE", 5) == 0) ++writeCommands;
        else if (n >= 3 && bytes[0] == 0x3A) ++frames;
        return inner_.Write(h, buffer, n, w);
    }
    CableStatus CreateDeviceInfoList(std::uint32_t* c) override { return inner_.CreateDeviceInfoList(c); }
    CableStatus GetDeviceInfoList(CableInfo* l, std::uint32_t cap, std::uint32_t* c) override {
        return inner_.GetDeviceInfoList(l, cap, c);
    }
    CableStatus OpenEx(const char* s, CableHandle* h) override { return inner_.OpenEx(s, h); }
    CableStatus SetBaudRate(CableHandle h, std::uint32_t b) override { return inner_.SetBaudRate(h, b); }
    CableStatus SetDataCharacteristics(CableHandle h, std::uint8_t w, std::uint8_t s,
                                       std::uint8_t p) override {
        return inner_.SetDataCharacteristics(h, w, s, p);
    }
    CableStatus SetFlowControl(CableHandle h, std::uint16_t f, std::uint8_t on, std::uint8_t off) override {
        return inner_.SetFlowControl(h, f, on, off);
    }
    CableStatus SetLatencyTimer(CableHandle h, std::uint8_t ms) override { return inner_.SetLatencyTimer(h, ms); }
    CableStatus SetTimeouts(CableHandle h, std::uint32_t r, std::uint32_t w) override {
        return inner_.SetTimeouts(h, r, w);
    }
    CableStatus GetStatus(CableHandle h, std::uint32_t* rx, std::uint32_t* tx, std::uint32_t* e) override {
        return inner_.GetStatus(h, rx, tx, e);
    }
    CableStatus Read(CableHandle h, void* b, std::uint32_t n, std::uint32_t* r) override {
        return inner_.Read(h, b, n, r);
    }
    CableStatus Close(CableHandle h) override { return inner_.Close(h); }

private:
    Cable& inner_;
};

void ProgrammingRun444(benchmark::State& state, std::vector<std::string> modemArgs) {
    test::VmodemSetup setup;
    setup.args = std::move(modemArgs);
    test::VmodemProcess modem(setup);
    if (!modem.Started()) {
        state.SkipWithError("gsmprog-vmodem did not start");
        return;
    }
    SerialCable serial(modem.CableDir());
    CardRecord card{};
    std::strcpy(card.NCardEdit, "1");
    const ModemImage image = BuildModemImage(card, 1);
    double wallMs = 0;
    double floorMs = 0;
    for (auto _ : state) {
        CountingCable cable(serial);
        const auto start = std::chrono::steady_clock::now();
        FTDI_Controller link{cable};
        if (link.Open(image.bytes.data(), static_cast<std::int32_t>(image.length)) != CableOpened ||
            link.Start() != LinkDone) {
            state.SkipWithError("the programming run failed");
            return;
        }
        wallMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        floorMs += 200.0 * cable.attention + 10.0 * cable.writeCommands + 10.0 * cable.frames;
    }
    state.counters["floor_ms"] = benchmark::Counter(floorMs / double(state.iterations()));
    state.counters["ratio"] = benchmark::Counter(wallMs / floorMs);
}
BENCHMARK_CAPTURE(ProgrammingRun444, whole, std::vector<std::string>{})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK_CAPTURE(ProgrammingRun444, pieces_1ms, std::vector<std::string>{"--split-replies", "1"})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK_CAPTURE(ProgrammingRun444, pieces_16ms, std::vector<std::string>{"--split-replies", "16"})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace
}  // namespace gsmprog

BENCHMARK_MAIN();
