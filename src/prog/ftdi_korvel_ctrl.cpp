// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "prog/ftdi_korvel_ctrl.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <utility>

#include "diag/debug_log.h"
#include "prog/ctrl_frame.h"
#include "prog/ctrl_texts.h"

namespace gsmprog {

namespace {
constexpr char Handshake[] = "CTRL_SETUP_GSMA";  // sent without its terminating zero
constexpr std::uint32_t HandshakeReplyWaitMs = 200;
constexpr std::uint32_t RequestTimeoutMs = 200;
constexpr std::uint8_t RequestAttempts = 3;
constexpr std::uint32_t OpenRetrySlices = 30;    // 3 s between open attempts ...
constexpr std::uint32_t OpenRetrySliceMs = 100;  // ... watching Stop every 100 ms
constexpr std::uint32_t HeldSleepMs = 100;
// A cycle that found nothing to do waits this long, or until bytes arrive, before polling
// again, so an idle link costs next to no processor time; requests, the time limits and Stop
// are seen within it.
constexpr std::uint32_t IdleWaitMs = 10;

bool Is(const std::uint8_t* reply, std::size_t count, const char (&word)[6]) {
    return count == 5 && std::memcmp(reply, word, 5) == 0;
}

void Log(const std::string& text) { DebugLog("контроль", text); }
}  // namespace

FTDI_KorvelCtrl::FTDI_KorvelCtrl(Cable& cable, LinkClock& clock, std::string serialNumber,
                                 std::size_t resultCapacity)
    : Port(cable),
      Clock(clock),
      Results(resultCapacity),
      SerialNumber(std::move(serialNumber)),
      Thread([this](std::stop_token stop) { Execute(stop); }) {}

FTDI_KorvelCtrl::~FTDI_KorvelCtrl() {
    Stop();
    Thread.request_stop();
    Thread.join();
}

void FTDI_KorvelCtrl::Start() {
    Reset();
    {
        // Under the lock the thread checks Running with, so that it cannot miss the change.
        std::lock_guard guard(Lock);
        ++Sessions;
        Running = true;
    }
    Started.notify_all();
}

void FTDI_KorvelCtrl::Start(std::string serialNumber) {
    {
        std::lock_guard guard(Lock);
        SerialNumber = std::move(serialNumber);
    }
    Start();
}

void FTDI_KorvelCtrl::Stop() { Running = false; }

void FTDI_KorvelCtrl::CableFailed(const char* what) {
    if (!CableFails.exchange(true) && DebugLogOn()) Log(what);
}

void FTDI_KorvelCtrl::CableWorks(const char* what) {
    if (CableFails.exchange(false) && DebugLogOn()) Log(what);
}

void FTDI_KorvelCtrl::Reset() {
    std::lock_guard guard(Lock);
    Current = CtrlPacket{};
    SendTick = 0;
    Requests.clear();
    Results.Clear();
    ++Resets;
}

void FTDI_KorvelCtrl::Queue(std::uint8_t code) {
    CtrlPacket request;
    request.code = code;
    request.attempts = RequestAttempts;
    request.timeout = RequestTimeoutMs;
    std::lock_guard guard(Lock);
    Requests.push_back(request);
}

void FTDI_KorvelCtrl::RequestStatus() { Queue(CtrlStatus); }

void FTDI_KorvelCtrl::RequestSimSwitch() { Queue(CtrlSimSwitch); }

std::size_t FTDI_KorvelCtrl::PendingCount() const {
    std::size_t queued;
    {
        std::lock_guard guard(Lock);
        queued = Requests.size();
    }
    return queued + (SendTick != 0 ? 1 : 0);
}

std::uint64_t FTDI_KorvelCtrl::DroppedEvents() const {
    std::lock_guard guard(Lock);
    return Results.Dropped();
}

int FTDI_KorvelCtrl::FetchResult(CtrlPacket* out, std::string* message, std::uint32_t* errorState) {
    if (out == nullptr || message == nullptr) return CtrlNothing;
    message->clear();
    if (errorState != nullptr) *errorState = 0;
    int code = CtrlNothing;
    const CtrlResultReader keep = [&](const CtrlResult& result) {
        code = result.code;
        *message = result.text;
        if (result.packet != nullptr) *out = *result.packet;
        if (errorState != nullptr) *errorState = result.errorState;
    };
    if (PassErrorCondition(keep)) return code;
    ResultQueue::Batch taken = TakeResults(1);
    CtrlPacket event;
    PassEvent(taken, event, keep);
    return code;
}

std::size_t FTDI_KorvelCtrl::FetchResults(std::size_t most, const CtrlResultReader& read) {
    ResultQueue::Batch taken = TakeResults(most);
    CtrlPacket event;
    std::size_t passed = 0;
    while (true) {
        if (PassErrorCondition(read)) ++passed;
        if (!PassEvent(taken, event, read)) return passed;
        ++passed;
    }
}

ResultQueue::Batch FTDI_KorvelCtrl::TakeResults(std::size_t most) {
    ResultQueue::Batch taken;
    std::lock_guard guard(Lock);
    Results.Take(taken, most);
    return taken;
}

bool FTDI_KorvelCtrl::PassErrorCondition(const CtrlResultReader& read) {
    if (ErrorState == 0) return false;
    // Control mode is left before the error is cleared, so the held link cannot send
    // anything between the two.
    if (ErrorState == CtrlReplyTimeout) InCtrlMode = 0;
    CtrlResult result;
    result.code = CtrlError;
    result.errorState = ErrorState.exchange(0);
    std::uint8_t requestCode;
    {
        std::lock_guard guard(Lock);
        requestCode = Current.code;
    }
    result.text = ErrorStateText(result.errorState, PendingCount() > 0, requestCode);
    read(result);
    return true;
}

bool FTDI_KorvelCtrl::PassEvent(ResultQueue::Batch& taken, CtrlPacket& event,
                                const CtrlResultReader& read) {
    if (!taken.Pop(event)) return false;
    if (event.code == CtrlErrorReply) {
        // What came after the error reply is dropped with what still waits.
        Reset();
        taken.Clear();
    }
    CtrlResult result;
    result.code = event.code;
    result.packet = &event;
    result.text = EventText(event, LastStatusByte);
    read(result);
    return true;
}

void FTDI_KorvelCtrl::Execute(std::stop_token stop) {
    for (;;) {
        {
            // A link nobody runs costs nothing: the thread sleeps until Start or the end.
            std::unique_lock guard(Lock);
            if (!Started.wait(guard, stop, [this] { return Running.load(); })) return;
        }
        RunSession();
    }
}

CableResult FTDI_KorvelCtrl::OpenCable() {
    std::string serialNumber;
    {
        std::lock_guard guard(Lock);
        serialNumber = SerialNumber;
    }
    return gsmprog::OpenCable(Port, DevList, serialNumber, CableTuning::Control, Handle);
}

bool FTDI_KorvelCtrl::Active() const { return Running && Sessions == Session; }

void FTDI_KorvelCtrl::RunSession() {
    Session = Sessions;
    while (Active()) {
        const CableResult opened = OpenCable();
        if (opened == CableOpened) {
            CableWorks("кабель открыт");
            break;
        }
        ErrorState = opened;
        CableFailed("кабель не открыт; попытки продолжаются");
        for (std::uint32_t slice = 0; slice < OpenRetrySlices && Active(); ++slice)
            Clock.Sleep(OpenRetrySliceMs);
    }
    // Start may come just after the loop above found the link idle: nothing is open then.
    if (Handle == 0) return;

    bool busy = true;
    while (Active()) {
        // After a busy cycle the next one follows at once, as more may be on its way; the cable
        // is then only asked whether bytes are there.
        std::uint32_t queued = 0;  // the bytes the cable said are there, if it said
        const bool quiet = busy ? Port.AwaitBytes(Handle, 0, &queued) == ByteWait::Quiet
                                : IdleWait(queued);
        busy = false;
        if (ErrorState != 0) {
            // Held until the reader has fetched the error.
            Clock.Sleep(HeldSleepMs);
            continue;
        }
        if (InCtrlMode == 0) {
            EnterCtrlMode();
            queued = 0;  // the handshake read them
            if (InCtrlMode == 0) continue;
        }
        busy |= Dispatch();
        if (ErrorState != 0) continue;
        // Nothing to collect: the queue query would only cost a hand-over to the cable's thread.
        // What a send brings is seen by the next cycle, which follows at once.
        if (quiet && InboxEmpty()) continue;
        busy |= ReceiveReply(queued);
    }

    if (Handle != 0) {
        Port.Close(Handle);
        Handle = 0;
    }
    // Bytes of the closed cable are as lost as those still in it.
    InboxBegin = InboxEnd = 0;
    InCtrlMode = 0;
}

bool FTDI_KorvelCtrl::IdleWait(std::uint32_t& queued) {
    switch (Port.AwaitBytes(Handle, IdleWaitMs, &queued)) {
    case ByteWait::Quiet: return true;
    case ByteWait::Arrived: return false;
    case ByteWait::Unsupported: break;
    }
    Clock.Sleep(IdleWaitMs);
    return false;
}

void FTDI_KorvelCtrl::EnterCtrlMode() {
    for (int attempt = 1; Active(); ++attempt) {
        const std::uint32_t resets = CtrlModeResets;
        // A failing cable would repeat these lines every cycle.
        if (DebugLogOn() && !CableFails) Log("CTRL_SETUP_GSMA, попытка " + std::to_string(attempt));
        std::uint32_t written = 0;
        if (Port.Write(Handle, Handshake, sizeof Handshake - 1, &written) != CableOk) {
            CableFailed("запись в кабель не прошла");
            return;
        }
        Clock.Sleep(HandshakeReplyWaitMs);
        std::size_t count = 0;
        if (ReceiveFrame(HandshakeBuffer, HandshakeCapacity, count) != CableOk) {
            CableFailed("чтение из кабеля не прошло");
            return;
        }
        if (DebugLogOn() && count > 0)
            Log("ответ: " + DebugReply(HandshakeBuffer, std::min(count, HandshakeCapacity - 1)));
        if (Is(HandshakeBuffer, count, "ERROR")) return;
        if (Is(HandshakeBuffer, count, "READY")) {
            // A reset asked while this handshake was under way (the SIM button) wants one of
            // its own; checked after the mode is set, so a reset in between is never lost.
            InCtrlMode = 1;
            if (CtrlModeResets == resets) return;
            InCtrlMode = 0;
        }
    }
}

bool FTDI_KorvelCtrl::Dispatch() {
    const std::uint32_t now = Clock.TickMs();
    std::vector<std::uint8_t> frame;
    std::uint64_t resetsAtSend;
    {
        std::lock_guard guard(Lock);
        if (SendTick != 0) {
            if (now - SentAt <= Current.timeout) return false;  // the reply may still come
            if (Current.attempts > 0) {
                if (DebugLogOn())
                    Log("нет ответа на cmd " + std::to_string(Current.code) + ", повтор");
                Requests.push_front(Current);
            } else {
                if (DebugLogOn()) Log("таймаут ответа на cmd " + std::to_string(Current.code));
                SendTick = 0;
                ErrorState = CtrlReplyTimeout;
                return false;
            }
        }
        if (Requests.empty()) return false;
        Current = Requests.front();
        Requests.pop_front();
        if (Current.attempts > 0) --Current.attempts;
        frame = BuildFrame(Current);
        resetsAtSend = Resets;
    }

    std::uint32_t written = 0;
    const CableStatus status =
        Port.Write(Handle, frame.data(), static_cast<std::uint32_t>(frame.size()), &written);
    if (status != CableOk) {
        CableFailed("запись в кабель не прошла");
        ErrorState = status;
        return false;
    }
    if (DebugLogOn())
        Log("кадр → " + DebugHex(frame.data(), std::min<std::size_t>(written, frame.size())));
    CtrlPacket sent;
    sent.code = CtrlBytesSent;
    sent.length = static_cast<std::int32_t>(std::min<std::size_t>(written, frame.size()));
    std::memcpy(sent.data, frame.data(), static_cast<std::size_t>(sent.length));

    std::lock_guard guard(Lock);
    Results.Push(sent);
    // A Reset while the bytes were on their way dropped the request: nothing is awaited.
    if (Resets == resetsAtSend) {
        // SendTick only marks the wait, so a send at tick 0 must not shorten its time limit.
        SentAt = Clock.TickMs();
        SendTick = SentAt != 0 ? SentAt : 1;
    }
    return true;
}

bool FTDI_KorvelCtrl::ReceiveReply(std::uint32_t queued) {
    ResultQueue::Batch events;
    std::bitset<256> replyCodes;  // of the replies parsed, for the end of the wait
    bool received = false;
    // The frames of one read: the inbox holds what the first collection did not take.
    do {
        std::size_t count = 0;
        const CableStatus status =
            ReceiveFrame(ReceiveBuffer, ReceiveCapacity, count, std::exchange(queued, 0));
        if (status != CableOk) {
            CableFailed("чтение из кабеля не прошло");
            ErrorState = status;
            break;
        }
        if (count == 0) break;
        received = true;
        if (DebugLogOn())
            Log("кадр ← " + DebugHex(ReceiveBuffer, std::min(count, ReceiveCapacity - 1)));
        // An endless collection is logged by the bytes the buffer kept.
        events.Add(CtrlBytesReceived, ReceiveBuffer, std::min(count, ReceiveCapacity - 1));
        if (count >= ReceiveCapacity || !ParseFrame(ReceiveBuffer, count, Reply)) {
            if (DebugLogOn()) Log("кадр не разобран: " + std::to_string(count) + " байт");
            continue;
        }
        if (Reply.code == CtrlStatus) LastStatusByte = Reply.data[0];
        events.Add(Reply);
        replyCodes.set(Reply.code);
    } while (!InboxEmpty());
    if (events.Empty()) return received;

    std::lock_guard guard(Lock);
    Results.Push(events);
    if (replyCodes.test(Current.code) || replyCodes.test(CtrlErrorReply)) SendTick = 0;
    return received;
}

CableStatus FTDI_KorvelCtrl::ReceiveFrame(std::uint8_t* buffer, std::size_t capacity,
                                          std::size_t& count, std::uint32_t queued) {
    std::memset(buffer, 0, capacity);
    count = 0;
    CableStatus status = CableOk;
    if (!InboxEmpty()) queued = 0;  // known before the inbox was filled
    if (InboxEmpty() && queued == 0) {
        std::uint32_t txQueue = 0, events = 0;
        status = Port.GetStatus(Handle, &queued, &txQueue, &events);
        if (status != CableOk || queued == 0) return status;
    }

    const bool inCtrlMode = InCtrlMode != 0;
    while (Active() && count < capacity) {
        if (InboxEmpty()) {
            status = FillInbox(std::exchange(queued, 0));
            if (status != CableOk || InboxEmpty()) break;
        }
        const std::uint8_t byte = Inbox[InboxBegin++];
        if (count < capacity - 1) buffer[count] = byte;
        ++count;
        if (FrameComplete(buffer, count, inCtrlMode)) break;
    }
    if (count > 0) CableWorks("кабель снова отвечает");
    return status;
}

CableStatus FTDI_KorvelCtrl::FillInbox(std::uint32_t queued) {
    InboxBegin = InboxEnd = 0;
    if (queued == 0) {
        std::uint32_t txQueue = 0, events = 0;
        const CableStatus status = Port.GetStatus(Handle, &queued, &txQueue, &events);
        if (status != CableOk) return status;
    }
    // Nothing waits in the middle of a frame: the read waits for its next byte.
    const auto wanted =
        static_cast<std::uint32_t>(std::clamp<std::size_t>(queued, 1, sizeof Inbox));
    std::uint32_t got = 0;
    const CableStatus status = Port.Read(Handle, Inbox, wanted, &got);
    if (status == CableOk) InboxEnd = std::min<std::size_t>(got, sizeof Inbox);
    return status;
}

}  // namespace gsmprog
