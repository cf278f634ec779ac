// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli cables: the serial numbers of the attached cables, in cable-list order, each
// with its latency timer, which decides how long every reply waits to be known whole; on
// stderr, an FTDI adapter that the system gave no port to.

#include <cstring>
#include <iostream>

#include "cli/cli_cable.h"
#include "cli/cli_cards.h"
#include "cli/cli_command.h"
#include "cable/serial_cable.h"

namespace gsmprog::cli {
namespace {

int Cables(CliContext& context) {
    CableChoice choice;
    if (int code = TakeCableOption(context.args, choice); code != ExitSuccess) return code;
    if (!context.args.empty()) return UsageError("лишний аргумент " + context.args.front());
    if (!choice.serial.empty() || !choice.port.empty())
        return UsageError("cables не принимает ключей --cable и --port");
    SerialCable cable;
    std::uint32_t count = 0;
    CableInfo list[DevListCapacity];
    const bool found = cable.CreateDeviceInfoList(&count) == CableOk && count > 0;
    if (!found) PrintText(CableNotFoundText);
    // An adapter the system gave no port to is named whatever else is listed.
    if (cable.AdapterHeldByBrltty()) PrintText(AdapterWithoutPortText);
    if (!found) return ExitCableFailure;
    // As the links see them: the list holds the first DevListCapacity cables.
    if (cable.GetDeviceInfoList(list, DevListCapacity, &count) != CableOk) {
        PrintText(DriverFailureText);
        return ExitCableFailure;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::string serial(list[i].SerialNumber,
                                 strnlen(list[i].SerialNumber, sizeof list[i].SerialNumber));
        std::cout << serial;
        const auto latency = cable.LatencyTimerMs(serial);
        if (latency) std::cout << "\tlatency_timer=" << *latency;
        std::cout << "\n";
    }
    return ExitSuccess;
}

const CliCommandRegistrar registrar(CliGroup::Modem, "cables", "cables",
                                    "серийные номера подключённых кабелей", Cables);

}  // namespace
}  // namespace gsmprog::cli
