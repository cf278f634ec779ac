#pragma once
// An in-memory Cable for exchange tests: it records every call with its arguments and the
// virtual time, answers writes from rules or a responder standing in for the modem, delivers
// bytes at chosen virtual times, and fails chosen calls on request.

#include <cstdint>
#include <functional>
#include <mutex>
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
    Close,
};
const char* CallName(CableCall call);

struct CableEvent {
    CableCall call;
    std::uint64_t atMs = 0;             // virtual time of the call (0 without a clock)
    CableStatus status = CableOk;       // what the call returned
    Bytes bytes;                        // Write: bytes given; Read: bytes returned
    std::vector<std::uint32_t> args;    // numeric arguments: baud, 8/0/0, timeouts, toRead...
    std::uint32_t count = 0;            // GetStatus: rx queue; Read/Write: bytes done
    std::string serial;                 // OpenEx
};

class ScriptedCable final : public Cable {
public:
    explicit ScriptedCable(VirtualClock* clock = nullptr,
                           std::vector<std::string> serials = {"FT000001"});

    // --- the attached cables ---
    void SetSerials(std::vector<std::string> serials);

    // --- failures ---
    // The nth call (1-based, counted from now) of `call` returns `status`; nth 0: every call.
    void FailCall(CableCall call, CableStatus status = CableIoError, int nth = 0);
    // The nth Write (1-based, counted from now) reports only `written` bytes written.
    void LimitWrite(int nth, std::uint32_t written);

    // --- the modem side ---
    void Deliver(const Bytes& bytes);
    void DeliverAt(std::uint64_t atMs, const Bytes& bytes);
    // A write of exactly `written` is answered with `reply` (empty: silence), for `times`
    // writes (-1: always). Rules are tried in the order given; a used-up rule is skipped.
    void Reply(const Bytes& written, const Bytes& reply, int times = -1);
    // Called for every complete write that no rule answered; may Deliver.
    void OnWrite(std::function<void(const Bytes& written)> responder);

    // --- what happened ---
    std::vector<CableEvent> Events() const;
    std::vector<Bytes> Writes() const;
    int CountOf(CableCall call) const;
    std::size_t Queued() const;
    bool IsOpen() const;

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

    static constexpr CableHandle TheHandle = 0x51;

private:
    struct Failure {
        CableCall call;
        CableStatus status;
        int remaining;   // calls to skip before failing; -1: every call
    };
    struct Rule {
        Bytes written;
        Bytes reply;
        int times;
    };
    struct Timed {
        std::uint64_t atMs;
        Bytes bytes;
    };

    std::uint64_t Now() const;
    CableStatus Begin(CableCall call, CableEvent& event);
    CableStatus Finish(CableEvent& event, CableStatus status);
    CableStatus CheckHandle(CableCall call, CableHandle handle, CableEvent& event);
    void ReleaseDue();

    mutable std::recursive_mutex lock_;
    VirtualClock* clock_;
    std::vector<std::string> serials_;
    bool open_ = false;
    std::vector<Failure> failures_;
    std::vector<std::pair<int, std::uint32_t>> writeLimits_;
    int writesSeen_ = 0;
    Bytes queue_;
    std::vector<Timed> timed_;
    std::vector<Rule> rules_;
    std::function<void(const Bytes&)> responder_;
    std::vector<CableEvent> events_;
    std::uint32_t readTimeoutMs_ = 0;
};

}  // namespace gsmprog::test
