#include "cli_cable.h"

#include <signal.h>

#include <atomic>
#include <ctime>
#include <iostream>
#include <thread>

#include "cable_directory.h"
#include "cli_cards.h"
#include "cli_command.h"
#include "serial_cable.h"

namespace gsmprog::cli {

namespace {
sigset_t StopSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}
}  // namespace

int TakeCableOption(std::vector<std::string>& args, CableChoice& choice) {
    std::vector<std::string> rest;
    bool seen = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg != "--cable" && arg != "--port") {
            rest.push_back(arg);
            continue;
        }
        if (i + 1 >= args.size()) {
            PrintFailure("после " + arg + " нужно значение");
            return ExitUsage;
        }
        if (seen) {
            PrintFailure("укажите только один из ключей --cable и --port");
            return ExitUsage;
        }
        seen = true;
        const std::string& value = args[++i];
        if (arg == "--port") {
            choice.port = value;
        } else if (!IsValidCableSerial(value)) {
            PrintFailure("серийный номер кабеля — от 1 до 15 печатных символов: " + value);
            return ExitUsage;
        } else {
            choice.serial = value;
        }
    }
    args = std::move(rest);
    return ExitSuccess;
}

std::unique_ptr<Cable> MakeCable(const CableChoice& choice) {
    if (!choice.port.empty()) return std::make_unique<SerialCable>(choice.port, true);
    return std::make_unique<SerialCable>();
}

StopSignals::StopSignals() {
    const sigset_t set = StopSet();
    pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

StopSignals::~StopSignals() {
    // A signal that came after the work ended is dropped, not delivered late.
    const sigset_t set = StopSet();
    const timespec none{0, 0};
    while (sigtimedwait(&set, nullptr, &none) > 0) {
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

bool StopSignals::Run(const std::function<void()>& work, const std::function<void()>& stop) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    const sigset_t set = StopSet();
    const timespec interval{0, 20'000'000};
    bool stopped = false;
    while (!done) {
        if (sigtimedwait(&set, nullptr, &interval) > 0 && !stopped) {
            stopped = true;
            stop();
        }
    }
    worker.join();
    return stopped;
}

LinkOutcome RunLink(StopSignals& signals, FTDI_Controller& link, const CableChoice& choice,
                    const std::uint8_t* payload, std::int32_t length) {
    LinkOutcome outcome;
    outcome.stopped = signals.Run(
        [&] {
            static_cast<gsmprog::LinkOutcome&>(outcome) =
                RunExchange(link, choice.serial, payload, length);
        },
        [&] { link.Stop(); });
    return outcome;
}

int ReportOutcome(const LinkOutcome& outcome, LinkOperation operation, const char* failedHeader,
                  const char* stoppedText) {
    // A signal that came after the exchange had already finished with the device's
    // confirmation stops nothing: the modem holds the new settings, so they are recorded.
    if (outcome.stopped && outcome.result != LinkDone) {
        PrintText(stoppedText);
        return ExitStopped;
    }
    if (outcome.Done()) return ExitSuccess;
    PrintText(std::string(failedHeader) + FailureReason(operation, outcome));
    if (outcome.opened != CableOpened) return ExitCableFailure;
    return outcome.result == LinkCableFailure ? ExitCableFailure : ExitDeviceFailure;
}

void PrintText(const std::string& text) { std::cerr << text << "\n"; }

}  // namespace gsmprog::cli
