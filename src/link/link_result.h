#pragma once
// Outcome of a programming exchange.

namespace gsmprog {

enum LinkResult : int {
    LinkDone = 0,            // the device confirmed the write, or the read completed
    LinkCableFailure = 1,    // no cable handle, a failed or short write, a failed poll
    LinkStopped = 2,         // stopped before the exchange ended
    LinkDeviceFailure = 3,   // "ERROR", a malformed reply, or the device fell silent
};

}  // namespace gsmprog
