// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The control window, offscreen, open for 60 s against gsmprog-vmodem with both logs ticked.
// The cable is watched as the link reads it, so every status reply and trace has the moment
// it arrived; the window is watched as it shows them. Counters, each with its target:
// - cpu_percent: processor time of the whole process in percent of one core; cpu_ratio: that
//   over its goal, 2% of a core with a silent modem, 3% at 100 traces a second and 12% at
//   1000 (target under 1);
// - status_age_ratio: the oldest the status shown ever was (from the arrival of the reply
//   shown to the arrival of the next one, or the end) over 2 s (target under 1);
// - trace_delay_ratio: the longest from a trace's arrival to its log line, over 100 ms
//   (target under 1); traces_lost: arrivals that never reached a log (target 0);
// - rss_growth: resident memory at the end over that after 10 s, and rss_growth_30s over that
//   after 30 s (flat: about 1.0). Each log grows until it holds its 10 000 lines (20 s at
//   1000 traces a second) and stays flat from then on.
// Arguments: traces per second of the modem (0, 100, 1000).

#include <QApplication>
#include <QCheckBox>
#include <QChart>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <deque>
#include <mutex>
#include <vector>

#include "ui/ctrlForm/ctrlForm.h"
#include "prog/ctrl_frame.h"
#include "process_usage.h"
#include "cable/serial_cable.h"
#include "ui/main/user_dialogs.h"
#include "ui/ctrlForm/voltage_chart.h"
#include "support/vmodem_process.h"

using namespace gsmprog;

namespace {

constexpr int OpenSeconds = 60;
constexpr int SettleSeconds = 10;
constexpr int FullSeconds = 30;

// The processor time the window may take, in percent of one core, with a modem sending
// `traces` a second.
double CpuGoalPercent(int traces) { return traces >= 1000 ? 12.0 : traces >= 100 ? 3.0 : 2.0; }

// Room for every moment of a run, made resident before it starts, so that the notes taken
// during the run do not count as the window's memory.
constexpr std::size_t MostMoments = 100000;

std::vector<qint64> Preallocated() {
    std::vector<qint64> moments(MostMoments);
    moments.clear();
    return moments;
}

using bench::ProcessCpuSeconds;
using bench::ResidentMegabytes;

// The moments, on one clock, at which frames arrived and at which the window showed them.
class Moments {
public:
    Moments() {
        clock_.start();
        for (auto& arrivals : arrivals_) arrivals = Preallocated();
    }
    qint64 Now() const { return clock_.nsecsElapsed(); }
    void Arrived(std::uint8_t code) {
        std::lock_guard guard(lock_);
        if (arrivals_[Index(code)].size() < MostMoments) arrivals_[Index(code)].push_back(Now());
    }
    std::vector<qint64> Arrivals(std::uint8_t code) {
        std::lock_guard guard(lock_);
        return arrivals_[Index(code)];
    }
    static int Index(std::uint8_t code) {
        return code == CtrlStatus ? 0 : code == CtrlGsmTrace ? 1 : 2;
    }

private:
    QElapsedTimer clock_;
    std::mutex lock_;  // the link thread adds, the window's thread reads
    std::vector<qint64> arrivals_[3];
};

// The serial cable, noting each whole status reply and trace as the link reads its last byte.
class WatchedCable final : public Cable {
public:
    WatchedCable(const std::filesystem::path& dir, Moments& moments)
        : cable_(dir), moments_(moments) {}

    CableStatus Read(CableHandle handle, void* buffer, std::uint32_t toRead,
                     std::uint32_t* bytesRead) override {
        const CableStatus status = cable_.Read(handle, buffer, toRead, bytesRead);
        if (status == CableOk && *bytesRead == 0) frame_.clear();  // the line fell silent
        for (std::uint32_t i = 0; status == CableOk && i < *bytesRead; ++i)
            Take(static_cast<std::uint8_t*>(buffer)[i]);
        return status;
    }
    CableStatus CreateDeviceInfoList(std::uint32_t* count) override {
        return cable_.CreateDeviceInfoList(count);
    }
    CableStatus GetDeviceInfoList(CableInfo* list, std::uint32_t capacity,
                                  std::uint32_t* count) override {
        return cable_.GetDeviceInfoList(list, capacity, count);
    }
    CableStatus OpenEx(const char* serial, CableHandle* handle) override {
        return cable_.OpenEx(serial, handle);
    }
    CableStatus SetBaudRate(CableHandle h, std::uint32_t baud) override {
        return cable_.SetBaudRate(h, baud);
    }
    CableStatus SetDataCharacteristics(CableHandle h, std::uint8_t w, std::uint8_t s,
                                       std::uint8_t p) override {
        return cable_.SetDataCharacteristics(h, w, s, p);
    }
    CableStatus SetFlowControl(CableHandle h, std::uint16_t f, std::uint8_t on,
                               std::uint8_t off) override {
        return cable_.SetFlowControl(h, f, on, off);
    }
    CableStatus SetLatencyTimer(CableHandle h, std::uint8_t ms) override {
        return cable_.SetLatencyTimer(h, ms);
    }
    CableStatus SetTimeouts(CableHandle h, std::uint32_t r, std::uint32_t w) override {
        return cable_.SetTimeouts(h, r, w);
    }
    CableStatus GetStatus(CableHandle h, std::uint32_t* rx, std::uint32_t* tx,
                          std::uint32_t* ev) override {
        return cable_.GetStatus(h, rx, tx, ev);
    }
    CableStatus Write(CableHandle h, const void* b, std::uint32_t n, std::uint32_t* w) override {
        return cable_.Write(h, b, n, w);
    }
    CableStatus Close(CableHandle h) override { return cable_.Close(h); }
    ByteWait AwaitBytes(CableHandle h, std::uint32_t ms, std::uint32_t* queued) override {
        return cable_.AwaitBytes(h, ms, queued);
    }

private:
    void Take(std::uint8_t byte) {
        if (frame_.empty() && byte != CtrlReplyHeader) return;  // handshake text
        frame_.push_back(byte);
        if (!FrameComplete(frame_.data(), frame_.size(), true)) return;
        const std::uint8_t code = frame_[1];
        if (code == CtrlStatus || code == CtrlGsmTrace || code == CtrlDeviceTrace)
            moments_.Arrived(code);
        frame_.clear();
    }

