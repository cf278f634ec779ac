// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a status reply shows: the current SIM card and the three voltages, as the control
// window fills simNumEdit, batVolt1, batVolt2 and pwrVolt.

#include <cstdint>

#include "prog/ctrl_packet.h"

namespace gsmprog {

struct CtrlStatusFields {
    int simNumber = 1;           // bit 7 of the status byte plus 1
    std::uint16_t batVolt1 = 0;  // battery, charging current off, mV
    std::uint16_t batVolt2 = 0;  // battery, charging current on, mV
    std::uint16_t pwrVolt = 0;   // external supply, mV
};

// The fields of a status reply (code 12) event.
CtrlStatusFields StatusFields(const CtrlPacket& reply);

}  // namespace gsmprog
