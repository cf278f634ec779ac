// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Outcome of a programming exchange.

#include <cstdint>

namespace gsmprog {

enum LinkResult : int {
    LinkDone = 0,           // the device confirmed the write, or the read completed
    LinkCableFailure = 1,   // no cable handle, a failed or short write, a failed poll
    LinkStopped = 2,        // stopped before the exchange ended
    LinkDeviceFailure = 3,  // "ERROR", a malformed reply, or the device fell silent
};

// Where a write of the settings image stood when the modem stopped answering in the middle
// of it (a LinkDeviceFailure without an "ERROR"), so that the user learns more than "error".
struct WriteSilence {
    bool silent = false;          // the modem fell silent after a block
    std::int32_t blocksSent = 0;  // image blocks sent; the last one got no answer
    std::int32_t blockCount = 0;  // blocks of the whole image
    bool endSent = false;         // every block was answered; the end frame was not
};

}  // namespace gsmprog
