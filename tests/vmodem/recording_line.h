// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A modem line that keeps every reply, one entry per write.

#include <vector>

#include "vmodem/device_mode.h"

namespace gsmprog::vmodem {

struct RecordingLine final : ModemLine {
    std::vector<Bytes> replies;
    void Send(const Bytes& reply) override { replies.push_back(reply); }
    using ModemLine::Send;
    std::vector<Bytes> Take() { return std::exchange(replies, {}); }
};

inline Bytes Word(const char* text) {
    return Bytes(text, text + std::char_traits<char>::length(text));
}

}  // namespace gsmprog::vmodem
