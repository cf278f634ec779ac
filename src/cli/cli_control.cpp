// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_control.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <limits>
#include <thread>

#include "prog/ctrl_status.h"
#include "prog/ctrl_texts.h"
#include "link/cable_texts.h"

namespace gsmprog::cli {

namespace {
using Clock = std::chrono::steady_clock;
constexpr auto PollInterval = std::chrono::milliseconds(10);
// The link never reports a modem that does not answer the handshake; this long without any
// event means it does not.
constexpr auto HandshakeLimit = std::chrono::seconds(5);
constexpr const char* NoControlModeText =
    "Модем не перешёл в режим контроля: нет ответа READY на CTRL_SETUP_GSMA.";
constexpr const char* StoppedText = "Обмен с модемом ОСТАНОВЛЕН.";

bool CableGone(const CableChoice& choice) {
    std::error_code unknown;  // a port that can no longer be looked at is gone as well
    if (!choice.port.empty()) return !std::filesystem::exists(choice.port, unknown);
    const std::vector<std::string> attached = AttachedSerials(choice);
    if (choice.serial.empty()) return attached.empty();
    return std::find(attached.begin(), attached.end(), choice.serial) == attached.end();
}

}  // namespace

bool NextEvent(FTDI_KorvelCtrl& link, const Cable& cable, ControlEvent& event) {
    event.packet.code = 0;
    event.code = link.FetchResult(&event.packet, &event.text, &event.errorState);
    if (event.code == CtrlError) event.cableFailure = cable.LastFailure();
    return event.code != CtrlNothing;
}

std::size_t TakeEvents(FTDI_KorvelCtrl& link, const Cable& cable,
                       const std::function<void(const ControlEvent&)>& show) {
    ControlEvent event;
    return link.FetchResults(std::numeric_limits<std::size_t>::max(),
                             [&](const CtrlResult& result) {
                                 event.code = result.code;
                                 event.text = result.text;
                                 event.errorState = result.errorState;
                                 // An error condition leaves the packet as it was, as NextEvent
                                 // does.
                                 event.packet.code = 0;
                                 if (result.packet != nullptr) event.packet = *result.packet;
                                 if (event.code == CtrlError)
                                     event.cableFailure = cable.LastFailure();
                                 show(event);
                             });
}

std::string FailureText(const ControlEvent& failure, const std::string& serial) {
    // A failed open (the link's state is the open's result) of a busy or an unknown cable is
    // named as such rather than the driver blamed.
    const auto opened = static_cast<CableResult>(failure.errorState);
    if (const char* busy = BusyCableText(opened, failure.cableFailure)) return busy;
    if (std::string unknown = UnknownCableText(serial, opened, failure.cableFailure);
        !unknown.empty())
        return unknown;
    if (!failure.text.empty()) return failure.text;
    // States the link leaves without a text: a missing cable while nothing was pending, and
    // the statuses of cable calls that failed while working.
    if (failure.errorState == CableNotFound) return CableNotFoundText;
    return CableAccessFailureText;
}

int FailureExit(const ControlEvent& failure) {
    const bool deviceFailure = failure.errorState == 0 || failure.errorState == CtrlReplyTimeout;
    return deviceFailure ? ExitDeviceFailure : ExitCableFailure;
}

int HandshakeFailure(const CableChoice& choice) {
    if (CableGone(choice)) {
        PrintText(CableAccessFailureText);
        return ExitCableFailure;
    }
    PrintText(NoControlModeText);
    return ExitDeviceFailure;
}

std::string StatusText(const CtrlPacket& reply, const std::string& separator) {
    const CtrlStatusFields fields = StatusFields(reply);
    return "simNumEdit=" + std::to_string(fields.simNumber) + separator +
           "batVolt1=" + std::to_string(fields.batVolt1) + separator +
           "batVolt2=" + std::to_string(fields.batVolt2) + separator +
           "pwrVolt=" + std::to_string(fields.pwrVolt);
}

int AwaitReply(CliContext& context, const char* command, void (FTDI_KorvelCtrl::*ask)(),
               std::uint8_t replyCode, ControlEvent& reply) {
    CableChoice choice;
    if (int code = TakeCableOption(context.args, choice); code != ExitSuccess) return code;
    if (!context.args.empty())
        return UsageError(std::string(command) + " принимает только ключ кабеля");

    StopSignals stopSignals;  // before the cable starts its thread
    const auto cable = MakeCable(choice);
    FTDI_KorvelCtrl link(*cable, SystemClock(), choice.serial);
    std::atomic<bool> stop{false};
    int exitCode = ExitSuccess;
    const bool stopped = stopSignals.Run(
        [&] {
            link.Start();
            (link.*ask)();
            auto lastEvent = Clock::now();
            while (!stop) {
                ControlEvent event;
                if (!NextEvent(link, *cable, event)) {
                    if (Clock::now() - lastEvent > HandshakeLimit) {
                        exitCode = HandshakeFailure(choice);
                        return;
                    }
                    std::this_thread::sleep_for(PollInterval);
                    continue;
                }
                lastEvent = Clock::now();
                if (event.code == CtrlError) {
                    PrintText(FailureText(event, choice.serial));
                    exitCode = FailureExit(event);
                    return;
                }
                if (event.code == replyCode) {
                    reply = event;
                    return;
                }
            }
        },
        [&] { stop = true; });
    if (stopped) {
        PrintText(StoppedText);
        return ExitStopped;
    }
    return exitCode;
}

}  // namespace gsmprog::cli
