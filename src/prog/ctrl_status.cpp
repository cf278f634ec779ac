// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "prog/ctrl_status.h"

namespace gsmprog {

namespace {
std::uint16_t Little16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}
}  // namespace

CtrlStatusFields StatusFields(const CtrlPacket& reply) {
    CtrlStatusFields status;
    status.simNumber = (reply.data[0] >> 7) + 1;
    status.batVolt1 = Little16(reply.data + 1);
    status.batVolt2 = Little16(reply.data + 3);
    status.pwrVolt = Little16(reply.data + 5);
    return status;
}

}  // namespace gsmprog
