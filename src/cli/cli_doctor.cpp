// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli doctor: the cable check, for finding out why a cable does not work. Exit 0 when
// a cable is there that gsmprog can list and open now, 1 when none is.

#include <iostream>

#include "cli/cli_command.h"
#include "ports/cable_check.h"
#include "ports/cable_check_text.h"
#include "ports/cable_directory.h"

namespace gsmprog::cli {
namespace {

int Doctor(CliContext& context) {
    if (!context.args.empty()) return UsageError("лишний аргумент " + context.args.front());
    const CableCheck check = CheckCables({"/", DefaultCableDirectory()});
    std::cout << CableCheckText(check);
    return check.Usable() ? ExitSuccess : ExitCableFailure;
}

const CliCommandRegistrar registrar(CliGroup::Modem, "doctor", "doctor",
                                    "проверка кабеля: что мешает ему работать и как это исправить",
                                    Doctor);

}  // namespace
}  // namespace gsmprog::cli
