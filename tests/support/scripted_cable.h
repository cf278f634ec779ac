// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An in-memory Cable in virtual time standing in for the modem's line. The modem side answers
// writes from rules or a responder and sends bytes that arrive in order at chosen moments; a
// read waits in virtual time as far as the read time-out lets it; calls are recorded with their
// moment and arguments; named faults make calls go wrong. The control link's tests run the
// link's own thread against it, so one lock guards its state, and the responder and the status
// query hook run outside that lock, free to call back in.

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/cable.h"
#include "support/virtual_clock.h"

namespace gsmprog::test {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(std::string_view text);
// Text when every byte is printable ASCII, else hex: for readable test failures.
std::string Printable(const Bytes& bytes);

enum class CableCall {
    CreateDeviceInfoList,
    GetDeviceInfoList,
    OpenEx,
    SetBaudRate,
    SetDataCharacteristics,
    SetFlowControl,
    SetLatencyTimer,
    SetTimeouts,
    GetStatus,
    Read,
    Write,
    AwaitBytes,
    Close,
};

struct CableEvent {
    CableCall call;
    std::uint64_t atMs = 0;           // virtual time of the call (0 without a clock)
    Bytes bytes;                      // Write: bytes given; Read: bytes returned
    std::vector<std::uint32_t> args;  // numeric arguments: baud, 8/0/0, time-outs, toRead...
    std::string serial;               // OpenEx
};

// Something that goes wrong on the line, from when it is put on.
struct Fault {
    enum class Kind { Detached, CallFails, ShortWrite, Blocks };
    Kind kind;
    CableCall call = CableCall::Write;
    int nth = 0;                   // the nth call of `call` from now (1-based); 0: every one
    CableStatus status = CableOk;  // CallFails: what the call returns
    std::uint32_t written = 0;     // ShortWrite: the bytes the write takes

    // No cable is attached: none is listed, so none opens.
    static Fault Detached() { return {Kind::Detached}; }
    static Fault CallFails(CableCall call, CableStatus status = CableIoError, int nth = 0) {
        return {Kind::CallFails, call, nth, status};
    }
    // The write succeeds with only `written` bytes, and the modem hears nothing of it.
    static Fault ShortWrite(int nth, std::uint32_t written) {
        return {Kind::ShortWrite, CableCall::Write, nth, CableOk, written};
    }
    // A wedged adapter: the write hangs until the test calls Unblock, then goes through.
    static Fault BlockingWrite(int nth) { return {Kind::Blocks, CableCall::Write, nth}; }
};

class ScriptedCable final : public Cable {
public:
    explicit ScriptedCable(VirtualClock* clock = nullptr,
                           std::vector<std::string> serials = {"FT000001"});

    void Inject(Fault fault);

    // --- the modem side ---
    // Bytes arriving `afterMs` from now, behind whatever is already on its way.
    void Deliver(const Bytes& bytes, std::uint32_t afterMs = 0);
    // A write of exactly `written` is answered at once with `reply` (empty: silence), for
    // `times` writes (-1: always). Rules are tried in the order given; a used-up rule is skipped.
    void Reply(const Bytes& written, const Bytes& reply, int times = -1);
    // Called with every whole write that no rule answered.
    void OnWrite(std::function<void(const Bytes& written)> responder);
    // Called on every status query, before it is answered.
    void OnStatusQuery(std::function<void()> hook);
    // From now on the cable waits for arriving bytes as the serial cable does (AwaitBytes), in
    // virtual time; until then it cannot, and its user sleeps on its own clock.
    void WaitForBytes();

