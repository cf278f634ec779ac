// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The control link: a thread that owns the cable while the link runs (and sleeps on a
// condition while it does not), brings the modem into control mode, sends queued requests
// one at a time with their time limit and attempts,
// collects and validates the frames that come back, and queues every event (replies,
// notifications, the raw bytes sent and received, its own errors) for its reader.
// The reader meets the thread only through the two queues guarded by `Lock` and a few
// atomic flags; it never touches the cable and the thread never calls the reader.
// Bytes move in batches: a read takes everything the cable has, frames are cut from it in
// memory, and the events of one read, like those of one fetch, pass the lock in one go.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

#include "link/cable.h"
#include "prog/ctrl_packet.h"
#include "link/link_clock.h"
#include "link/open_cable.h"
#include "prog/result_queue.h"

namespace gsmprog {

// One event as FetchResult gives it; `packet` is null for an error condition.
struct CtrlResult {
    int code = CtrlNothing;
    const CtrlPacket* packet = nullptr;
    std::string text;
    std::uint32_t errorState = 0;
};
using CtrlResultReader = std::function<void(const CtrlResult&)>;

class FTDI_KorvelCtrl {
public:
    // `serialNumber` empty: the first cable of the list, as the control window uses it.
    explicit FTDI_KorvelCtrl(Cable& cable, LinkClock& clock = SystemClock(),
                             std::string serialNumber = {},
                             std::size_t resultCapacity = ResultQueueCapacity);
    // Stops the link, ends the thread and waits for it; the cable is closed by then.
    ~FTDI_KorvelCtrl();
    FTDI_KorvelCtrl(const FTDI_KorvelCtrl&) = delete;
    FTDI_KorvelCtrl& operator=(const FTDI_KorvelCtrl&) = delete;

    // Drops what is pending, then lets the thread open the cable and work.
    void Start();
    // The same on the cable with `serialNumber` (empty: the first one), kept for later Starts.
    void Start(std::string serialNumber);
    // Returns at once; the thread closes the cable at the end of its current cycle.
    void Stop();
    bool IsRunning() const { return Running; }
    // Drops the outstanding request, every queued request and every undelivered event.
    void Reset();
    void RequestStatus();
    void RequestSimSwitch();
    // Queued requests plus the one awaiting its reply.
    std::size_t PendingCount() const;
    // The next cycle repeats the handshake before anything else is sent; a handshake under way
    // when this is called does not count.
    void ResetCtrlMode() {
        ++CtrlModeResets;
        InCtrlMode = 0;
    }
    // The modem has answered "READY" and control mode has not been left since.
    bool InControlMode() const { return InCtrlMode != 0; }
    // The cable could not be opened, or its last call failed (the handshake's included, which
    // are never reported); cleared by an open and by bytes that come. A reader that sees it
    // for long closes and opens the link again (CableRecovery).
    bool CableFailing() const { return CableFails; }
    // Takes the next error condition or event. Returns CtrlNothing (254) when there is none
    // or an argument is missing, CtrlError (255) for an error condition or an error reply,
    // otherwise the event's code; `out` receives the event, `message` its text (or empty).
    // `errorState`, when given, receives the error state of an error condition, else 0.
    int FetchResult(CtrlPacket* out, std::string* message, std::uint32_t* errorState = nullptr);
    // Takes up to `most` events under one lock and passes them to `read` in their order, as
    // as many calls of FetchResult would: an error condition that is set comes ahead of the
    // events still taken (and besides the `most`), and an error reply drops those after it.
    // Returns how many results were passed.
    std::size_t FetchResults(std::size_t most, const CtrlResultReader& read);
    // Traffic events dropped because the reader fell behind.
    std::uint64_t DroppedEvents() const;

private:
    static constexpr std::size_t ReceiveCapacity = 4096;
    static constexpr std::size_t HandshakeCapacity = 100;

