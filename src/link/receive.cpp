// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/receive.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "link/block_frame.h"

namespace gsmprog {

CableStatus Receive(Cable& cable, CableHandle handle, std::uint8_t* buffer, std::uint32_t capacity,
                    std::uint32_t& received) {
    std::memset(buffer, 0, capacity);
    std::uint32_t waiting = 0, txQueue = 0, events = 0;
    CableStatus status = cable.GetStatus(handle, &waiting, &txQueue, &events);
    received = waiting;
    if (status != CableOk || waiting == 0) return status;

    std::uint32_t bytesRead = 0;
    if (waiting < capacity) return cable.Read(handle, buffer, waiting, &bytesRead);

    // Too long to be a reply: drain it through the buffer, then leave the buffer zero.
    for (std::uint32_t left = waiting; left > 0 && status == CableOk; left -= bytesRead) {
        status = cable.Read(handle, buffer, std::min(left, capacity), &bytesRead);
        if (bytesRead == 0) break;
    }
    std::memset(buffer, 0, capacity);
    return status;
}

bool IsReplyCutShort(const std::uint8_t* reply, std::uint32_t length) {
    if (length == 0) return false;
    if (reply[0] == FrameStart)
        return length < 2 || (reply[1] <= MaxFrameData && length < reply[1] + 3u);
    const std::string_view text(reinterpret_cast<const char*>(reply), length);
    constexpr std::string_view Words[] = {"READY", "READYNEXT", "NEXT", "OK", "ERROR"};
    const auto is = [&](std::string_view word) { return word == text; };
    const auto begins = [&](std::string_view word) {
        return word.size() > length && word.starts_with(text);
    };
    return std::none_of(std::begin(Words), std::end(Words), is) &&
           std::any_of(std::begin(Words), std::end(Words), begins);
}

}  // namespace gsmprog
