// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ftdi_controller.h"

#include <algorithm>
#include <cstring>

#include "diag/debug_log.h"
#include "link/block_frame.h"

namespace gsmprog {

namespace {
constexpr std::int32_t FrameData = 32;              // what the link sends per frame
constexpr std::uint32_t CommandPollsPerWrite = 51;  // "WRITE" again every 51 polls
constexpr int WriteIdleLimit = 400;                 // polls of 10 ms after the last frame

const char* ResultText(LinkResult result) {
    switch (result) {
    case LinkDone: return "выполнен";
    case LinkCableFailure: return "сбой кабеля";
    case LinkStopped: return "остановлен";
    case LinkDeviceFailure: return "сбой устройства";
    }
    return "?";
}
}  // namespace

void FTDI_Controller::Log(const std::string& text) { DebugLog("связь", text); }

FTDI_Controller::FTDI_Controller(Cable& cable, LinkClock& clock) : cable_(cable), clock_(clock) {}

FTDI_Controller::~FTDI_Controller() {
    if (Handle != 0) cable_.Close(Handle);
}

CableResult FTDI_Controller::Open(const std::uint8_t* payload, std::int32_t length) {
    const CableResult result =
        OpenCable(cable_, DevList, SerialNumber, CableTuning::Programming, Handle);
    if (result == CableOpened) SetPayload(payload, length);
    return result;
}

void FTDI_Controller::SetPayload(const std::uint8_t* payload, std::int32_t length) {
    if (payload == nullptr || length <= 0 || length >= BufferSize) return;
    std::memcpy(Data, payload, static_cast<std::size_t>(length));
    DataLen = length;
}

LinkResult FTDI_Controller::Start() {
    if (Handle == 0) return LinkCableFailure;
    Running = 1;
    // A Stop made before this point (say, while the cable was being opened) still counts.
    if (stopRequested_) Running = 0;
    if (DebugLogOn()) Log("обмен начат");
    const LinkResult result = Exchange();
    if (DebugLogOn()) Log(std::string("обмен: ") + ResultText(result));
    return result;
}

void FTDI_Controller::Stop() {
    stopRequested_ = true;
    Running = 0;
}

bool FTDI_Controller::Send(const std::uint8_t* bytes, std::uint32_t length, bool compareCount) {
    std::uint32_t written = 0;
    if (cable_.Write(Handle, bytes, length, &written) != CableOk) {
        if (DebugLogOn()) Log("запись в кабель не прошла");
        return false;
    }
    if (!compareCount || written == length) return true;
    if (DebugLogOn())
        Log("записано " + std::to_string(written) + " байт из " + std::to_string(length));
    return false;
}

bool FTDI_Controller::Send(const char* word, bool compareCount) {
    return Send(reinterpret_cast<const std::uint8_t*>(word),
                static_cast<std::uint32_t>(std::strlen(word)), compareCount);
}

bool FTDI_Controller::ReplyCutShort() const {
    return received_ < ReceiveCapacity && IsReplyCutShort(RxBuf, received_);
}

bool FTDI_Controller::Poll() {
    if (!ReceiveAfter(0)) return false;
    const std::uint32_t since = clock_.TickMs();
    if (DebugLogOn() && ReplyCutShort())
        Log("ответ неполон: " + DebugReply(RxBuf, received_) + ", ожидание");
    while (ReplyCutShort() && IsRunning() && clock_.TickMs() - since < CutReplyWaitMs) {
        clock_.Sleep(CutReplyPollMs);
        if (!ReceiveAfter(received_)) return false;
    }
    if (DebugLogOn() && received_ > 0)
        Log(received_ < ReceiveCapacity
                ? "ответ: " + DebugReply(RxBuf, received_)
                : "ответ длиной " + std::to_string(received_) + " байт отброшен");
    return true;
}

bool FTDI_Controller::ReceiveAfter(std::uint32_t kept) {
    std::uint32_t more = 0;
    if (Receive(cable_, Handle, RxBuf + kept, ReceiveCapacity - kept, more) != CableOk) {
        if (DebugLogOn()) Log("опрос кабеля не прошёл");
        return false;
    }
    received_ = kept + more;
    // Grown past the buffer: too long to be a reply, and not taken, as Receive does.
    if (received_ >= ReceiveCapacity) std::memset(RxBuf, 0, ReceiveCapacity);
    return true;
}

bool FTDI_Controller::ReplyIs(const char* word) const {
    const std::size_t length = std::strlen(word);
    return received_ == length && std::memcmp(RxBuf, word, length) == 0;
}

LinkResult FTDI_Controller::RepeatUntilReady(const char* command, std::uint32_t sleepMs) {
    for (int attempt = 1; IsRunning(); ++attempt) {
        if (DebugLogOn()) Log(std::string(command) + ", попытка " + std::to_string(attempt));
        if (!Send(command, false)) return LinkCableFailure;
        clock_.Sleep(sleepMs);
        if (!Poll()) return LinkCableFailure;
        if (ReplyIs("ERROR")) return LinkDeviceFailure;
        if (ReplyIs("READY")) break;
    }
    return IsRunning() ? LinkDone : LinkStopped;
}

LinkResult FTDI_Controller::Exchange() {
    std::memcpy(TxData, Data, static_cast<std::size_t>(std::clamp(DataLen, 0, BufferSize)));
    Silence = {};
    if (const LinkResult attention = Attention(); attention != LinkDone) return attention;

    // Command phase.
    bool firstFrameAtOnce = false;
    std::uint32_t polls = 0;
    for (int attempt = 1; IsRunning();) {
        if (polls == 0) {
            if (DebugLogOn()) Log("WRITE, попытка " + std::to_string(attempt));
            ++attempt;
            if (!Send("WRITE", true)) return LinkCableFailure;
        }
        clock_.Sleep(10);
        if (++polls >= CommandPollsPerWrite) polls = 0;
        if (!Poll()) return LinkCableFailure;
        if (ReplyIs("ERROR")) return LinkDeviceFailure;
        if (ReplyIs("READY")) break;
        if (ReplyIs("READYNEXT")) {
            firstFrameAtOnce = true;
            break;
        }
    }
    if (!IsRunning()) return LinkStopped;

    // Block phase.
    std::uint8_t frame[FrameData + 3];
    std::uint32_t frameLength = MakeBlockFrame(TxData, FrameData, frame);
    std::int32_t position = 0;
    int idle = 0;
    bool pending = firstFrameAtOnce;
    bool endFrame = false;
    Silence.blockCount = (DataLen + FrameData - 1) / FrameData;
    while (IsRunning()) {
        if (pending) {
            if (!Send(frame, frameLength, true)) return LinkCableFailure;
            position += FrameData;
            if (endFrame) Silence.endSent = true;
            else ++Silence.blocksSent;
            pending = false;
            idle = 0;
        } else {
            if (!Poll()) return LinkCableFailure;
            if (ReplyIs("NEXT")) {
                if (position < DataLen) {
                    const auto n =
                        static_cast<std::uint32_t>(std::min(FrameData, DataLen - position));
                    frameLength = MakeBlockFrame(TxData + position, n, frame);
                    if (DebugLogOn())
                        Log("блок: байты " + std::to_string(position) + "–" +
                            std::to_string(position + std::int32_t(n) - 1) + " из " +
                            std::to_string(DataLen));
                } else {
                    if (DebugLogOn()) Log("конец образа");
                    std::memcpy(frame, EndFrame, sizeof EndFrame);
                    frameLength = sizeof EndFrame;
                    endFrame = true;
                }
                pending = true;
            } else if (ReplyIs("OK")) {
                return LinkDone;
            } else if (ReplyIs("ERROR")) {
                return LinkDeviceFailure;
            }
        }
        if (!pending) {
            clock_.Sleep(10);
            if (++idle > WriteIdleLimit) {
                if (DebugLogOn()) Log("модем молчит 4 с после блока");
                Silence.silent = true;
                return LinkDeviceFailure;
            }
        }
    }
    return LinkStopped;
}

}  // namespace gsmprog
