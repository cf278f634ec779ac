// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ftdi_uo_prog_ctrl.h"

#include "diag/debug_log.h"
#include "link/checksums.h"
#include "link/modem_image.h"

namespace gsmprog {

namespace {
constexpr int PollsPerCommand = 70;  // about seven seconds of 100 ms polls, then again
}  // namespace

bool FTDI_UoProgCtrl::ReplyCutShort() const {
    return FTDI_Controller::ReplyCutShort() || (received_ > 0 && received_ < UoAnswerSize);
}

LinkResult FTDI_UoProgCtrl::Exchange() {
    cable_.SetBaudRate(Handle, 115200);  // as the device expects it; the status is not used
    if (const LinkResult attention = Attention(); attention != LinkDone) return attention;

    const auto length = static_cast<std::uint32_t>(DataLen);
    if (!Send(Data, length, true)) return LinkCableFailure;
    int idle = 0;
    while (IsRunning()) {
        clock_.Sleep(100);
        if (++idle > PollsPerCommand) {
            if (DebugLogOn()) Log("УОО не ответил за 7 с, команда отправлена снова");
            if (!Send(Data, length, true)) return LinkCableFailure;
            idle = 0;
            continue;
        }
        if (!Poll()) return LinkCableFailure;
        if (received_ != UoAnswerSize) continue;
        const bool echoed = RxBuf[0] == Data[8] && RxBuf[1] == Data[9];
        const bool intact = Crc16(RxBuf, UoAnswerSize) == 0;
        if (DebugLogOn())
            Log(std::string("ответ УОО: CRC ") + (intact ? "верна" : "неверна") + ", адрес " +
                (echoed ? "повторён" : "не совпадает"));
        return intact && echoed ? LinkDone : LinkDeviceFailure;
    }
    return LinkStopped;
}

}  // namespace gsmprog
