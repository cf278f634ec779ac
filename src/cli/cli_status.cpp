// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli status: one status request in control mode; prints the SIM card in use and
// the three voltages as the control window fills its fields.

#include <iostream>

#include "cli/cli_control.h"

namespace gsmprog::cli {
namespace {

int Status(CliContext& context) {
    ControlEvent reply;
    const int code =
        AwaitReply(context, "status", &FTDI_KorvelCtrl::RequestStatus, CtrlStatus, reply);
    if (code == ExitSuccess) std::cout << StatusText(reply.packet, "\n") << std::endl;
    return code;
}

const CliCommandRegistrar registrar{CliGroup::Control, "status", "status [КАБЕЛЬ]",
                                    "SIM карта и напряжения модема", Status};

}  // namespace
}  // namespace gsmprog::cli
