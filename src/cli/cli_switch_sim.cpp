// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli switch-sim: control mode, then the request to change to the other SIM card;
// succeeds when the modem confirms it.

#include <iostream>

#include "cli/cli_control.h"

namespace gsmprog::cli {
namespace {

int SwitchSim(CliContext& context) {
    ControlEvent reply;
    const int code =
        AwaitReply(context, "switch-sim", &FTDI_KorvelCtrl::RequestSimSwitch, CtrlSimSwitch, reply);
    if (code == ExitSuccess) std::cout << "Модем перешёл на другую SIM карту." << std::endl;
    return code;
}

const CliCommandRegistrar registrar{CliGroup::Control, "switch-sim", "switch-sim [КАБЕЛЬ]",
                                    "перевести модем на другую SIM карту", SwitchSim};

}  // namespace
}  // namespace gsmprog::cli