    // --- what happened ---
    // Every call but the status queries and waits that found nothing, which an idle link
    // makes without end; CountOf counts those as well.
    std::vector<CableEvent> Events() const;
    std::vector<CableEvent> EventsOf(CableCall call) const;
    std::vector<Bytes> Writes() const;
    int CountOf(CableCall call) const;
    // The modem's bytes not yet read, arrived or still on their way.
    std::size_t Unread() const;
    // Virtual time of the last read that returned bytes.
    std::uint64_t LastReadAt() const;
    // The longest any AwaitBytes was asked to wait, in ms.
    std::uint32_t LongestByteWait() const;
    bool IsOpen() const;
    // Waits until a write hangs on a BlockingWrite fault.
    void AwaitBlocked() const;
    // Lets every hanging write, and every later blocking one, go through.
    void Unblock();

    // --- Cable ---
    CableStatus CreateDeviceInfoList(std::uint32_t* count) override;
    CableStatus GetDeviceInfoList(CableInfo* list, std::uint32_t capacity,
                                  std::uint32_t* count) override;
    CableStatus OpenEx(const char* serialNumber, CableHandle* handle) override;
    CableStatus SetBaudRate(CableHandle handle, std::uint32_t baud) override;
    CableStatus SetDataCharacteristics(CableHandle handle, std::uint8_t wordLength,
                                       std::uint8_t stopBits, std::uint8_t parity) override;
    CableStatus SetFlowControl(CableHandle handle, std::uint16_t flowControl, std::uint8_t xon,
                               std::uint8_t xoff) override;
    CableStatus SetLatencyTimer(CableHandle handle, std::uint8_t milliseconds) override;
    CableStatus SetTimeouts(CableHandle handle, std::uint32_t readMs,
                            std::uint32_t writeMs) override;
    CableStatus GetStatus(CableHandle handle, std::uint32_t* rxQueue, std::uint32_t* txQueue,
                          std::uint32_t* events) override;
    CableStatus Read(CableHandle handle, void* buffer, std::uint32_t toRead,
                     std::uint32_t* bytesRead) override;
    CableStatus Write(CableHandle handle, const void* buffer, std::uint32_t toWrite,
                      std::uint32_t* bytesWritten) override;
    CableStatus Close(CableHandle handle) override;
    // Recorded only when bytes came, as an idle user waits without end.
    ByteWait AwaitBytes(CableHandle handle, std::uint32_t milliseconds,
                        std::uint32_t* queued) override;

    static constexpr CableHandle TheHandle = 0x51;

private:
    struct Rule {
        Bytes written;
        Bytes reply;
        int times;
    };
    struct Arriving {
        std::uint64_t atMs;
        std::uint8_t byte;
    };

    // All below run with the lock held.
    std::uint64_t Now() const;
    CableEvent Event(CableCall call, std::vector<std::uint32_t> args = {}) const;
    std::size_t Listed() const;
    std::size_t Arrived() const;
    void Schedule(const Bytes& bytes, std::uint32_t afterMs);
    void WaitOutRead(std::uint32_t toRead);
    std::optional<Fault> Hit(CableCall call);
    static CableStatus Injected(const std::optional<Fault>& fault);
    CableStatus Checked(const std::optional<Fault>& fault, CableHandle handle) const;
    CableStatus Setting(CableCall call, CableHandle handle, std::vector<std::uint32_t> args);
    CableStatus Log(CableEvent event, CableStatus status);

    // Guards every member below; never held while the responder or the hook runs.
    mutable std::mutex lock_;
    VirtualClock* clock_;
    std::vector<std::string> serials_;
    std::vector<Fault> faults_;
    bool open_ = false;
    std::uint32_t readTimeoutMs_ = 0;
    std::deque<Arriving> incoming_;  // in order of arrival
    std::vector<Rule> rules_;
    std::function<void(const Bytes&)> responder_;
    std::function<void()> statusHook_;
    std::vector<CableEvent> events_;
    std::array<int, static_cast<std::size_t>(CableCall::Close) + 1> counts_{};
    std::uint64_t lastReadAt_ = 0;
    bool waitsForBytes_ = false;
    std::uint32_t longestByteWait_ = 0;
    mutable std::condition_variable blockChanged_;
    bool blocked_ = false;  // a write hangs now
    bool unblocked_ = false;
};

}  // namespace gsmprog::test