    SerialCable cable_;
    Moments& moments_;
    std::vector<std::uint8_t> frame_;  // the link thread's alone
};

// Notes the moment of every line added to a log: the last line seen is marked, and the lines
// after it are new.
class LogWatch {
public:
    LogWatch(QPlainTextEdit& log, Moments& moments) {
        QObject::connect(&log, &QPlainTextEdit::textChanged, [&log, &moments, this] {
            int added = 0;
            for (QTextBlock block = log.document()->lastBlock();
                 block.isValid() && block.userState() != 1; block = block.previous())
                if (!block.text().isEmpty()) ++added;
            log.document()->lastBlock().setUserState(1);
            for (; added > 0 && shown.size() < MostMoments; --added) shown.push_back(moments.Now());
        });
    }
    std::vector<qint64> shown = Preallocated();
};

void ControlWindowOpen(benchmark::State& state) {
    const int traces = int(state.range(0));
    test::VmodemSetup setup;
    setup.args = {"--traces", std::to_string(traces)};
    test::VmodemProcess modem(setup);
    if (!modem.Started()) return state.SkipWithError("gsmprog-vmodem did not start");
    Moments moments;
    WatchedCable cable(modem.CableDir(), moments);
    QtUserDialogs dialogs;  // never asked: nothing is saved
    TForm4 form(dialogs, Hardware{cable, SystemClock()});
    form.findChild<QCheckBox*>("CheckBox1")->setChecked(true);
    form.findChild<QCheckBox*>("uooViewCheck")->setChecked(true);
    LogWatch gsm(*form.findChild<QPlainTextEdit*>("gsmLog"), moments);
    LogWatch device(*form.findChild<QPlainTextEdit*>("ismLog"), moments);
    std::vector<qint64> statusShown = Preallocated();
    auto* line = static_cast<QLineSeries*>(
        form.findChild<VoltageChart*>("voltChart")->chart()->series().front());
    QObject::connect(line, &QLineSeries::pointAdded, [&] { statusShown.push_back(moments.Now()); });

    double cpu = 0, rssSettled = 0, rssFull = 0, rssEnd = 0;
    qint64 end = 0;
    for (auto _ : state) {
        const double cpuStart = ProcessCpuSeconds();
        const qint64 start = moments.Now();
        form.show();
        QEventLoop loop;
        QTimer::singleShot(SettleSeconds * 1000, [&] { rssSettled = ResidentMegabytes(); });
        QTimer::singleShot(FullSeconds * 1000, [&] { rssFull = ResidentMegabytes(); });
        QTimer::singleShot(OpenSeconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        end = moments.Now();
        rssEnd = ResidentMegabytes();
        cpu = (ProcessCpuSeconds() - cpuStart) / (double(end - start) / 1e9);
        form.close();
    }

    // The status shown is as old as its reply until the next reply is shown.
    const std::vector<qint64> statusArrived = moments.Arrivals(CtrlStatus);
    qint64 oldest = 0;
    for (std::size_t k = 0; k < statusArrived.size() && k < statusShown.size(); ++k) {
        const qint64 replaced = k + 1 < statusShown.size() ? statusShown[k + 1] : end;
        oldest = std::max(oldest, replaced - statusArrived[k]);
    }
    qint64 slowest = 0;
    double lost = 0;
    for (const auto& [code, watch] :
         {std::pair{CtrlGsmTrace, &gsm}, std::pair{CtrlDeviceTrace, &device}}) {
        const std::vector<qint64> arrived = moments.Arrivals(code);
        // Traces that arrived in the last tick may not be shown yet.
        const auto due = std::count_if(arrived.begin(), arrived.end(),
                                       [&](qint64 t) { return end - t > 100'000'000; });
        lost += double(std::max<qint64>(0, due - qint64(watch->shown.size())));
        for (std::size_t k = 0; k < arrived.size() && k < watch->shown.size(); ++k)
            slowest = std::max(slowest, watch->shown[k] - arrived[k]);
    }
    state.counters["cpu_percent"] = 100.0 * cpu;
    state.counters["cpu_ratio"] = 100.0 * cpu / CpuGoalPercent(traces);
    state.counters["status_replies"] = double(statusShown.size());
    state.counters["status_age_ratio"] = double(oldest) / 2e9;
    state.counters["trace_delay_ratio"] = double(slowest) / 100e6;
    state.counters["traces_lost"] = lost;
    state.counters["rss_growth"] = rssEnd / rssSettled;
    state.counters["rss_growth_30s"] = rssEnd / rssFull;
}

BENCHMARK(ControlWindowOpen)
    ->Arg(0)
    ->Arg(100)
    ->Arg(1000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
