// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The programming link: one exchange with the modem over the cable, run in a worker thread.
// FTDI_Controller writes a settings image; its subclasses read the image back
// (FTDI_ReadCtrl) and write a command into an object device (FTDI_UoProgCtrl).
//
// Use: construct, SetSerial, Open, and when Open returned CableOpened, Start. Stop may be
// called from any thread at any time after construction; the exchange then ends with
// LinkStopped at its next test of Running.

#include <atomic>
#include <cstdint>
#include <string>

#include "link/cable.h"
#include "link/link_clock.h"
#include "link/link_result.h"
#include "link/open_cable.h"
#include "link/receive.h"

namespace gsmprog {

class FTDI_Controller {
public:
    static constexpr std::int32_t BufferSize = 4096;

    explicit FTDI_Controller(Cable& cable, LinkClock& clock = SystemClock());
    // Closes the cable if it is open.
    virtual ~FTDI_Controller();
    FTDI_Controller(const FTDI_Controller&) = delete;
    FTDI_Controller& operator=(const FTDI_Controller&) = delete;

    void SetSerial(const std::string& serialNumber) { SerialNumber = serialNumber; }
    // Opens the cable with the programming tuning; on success takes a payload of
    // 0 < length < 4096 bytes into Data.
    CableResult Open(const std::uint8_t* payload = nullptr, std::int32_t length = 0);
    // Takes a payload of 0 < length < 4096 bytes into Data, for a cable opened without one.
    void SetPayload(const std::uint8_t* payload, std::int32_t length);
    LinkResult Start();
    void Stop();

    virtual LinkResult Exchange();

    CableInfo DevList[DevListCapacity] = {};
    CableHandle Handle = 0;
    std::atomic<std::uint8_t> Running{0};
    std::uint8_t TxData[BufferSize] = {};
    std::uint8_t RxBuf[BufferSize] = {};
    std::uint8_t Data[BufferSize] = {};
    std::int32_t DataLen = 0;
    std::string Version = "Н/Д";  // UTF-8
    std::string SerialNumber;
    WriteSilence Silence;  // of the last write; read once Start has returned

protected:
    // Writes the bytes; false when the write fails or, with `compareCount`, writes fewer.
    bool Send(const std::uint8_t* bytes, std::uint32_t length, bool compareCount);
    bool Send(const char* word, bool compareCount);
    // One poll into RxBuf, which waits a little for the rest of a reply cut short; false when
    // the cable failed.
    bool Poll();
    // The reply of the last poll is plainly only the beginning of one (see IsReplyCutShort).
    virtual bool ReplyCutShort() const;
    // One receive into RxBuf behind the `kept` bytes already there; false when the cable failed.
    bool ReceiveAfter(std::uint32_t kept);
    // The last poll's reply is exactly `word`.
    bool ReplyIs(const char* word) const;
    bool IsRunning() const { return Running.load() != 0; }
    // Sends `command` and polls `sleepMs` later, again and again until "READY" (LinkDone),
    // "ERROR" (LinkDeviceFailure), a cable failure or a stop.
    LinkResult RepeatUntilReady(const char* command, std::uint32_t sleepMs);
    // The attention handshake that opens every exchange.
    LinkResult Attention() { return RepeatUntilReady("PROG_GSMA", 200); }
    // An event of the exchange in the diagnostic log; callers test DebugLogOn() first.
    static void Log(const std::string& text);

    Cable& cable_;
    LinkClock& clock_;
    std::uint32_t received_ = 0;  // waiting count of the last poll

private:
    std::atomic<bool> stopRequested_{false};
};

}  // namespace gsmprog
