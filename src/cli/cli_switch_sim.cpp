// gsmprog-cli switch-sim: control mode, then the request to change to the other SIM card;
// succeeds when the modem confirms it.

#include <iostream>

#include "cli_command.h"
#include "cli_control.h"

namespace gsmprog::cli {
namespace {

int SwitchSim(CliContext& context) {
    CableChoice choice;
    if (int code = TakeCableOption(context.args, choice); code != ExitSuccess) return code;
    if (!context.args.empty()) return UsageError("switch-sim принимает только ключ кабеля");
    ControlEvent reply;
    const int code = AwaitReply(choice, &FTDI_KorvelCtrl::RequestSimSwitch, CtrlSimSwitch, reply);
    if (code == ExitSuccess) std::cout << "Модем перешёл на другую SIM карту." << std::endl;
    return code;
}

const CliCommandRegistrar registrar{
    "switch-sim", "switch-sim [--cable СЕРИЙНЫЙ_НОМЕР | --port ПУТЬ]", SwitchSim};

}  // namespace
}  // namespace gsmprog::cli
