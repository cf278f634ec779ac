// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ftdi_read_ctrl.h"

#include <cstdio>
#include <cstring>

#include "diag/debug_log.h"
#include "link/block_frame.h"
#include "link/checksums.h"

namespace gsmprog {

namespace {
constexpr int VersionAttempts = 4;
constexpr int BlockIdleLimit = 200;  // polls of 10 ms without a block
}  // namespace

LinkResult FTDI_ReadCtrl::QueryVersion() {
    for (int attempt = 0; attempt < VersionAttempts && IsRunning(); ++attempt) {
        if (DebugLogOn()) Log("DEVICE, попытка " + std::to_string(attempt + 1));
        if (!Send("DEVICE", false)) return LinkCableFailure;
        clock_.Sleep(500);
        if (!Poll()) return LinkCableFailure;
        if (!ReplyIs("ERROR") && received_ == 6 && RxBuf[0] == FrameStart && RxBuf[1] == 3 &&
            RxBuf[5] == NegatedSum8(RxBuf, 5)) {
            char text[16];
            std::snprintf(text, sizeof text, "%d.%d.%d", RxBuf[2], RxBuf[3], RxBuf[4]);
            Version = text;
            if (DebugLogOn()) Log("версия модема " + Version);
            return LinkDone;
        }
    }
    if (DebugLogOn()) Log("версия модема не получена");
    return LinkDone;
}

LinkResult FTDI_ReadCtrl::Exchange() {
    Version = "Н/Д";
    if (const LinkResult attention = Attention(); attention != LinkDone) return attention;
    if (const LinkResult version = QueryVersion(); version != LinkDone) return version;
    if (const LinkResult command = RepeatUntilReady("READ", 500); command != LinkDone)
        return command;

    std::int32_t total = 0;
    int idle = 0;
    bool nextPending = true;
    bool done = false;
    bool bad = false;
    while (IsRunning() && !done && !bad) {
        if (nextPending) {
            if (!Send("NEXT", true)) return LinkCableFailure;
            nextPending = false;
            idle = 0;
        } else {
            if (!Poll()) return LinkCableFailure;
            if (RxBuf[0] == FrameStart) {
                const std::uint8_t n = RxBuf[1];
                if (received_ == sizeof EndFrame && n == 0 && RxBuf[2] == EndFrame[2]) {
                    done = true;
                } else if (n <= MaxFrameData) {
                    // A block cut short is refused like a bad one: the bytes it lacks
                    // would be taken from the buffer's rest, and an all-zero rest can even
                    // pass the check.
                    if (received_ < n + 3u) {
                        if (DebugLogOn()) Log("блок короче заявленного");
                        bad = true;
                    } else if (RxBuf[n + 2] == NegatedSum8(RxBuf, n + 2u)) {
                        nextPending = true;
                        if (total + n > BufferSize) {
                            if (DebugLogOn())
                                Log("образ длиннее " + std::to_string(BufferSize) + " байт");
                            bad = true;
                        } else {
                            std::memcpy(Data + total, RxBuf + 2, n);
                            total += n;
                            if (DebugLogOn())
                                Log("блок принят: " + std::to_string(n) + " байт, всего " +
                                    std::to_string(total));
                        }
                    } else {
                        if (DebugLogOn()) Log("неверная контрольная сумма блока");
                        bad = true;
                    }
                }
            }
        }
        if (!nextPending && !done) {
            clock_.Sleep(10);
            if (++idle > BlockIdleLimit) {
                if (DebugLogOn()) Log("модем молчит 2 с, блока нет");
                bad = true;
            }
        }
    }
    if (!IsRunning()) return LinkStopped;
    if (bad) {
        Send("ERROR", false);  // the modem is told; the outcome does not matter any more
        return LinkDeviceFailure;
    }
    if (DebugLogOn()) Log("конец образа: " + std::to_string(total) + " байт");
    Send("OK", false);
    DataLen = total;
    return LinkDone;
}

}  // namespace gsmprog
