// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/block_frame.h"

#include <cstring>

#include "link/checksums.h"

namespace gsmprog {

std::uint32_t MakeBlockFrame(const std::uint8_t* data, std::uint32_t n, std::uint8_t* frame) {
    frame[0] = FrameStart;
    frame[1] = static_cast<std::uint8_t>(n);
    std::memcpy(frame + 2, data, n);
    frame[n + 2] = NegatedSum8(frame, n + 2);
    return n + 3;
}

}  // namespace gsmprog
