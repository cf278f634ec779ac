// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The read exchange (FTDI_ReadCtrl) against a modem that answers anything, on the scripted
// cable in virtual time. Whatever the replies, the exchange must end with one of its outcomes,
// close the cable, and hand over only an image it could take whole: the image read and its
// version are then shown as the read-result window shows them.
//
// Input: a byte that stops the exchange as it makes that many writes (0: never); a byte that
// fails one cable call: bits 0..1 name it (none, a write, a status query, a read), the other
// bits count the calls of that kind to let pass first; then one reply per write of the
// exchange, in turn: a byte whose low 7 bits give the reply's length and whose high bit makes
// it arrive 250 ms late, then the reply. A write after the last reply meets silence; 5 s of
// virtual time after the last reply the exchange is stopped.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/check.h"
#include "link/ftdi_read_ctrl.h"
#include "ops/read_result.h"
#include "support/scripted_cable.h"
#include "support/virtual_clock.h"

namespace {

using namespace gsmprog;
using test::Bytes;

constexpr std::uint64_t SilenceBeforeStopMs = 5000;
constexpr std::uint32_t LateReplyMs = 250;

constexpr test::CableCall Failing[] = {test::CableCall::Write, test::CableCall::GetStatus,
                                       test::CableCall::Read};

bool IsVersion(const std::string& version) {
    unsigned a, b, c;
    char end;
    return version == "Н/Д" || (std::sscanf(version.c_str(), "%u.%u.%u%c", &a, &b, &c, &end) == 3 &&
                                a < 256 && b < 256 && c < 256);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t stopAtWrite = data[0];
    const int failing = data[1] & 3;
    const std::uint8_t* next = data + 2;
    const std::uint8_t* const end = data + size;

    test::VirtualClock clock;
    test::ScriptedCable cable(&clock);
    if (failing != 0)
        cable.Inject(
            test::Fault::CallFails(Failing[failing - 1], CableIoError, (data[1] >> 2) + 1));
    std::size_t writes = 0;
    std::uint64_t lastReplyAt = 0;
    {
        FTDI_ReadCtrl link(cable, clock);
        cable.OnWrite([&](const Bytes&) {
            if (++writes == stopAtWrite) link.Stop();
            if (next == end) return;
            const std::size_t length =
                std::min<std::size_t>(*next & 0x7F, std::size_t(end - next - 1));
            const Bytes reply(next + 1, next + 1 + length);
            const std::uint32_t delayMs = (*next & 0x80) ? LateReplyMs : 0;
            lastReplyAt =
                std::max(lastReplyAt, clock.NowMs() + delayMs);  // replies keep their order
            cable.Deliver(reply, delayMs);
            next += 1 + length;
        });
        clock.OnSleep([&](std::uint64_t nowMs) {
            if (next == end && nowMs > lastReplyAt + SilenceBeforeStopMs) link.Stop();
        });
        FUZZ_CHECK(link.Open() == CableOpened);
        const LinkResult result = link.Start();

        FUZZ_CHECK(result != LinkCableFailure || failing != 0);
        FUZZ_CHECK(IsVersion(link.Version));
        FUZZ_CHECK(link.DataLen >= 0 && link.DataLen <= FTDI_Controller::BufferSize);
        if (result != LinkDone) {
            FUZZ_CHECK(link.DataLen == 0);
        } else {
            FUZZ_CHECK(cable.Writes().back() == test::ToBytes("OK"));
            WideImage image;
            if (EvaluateReadImage(link.Data, std::size_t(link.DataLen), image))
                DescribeReadImage(image);
        }
    }
    FUZZ_CHECK(!cable.IsOpen());
    return 0;
}
