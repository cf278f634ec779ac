// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one record that carries control requests, parsed replies and traffic events
// between the control link and its reader. Always copied whole, by value.

#include <cstdint>

namespace gsmprog {

// Data room of a packet: a receive buffer's 4096 bytes plus a frame's header, code and checksum.
inline constexpr std::int32_t CtrlPacketDataSize = 4099;

struct CtrlPacket {
    std::uint8_t code = 0;
    std::uint8_t data[CtrlPacketDataSize] = {};
    std::int32_t length = 0;    // meaningful bytes in data
    std::uint8_t attempts = 0;  // sends still allowed for a request
    std::uint32_t timeout = 0;  // ms per attempt
};

// Request and reply codes of the control protocol, and the link's own event codes.
enum CtrlCode : std::uint8_t {
    CtrlEmptyReply = 0x00,
    CtrlIButtonKey = 0x03,
    CtrlSimSwitch = 0x05,
    CtrlStatus = 0x0C,
    CtrlOutputsSet = 0x0D,
    CtrlGsmTrace = 0xD2,
    CtrlDeviceTrace = 0xD3,
    CtrlBytesSent = 250,
    CtrlBytesReceived = 251,
    CtrlErrorReply = 0xFF,
};

// Event codes of FTDI_KorvelCtrl::FetchResult besides those of the packets.
inline constexpr int CtrlNothing = 254;
inline constexpr int CtrlError = 255;

inline constexpr std::uint8_t CtrlRequestHeader = 0x51;
inline constexpr std::uint8_t CtrlReplyHeader = 0xAE;

}  // namespace gsmprog
