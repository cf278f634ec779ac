// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli monitor [--seconds N]: keeps the control link running as the open control
// window does (a status request each second, control mode entered again after more than
// five seconds without an event) and prints every event text as the window's logs show
// it: the time of day, " > " and the text (an iButton key with its code). Ends after N
// seconds or on SIGINT/SIGTERM.
// A failure that repeats is printed once; a cable that stays unusable is closed and opened
// again as the window does (CableRecovery), so that the monitor finds a modem that is
// plugged in again. A timed run that never reached the modem failed.

#include <atomic>
#include <chrono>
#include <ctime>
#include <iostream>
#include <thread>
#include <utility>

#include "cli/cli_command.h"
#include "cli/cli_control.h"
#include "prog/cable_recovery.h"
#include "prog/ctrl_texts.h"

namespace gsmprog::cli {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto PollInterval = std::chrono::milliseconds(10);
constexpr auto StatusInterval = std::chrono::seconds(1);
constexpr std::time_t SilenceLimitSeconds = 5;

std::string TimeOfDay(std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

// The line an event of the link on the cable `serial` is shown with; empty for events
// without a text.
std::string EventLine(const ControlEvent& event, const std::string& serial) {
    if (event.code == CtrlStatus) return StatusText(event.packet, " ");
    if (event.code == CtrlError) return FailureText(event, serial);
    if (event.code == CtrlIButtonKey) return KeyCodeText(event.packet);
    return event.text;
}

bool IsCableFailure(const ControlEvent& event) {
    return event.code == CtrlError && event.errorState != 0 && event.errorState != CtrlReplyTimeout;
}

class MonitorLoop {
public:
    MonitorLoop(FTDI_KorvelCtrl& link, const Cable& cable, std::string serial)
        : Link(link), LinkCable(cable), Serial(std::move(serial)) {}

    // The modem answered at least once.
    bool Answered() const { return Reached; }
    // The cable failure shown last, until the modem answers again; empty when none.
    const std::string& Failure() const { return LastFailure; }

    void Run(long seconds, const std::atomic<bool>& stop) {
        Link.Start();
        const auto start = Clock::now();
        auto nextTick = start;
        while (!stop && (seconds == 0 || Clock::now() - start < std::chrono::seconds(seconds))) {
            TakeEvents(Link, LinkCable, [this](const ControlEvent& event) { Show(event); });
            Reached = Reached || Link.InControlMode();
            std::cout.flush();
            Recovery.Keep(Link, Clock::now());
            if (Clock::now() >= nextTick) {
                nextTick += StatusInterval;
                EverySecond();
            }
            std::this_thread::sleep_for(PollInterval);
        }
    }

private:
    void Show(const ControlEvent& event) {
        LastActivity = std::time(nullptr);
        const std::string line = EventLine(event, Serial);
        if (IsCableFailure(event)) {
            if (line == LastFailure) return;
            LastFailure = line;
        } else {
            Reached = true;
            if (event.code != CtrlBytesSent) LastFailure.clear();
        }
        if (!line.empty()) std::cout << TimeOfDay(LastActivity) << " > " << line << '\n';
    }

    // The control window's one-second timer.
    void EverySecond() {
        if (Link.PendingCount() == 0 && Link.IsRunning()) Link.RequestStatus();
        const std::time_t now = std::time(nullptr);
        if (now - LastActivity > SilenceLimitSeconds) {
            LastActivity = now;
            Link.ResetCtrlMode();
        }
    }

    FTDI_KorvelCtrl& Link;
    const Cable& LinkCable;
    const std::string Serial;
    std::time_t LastActivity = std::time(nullptr);
    bool Reached = false;
    CableRecovery Recovery;
    std::string LastFailure;
};

int ParseSeconds(std::vector<std::string>& args, long& seconds) {
    if (args.empty()) return ExitSuccess;
    if (args.size() == 2 && args[0] == "--seconds") {
        try {
            std::size_t used = 0;
            seconds = std::stol(args[1], &used);
            if (used == args[1].size() && seconds > 0) return ExitSuccess;
        } catch (const std::exception&) {}
        return UsageError("--seconds: нужно целое число секунд больше 0: " + args[1]);
    }
    return UsageError("monitor принимает только --seconds СЕКУНДЫ и ключ кабеля");
}

int Monitor(CliContext& context) {
    CableChoice choice;
    if (int code = TakeCableOption(context.args, choice); code != ExitSuccess) return code;
    long seconds = 0;  // 0: until a signal
    if (int code = ParseSeconds(context.args, seconds); code != ExitSuccess) return code;

    StopSignals stopSignals;  // before the cable starts its thread
    const auto cable = MakeCable(choice);
    FTDI_KorvelCtrl link(*cable, SystemClock(), choice.serial);
    std::atomic<bool> stop{false};
    MonitorLoop loop(link, *cable, choice.serial);
    const bool stopped = stopSignals.Run([&] { loop.Run(seconds, stop); }, [&] { stop = true; });
    link.Stop();
    if (const auto dropped = link.DroppedEvents(); dropped > 0)
        PrintText("Пропущено событий обмена: " + std::to_string(dropped));
    if (stopped) return ExitStopped;
    if (loop.Answered()) return ExitSuccess;
    // A run that never reached the modem failed, as status would have.
    if (!loop.Failure().empty()) {
        PrintText(loop.Failure());
        return ExitCableFailure;
    }
    return HandshakeFailure(choice);
}

const CliCommandRegistrar registrar{CliGroup::Control, "monitor",
                                    "monitor [--seconds СЕКУНДЫ] [КАБЕЛЬ]",
                                    "события обмена, как в окне «Контроль»", Monitor};

}  // namespace
}  // namespace gsmprog::cli
