// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The texts the control link attaches to its events and error conditions. All texts are
// UTF-8; a GSM trace's own bytes are taken as Windows-1251, the modem's character set.

#include <cstdint>
#include <string>

#include "prog/ctrl_packet.h"

namespace gsmprog {

// Error states of the control link besides the CableResult and cable statuses.
inline constexpr std::uint32_t CtrlReplyTimeout = 54;

// "Ошибка: " and the text of an error reply's byte (taken modulo 3).
std::string ErrorReplyText(std::uint8_t errorByte);

// The text of an error state; `pending` tells whether a request is queued or awaited,
// `requestCode` is the code of the request last sent. Empty for states without a text.
std::string ErrorStateText(std::uint32_t errorState, bool pending, std::uint8_t requestCode);

// "Получен код ключа IButton: 01 23 45 67 89 AB CD EF": a key event with the key's eight
// bytes, which the installer needs to register the key at the console.
std::string KeyCodeText(const CtrlPacket& key);

// The text of an event taken from the result queue; empty for events without one.
// `lastStatusByte` is the status byte of the latest status reply, reported for code 13.
std::string EventText(const CtrlPacket& event, std::uint8_t lastStatusByte);

}  // namespace gsmprog
