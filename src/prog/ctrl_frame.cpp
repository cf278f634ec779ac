// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "prog/ctrl_frame.h"

#include <algorithm>
#include <cstring>

#include "link/checksums.h"

namespace gsmprog {

namespace {

// Whole frame length for a reply code, given the announced length byte of the traces;
// 0 for a code outside the reply table.
std::size_t ReplyFrameLength(std::uint8_t code, std::uint8_t traceLength) {
    switch (code) {
    case CtrlEmptyReply:
    case CtrlSimSwitch:
    case CtrlOutputsSet: return 3;
    case CtrlIButtonKey: return 11;
    case CtrlStatus: return 10;
    case CtrlErrorReply: return 4;
    case CtrlGsmTrace: return 6 + std::size_t{traceLength};
    case CtrlDeviceTrace: return 5 + std::size_t{traceLength};
    default: return 0;
    }
}

}  // namespace

std::vector<std::uint8_t> BuildFrame(const CtrlPacket& packet) {
    const auto length = static_cast<std::size_t>(std::clamp(packet.length, 0, CtrlPacketDataSize));
    std::vector<std::uint8_t> frame;
    frame.reserve(length + 3);
    frame.push_back(CtrlRequestHeader);
    frame.push_back(packet.code);
    frame.insert(frame.end(), packet.data, packet.data + length);
    frame.push_back(NegatedSum8(frame.data(), frame.size()));
    return frame;
}

bool FrameComplete(const std::uint8_t* bytes, std::size_t count, bool inCtrlMode) {
    if (count < 3) return false;
    switch (bytes[1]) {
    case CtrlStatus: return count >= 10;
    case CtrlGsmTrace: return count >= 4 && count >= 6 + std::size_t{bytes[3]};
    case CtrlDeviceTrace: return count >= 4 && count >= 5 + std::size_t{bytes[3]};
    case CtrlIButtonKey: return count >= 11;
    case CtrlErrorReply: return count >= 4;
    case CtrlSimSwitch: return true;
    default: return inCtrlMode;
    }
}

bool ParseFrame(const std::uint8_t* bytes, std::size_t count, CtrlPacket& out) {
    if (count < 3 || bytes[0] != CtrlReplyHeader) return false;
    if (NegatedSum8(bytes, count - 1) != bytes[count - 1]) return false;
    const std::uint8_t code = bytes[1];
    const std::uint8_t traceLength = count >= 4 ? bytes[3] : 0;
    // A frame cut short by a pause could pass the checksum; its missing payload is not invented.
    const std::size_t expected = ReplyFrameLength(code, traceLength);
    if (expected == 0 || expected != count) return false;

    const std::size_t payload = count - 3;
    out.code = code;
    out.length = static_cast<std::int32_t>(payload);
    std::memcpy(out.data, bytes + 2, payload);
    return true;
}

std::string HexBytes(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        text.push_back(Digits[bytes[i] >> 4]);
        text.push_back(Digits[bytes[i] & 0x0F]);
        text.push_back(' ');
    }
    return text;
}

}  // namespace gsmprog
