// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared by the exchange tests: frames, images, and a scripted modem that answers the
// programming protocol on a ScriptedCable in virtual time.

#include <gtest/gtest.h>

#include <cstring>

#include "link/checksums.h"
#include "link/link_result.h"
#include "link/open_cable.h"
#include "link/modem_image.h"
#include "support/sample_image.h"
#include "support/scripted_cable.h"
#include "support/test_frames.h"

namespace gsmprog::test {

inline const Bytes& EndFrame = EndFrameBytes;

// The object device's answer to `command`: its bytes 8 and 9 and their CRC-16.
inline std::array<std::uint8_t, UoAnswerSize> UoAnswerFor(const UoCommand& command) {
    std::array<std::uint8_t, UoAnswerSize> answer{command[8], command[9], 0, 0};
    const std::uint16_t crc = Crc16(answer.data(), 2);  // low byte first
    answer[2] = static_cast<std::uint8_t>(crc & 0xFF);
    answer[3] = static_cast<std::uint8_t>(crc >> 8);
    return answer;
}

// The frames in which the write exchange sends `image`, then the end frame.
inline std::vector<Bytes> FramesOf(const Bytes& image) {
    std::vector<Bytes> frames;
    for (std::size_t p = 0; p < image.size(); p += 32)
        frames.push_back(
            Frame(Bytes(image.begin() + static_cast<long>(p),
                        image.begin() + static_cast<long>(std::min(p + 32, image.size())))));
    frames.push_back(EndFrame);
    return frames;
}

// `reply` as an adapter behind a busy hub may hand it over: its first half `afterMs` from now,
// the rest `gapMs` later.
inline void DeliverCut(ScriptedCable& cable, const Bytes& reply, std::uint32_t gapMs,
                       std::uint32_t afterMs = 0) {
    const auto half = reply.begin() + static_cast<long>(reply.size() / 2);
    cable.Deliver(Bytes(reply.begin(), half), afterMs);
    cable.Deliver(Bytes(half, reply.end()), afterMs + gapMs);
}

// A link on a scripted cable of its own, in virtual time.
template <class Link>
struct Rig {
    VirtualClock clock;
    ScriptedCable cable{&clock};
    Link link{cable, clock};

    // Opens with `payload` (none when empty) and starts the exchange.
    LinkResult Run(const Bytes& payload = {}) {
        EXPECT_EQ(link.Open(payload.empty() ? nullptr : payload.data(),
                            static_cast<std::int32_t>(payload.size())),
                  CableOpened);
        return link.Start();
    }
};

// Virtual times of the writes of exactly `bytes`.
inline std::vector<std::uint64_t> WriteTimes(const ScriptedCable& cable, const Bytes& bytes) {
    std::vector<std::uint64_t> times;
    for (const auto& event : cable.EventsOf(CableCall::Write))
        if (event.bytes == bytes) times.push_back(event.atMs);
    return times;
}

}  // namespace gsmprog::test
