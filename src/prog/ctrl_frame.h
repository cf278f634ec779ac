// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Building, delimiting and validating the byte frames of the control protocol.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "prog/ctrl_packet.h"

namespace gsmprog {

// The request frame of `packet`: 0x51, code, the first `length` data bytes, NegatedSum8.
std::vector<std::uint8_t> BuildFrame(const CtrlPacket& packet);

// Whether the `count` bytes collected so far form a whole frame, judged by the code in
// byte 1 from the third byte on. Before control mode is entered an unknown code never
// completes, so the text replies of the handshake run on until the line falls silent.
bool FrameComplete(const std::uint8_t* bytes, std::size_t count, bool inCtrlMode);

// Validates a received frame (header 0xAE, checksum, a known reply code, and exactly the
// length its code gives) and fills code, length and data of `out` with its payload.
// `out` is left untouched when the frame is rejected.
bool ParseFrame(const std::uint8_t* bytes, std::size_t count, CtrlPacket& out);

// "51 0C A3 ": two upper-case hexadecimal digits and a blank per byte.
std::string HexBytes(const std::uint8_t* bytes, std::size_t count);

}  // namespace gsmprog