    void Execute(std::stop_token stop);
    void RunSession();
    // Running, and not stopped and started again since this session began.
    bool Active() const;
    CableResult OpenCable();
    // Waits out an idle cycle, on the cable while it can wait for bytes, else on the clock.
    // True when the cable watched the line throughout and it has no byte to read; `queued`
    // receives the bytes it said are there, or 0.
    bool IdleWait(std::uint32_t& queued);
    // Handshake attempts until "READY", "ERROR", a cable failure or Stop.
    void EnterCtrlMode();
    // Sends the next request when none is awaited, or again when its reply is overdue.
    // True when bytes were written.
    bool Dispatch();
    // Collects the frames of the bytes that wait (`queued` of them, when known) and queues
    // their events in one go. True when bytes came.
    bool ReceiveReply(std::uint32_t queued);
    // Collects one frame until it is complete or the line is silent for the read time-out.
    // `count` is the number of bytes collected; the buffer holds the first capacity-1 of
    // them, zero-terminated. A collection stops at `capacity` bytes; the bytes after it wait
    // in the inbox for the next one. `queued`: the bytes the cable is known to hold, if the
    // inbox is empty; 0 has it asked.
    CableStatus ReceiveFrame(std::uint8_t* buffer, std::size_t capacity, std::size_t& count,
                             std::uint32_t queued = 0);
    // Refills the empty inbox with everything the cable has (`queued` bytes, when known), or,
    // when it has nothing, with the next byte that comes within the read time-out.
    CableStatus FillInbox(std::uint32_t queued);
    bool InboxEmpty() const { return InboxBegin == InboxEnd; }
    // The reader's side: an error condition, when one is set, and the next event taken.
    bool PassErrorCondition(const CtrlResultReader& read);
    bool PassEvent(ResultQueue::Batch& taken, CtrlPacket& event, const CtrlResultReader& read);
    ResultQueue::Batch TakeResults(std::size_t most);
    void Queue(std::uint8_t code);
    // The cable's state changes: written to the diagnostic log once per change, not per cycle.
    void CableFailed(const char* what);
    void CableWorks(const char* what);

    Cable& Port;
    LinkClock& Clock;
    CableInfo DevList[DevListCapacity] = {};
    CableHandle Handle = 0;
    std::atomic<bool> Running{false};
    // Counts Start calls, so that a Stop and Start in quick succession still close the
    // cable and open it anew; `Session` is the count the link thread works for.
    std::atomic<std::uint32_t> Sessions{0};
    std::uint32_t Session = 0;
    CtrlPacket Current;  // guarded by Lock
    std::atomic<std::uint32_t> InCtrlMode{0};
    std::atomic<std::uint32_t> CtrlModeResets{0};
    std::uint8_t HandshakeBuffer[ReceiveCapacity] = {};
    std::uint8_t ReceiveBuffer[ReceiveCapacity] = {};
    // Bytes read from the cable and not yet collected; the link thread's alone.
    std::uint8_t Inbox[ReceiveCapacity] = {};
    std::size_t InboxBegin = 0;
    std::size_t InboxEnd = 0;
    CtrlPacket Reply;                 // the link thread's: each frame is parsed into it
    std::deque<CtrlPacket> Requests;  // guarded by Lock
    ResultQueue Results;              // guarded by Lock
    std::atomic<std::uint32_t> ErrorState{0};
    mutable std::mutex Lock;
    std::condition_variable_any Started;     // Running set, with Lock
    std::atomic<std::uint32_t> SendTick{0};  // 0: no request outstanding; 1 for a send at tick 0
    std::uint32_t SentAt = 0;                // tick of the outstanding send, for its time limit
    std::string SerialNumber;                // guarded by Lock
    std::atomic<bool> CableFails{false};
    std::atomic<std::uint8_t> LastStatusByte{0};
    std::uint64_t Resets = 0;  // guarded by Lock; tells a send that Reset came between
    std::jthread Thread;       // last: starts once everything above exists
};

}  // namespace gsmprog
