// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The framed unit of the programming exchanges: 0x3A, n, n data bytes, and the NegatedSum8
// of everything before it. The end frame is the frame with n = 0.

#include <cstdint>

namespace gsmprog {

inline constexpr std::uint8_t FrameStart = 0x3A;
inline constexpr std::uint8_t EndFrame[] = {FrameStart, 0x00, 0xC6};
inline constexpr std::uint32_t MaxFrameData = 35;  // the most a device frame may carry

// Writes the frame of `n` bytes of `data` into `frame` (room for n + 3); returns n + 3.
std::uint32_t MakeBlockFrame(const std::uint8_t* data, std::uint32_t n, std::uint8_t* frame);

}  // namespace gsmprog
