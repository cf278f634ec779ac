// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The control link's receiving side on any byte stream from the modem.
//
// A frame ParseFrame accepts must be one that FrameComplete ends exactly at its last byte, or
// the link could never collect it (checked for the rest of the stream from each frame on). Then the
// stream reaches a running FTDI_KorvelCtrl in control mode on a scripted cable in virtual time: it
// must log every byte received once and in order, cut into frames where FrameComplete ends them (or
// at its receive buffer's 4096 bytes, or where the line falls silent), and report as replies
// exactly the frames ParseFrame accepts. The reader takes the link's events while the link sleeps,
// on the link's thread, so a run does not depend on how the threads are scheduled.
//
// Input: a byte of flags, then the stream. Flag 1 queues a status request and flag 2 a SIM
// switch as the stream arrives, so that replies also meet a request awaiting them.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <future>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "prog/ctrl_frame.h"
#include "prog/ftdi_korvel_ctrl.h"
#include "support/scripted_cable.h"
#include "support/virtual_clock.h"

namespace {

using namespace gsmprog;
using test::Bytes;

constexpr std::size_t ReceiveCapacity = 4096;  // the link's receive buffer
// Enough for every frame rule; a longer stream's events could outgrow the result queue.
constexpr std::size_t MaxStream = 3 * ReceiveCapacity;

struct Event {
    int code;
    Bytes bytes;
    bool operator==(const Event&) const = default;
};

void CheckFrameRules(const std::uint8_t* bytes, std::size_t count) {
    CtrlPacket reply;
    if (!ParseFrame(bytes, count, reply)) return;
    for (std::size_t shorter = 1; shorter < count; ++shorter)
        FUZZ_CHECK(!FrameComplete(bytes, shorter, true));
    FUZZ_CHECK(FrameComplete(bytes, count, true));
    FUZZ_CHECK(reply.code == bytes[1] && reply.length == std::int32_t(count - 3));
    FUZZ_CHECK(std::memcmp(reply.data, bytes + 2, count - 3) == 0);
}

// The events the link owes for `stream` arriving whole: the bytes of each frame, then the
// frame's reply when it is one. The reader's taking an error reply resets the link, which
// drops the events behind it: all of them here, as the reader takes them once the link is idle.
std::vector<Event> ExpectedEvents(const Bytes& stream) {
    std::vector<Event> events;
    for (std::size_t at = 0; at < stream.size();) {
        const std::uint8_t* frame = stream.data() + at;
        CheckFrameRules(frame, stream.size() - at);
        std::size_t count = 0;
        while (at + count < stream.size() && count < ReceiveCapacity)
            if (FrameComplete(frame, ++count, true)) break;
        events.push_back(
            {CtrlBytesReceived, Bytes(frame, frame + std::min(count, ReceiveCapacity - 1))});
        CtrlPacket reply;
        if (count < ReceiveCapacity && ParseFrame(frame, count, reply)) {
            events.push_back({reply.code, Bytes(reply.data, reply.data + reply.length)});
            if (reply.code == CtrlErrorReply) break;
        }
        at += count;
    }
    return events;
}

// Runs the link until it has taken the whole stream and fallen idle; returns what it
// reported, the bytes it sent left out.
std::vector<Event> ReceivedEvents(const Bytes& stream, std::uint8_t flags) {
    test::VirtualClock clock;
    test::ScriptedCable cable(&clock);
    cable.Reply(test::ToBytes("CTRL_SETUP_GSMA"), test::ToBytes("READY"));
    std::vector<Event> events;
    bool delivered = false;
    std::uint64_t deliveredAt = 0;
    std::atomic<bool> idle{false};
    std::promise<void> taken;
    FTDI_KorvelCtrl link(cable, clock);

    clock.OnSleep([&](std::uint64_t nowMs) {
        if (idle) return;
        // An hour of virtual time after the stream came: the link never fell idle.
        FUZZ_CHECK(!delivered || nowMs - deliveredAt < 3'600'000);
        CtrlPacket packet;
        std::string text;
        std::uint32_t errorState = 0;
        for (int code; (code = link.FetchResult(&packet, &text, &errorState)) != CtrlNothing;) {
            FUZZ_CHECK(errorState == 0);
            if (code != CtrlBytesSent)
                events.push_back({code, Bytes(packet.data, packet.data + packet.length)});
        }
        if (!delivered && link.InControlMode()) {
            if (flags & 1) link.RequestStatus();
            if (flags & 2) link.RequestSimSwitch();
            cable.Deliver(stream);
            delivered = true;
            deliveredAt = nowMs;
        } else if (delivered && cable.Unread() == 0) {
            FUZZ_CHECK(link.DroppedEvents() == 0);
            idle = true;
            taken.set_value();
        }
    });
    link.Start();
    taken.get_future().wait();
    link.Stop();
    return events;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const Bytes stream(data + 1, data + std::min(size, MaxStream + 1));
    FUZZ_CHECK(ReceivedEvents(stream, data[0]) == ExpectedEvents(stream));
    return 0;
}
