// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the control commands share: the control link on the chosen cable, driven as the
// control window drives it, and the texts of its events.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "cli/cli_cable.h"
#include "cli/cli_command.h"
#include "prog/ctrl_packet.h"
#include "prog/ftdi_korvel_ctrl.h"

namespace gsmprog::cli {

struct ControlEvent {
    int code = CtrlNothing;
    std::string text;
    CtrlPacket packet;
    std::uint32_t errorState = 0;  // of an error condition
    CableFailure cableFailure;     // of an error condition: the cable's last failure
};

// Takes the next event of the link on `cable`; false when none waits.
bool NextEvent(FTDI_KorvelCtrl& link, const Cable& cable, ControlEvent& event);

// Takes every event that waits in one hand-over (FTDI_KorvelCtrl::FetchResults) and passes
// each to `show` in order; returns how many were passed.
std::size_t TakeEvents(FTDI_KorvelCtrl& link, const Cable& cable,
                       const std::function<void(const ControlEvent&)>& show);

// The text of an error condition or an error reply of the link on the cable `serial` (empty:
// the first of the list); never empty.
std::string FailureText(const ControlEvent& failure, const std::string& serial);

// ExitDeviceFailure for a reply time-out or an error reply, ExitCableFailure otherwise.
int FailureExit(const ControlEvent& failure);

// For a link that never got an answer to its handshake: prints why and returns the exit
// code. The link does not report a cable that fails meanwhile, so the cable list tells a
// modem that went away with its cable (ExitCableFailure) from one that does not answer
// (ExitDeviceFailure).
int HandshakeFailure(const CableChoice& choice);

// The four fields of a status reply, as the control window fills them: "simNumEdit=N",
// "batVolt1=MV", "batVolt2=MV", "pwrVolt=MV", joined by `separator`.
std::string StatusText(const CtrlPacket& reply, const std::string& separator);

// The commands that make one request: takes the cable option (nothing else) from the
// arguments of `command`, opens the control link on that cable, makes the request with
// `ask` and waits for the reply with `replyCode`, which is stored in `reply`. Failures are
// printed; the result is the exit code. SIGINT or SIGTERM stop the link: ExitStopped.
int AwaitReply(CliContext& context, const char* command, void (FTDI_KorvelCtrl::*ask)(),
               std::uint8_t replyCode, ControlEvent& reply);

}  // namespace gsmprog::cli
