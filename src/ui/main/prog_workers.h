// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The workers of the three hardware operations of the main window. Each owns its link, keeps
// the cable alive, runs the exchange in a thread of its own, and hands its result over on
// the window's thread: the completion step runs there while the worker waits for it. Plain
// C++: the hand-over goes through WorkHandover, so the workers run without windows too.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "cards/card_record.h"
#include "link/ftdi_controller.h"
#include "ui/main/hardware.h"
#include "ui/main/work_handover.h"
#include "ops/link_outcome.h"
#include "link/modem_image.h"
#include "ops/exchange_record.h"

namespace gsmprog {

class ProgWorker {
public:
    // What the exchange came to; the completion step reads it on the window's thread.
    struct Result {
        bool OpSucceeded = false;
        bool OpFailed = false;
        std::string FailReason;       // UTF-8
        std::string FailDetail;       // UTF-8, shown under the reason; often empty
        bool CableFailed = false;     // the cable was missing or could not be opened
        std::uint16_t NewProgID = 0;  // the CRC of the image written
        WideImage ReadImage{};
        std::string ReadVersion;  // UTF-8
    };
    using Completion = std::function<void(ProgWorker&)>;

    virtual ~ProgWorker();
    ProgWorker(const ProgWorker&) = delete;
    ProgWorker& operator=(const ProgWorker&) = delete;

    // Starts the thread; `completion` runs on the window's thread through `handover` once the
    // exchange ended. The hand-over must outlive the worker unless the worker is abandoned.
    void Begin(WorkHandover& handover, Completion completion);
    // Ends the exchange at its next poll, also when the cable is still being opened, and
    // marks the worker terminated. Window thread only.
    void Stop();
    bool Terminated() const { return terminated_; }
    // The card the operation started from.
    int Slot() const { return slot_; }
    Result TakeResult() const;
    // The journal entry of the exchange so far: what was sent and for which card, and once
    // the exchange ended the cable and what came back. The completion step ends and records it.
    ExchangeRecord TakeRecord() const;
    bool Finished() const { return finished_; }

    // Waits at most `timeout` for the thread to end, running its completion step meanwhile.
    // False when it is still inside the exchange: it then never hands over any more.
    bool Finish(std::chrono::milliseconds timeout);
    // Lets a worker that did not finish in time end on its own and free itself; it keeps
    // the cable alive until then.
    static void Abandon(std::unique_ptr<ProgWorker> worker);
    // Waits at most `bound` for every abandoned worker to end; false when one still runs. The
    // program's end asks this before anything such a worker could still use goes away.
    static bool AbandonedEnded(std::chrono::milliseconds bound);

protected:
    ProgWorker(std::unique_ptr<FTDI_Controller> link, const Hardware& hardware,
               std::string serialNumber, LinkOperation operation, int slot, const CardRecord& card);

    // Window thread, before Begin: the facts the journal entry starts from.
    OperationFacts& Facts() { return record_.Facts(); }

    // In the thread: builds the payload, runs the exchange and publishes the result.
    virtual void Run() = 0;
    // Runs the exchange with `payload` and takes its outcome into `result`.
    LinkOutcome Exchange(Result& result, const std::uint8_t* payload = nullptr,
                         std::int32_t length = 0);
    void Publish(Result result);

    FTDI_Controller& Link() { return *link_; }

private:
    void Body();

    const Hardware hardware_;  // the link's cable and clock, kept alive as long as the worker
    const std::string serialNumber_;
    const LinkOperation operation_;
    const int slot_;
    WorkHandover* handover_ = nullptr;
    Completion completion_;
    bool terminated_ = false;  // window thread only
    std::atomic<bool> finished_{false};
    std::thread thread_;

    // Guards the link's lifetime, the result and the hand-over state.
    mutable std::mutex lock_;
    std::unique_ptr<FTDI_Controller> link_;
    Result result_;
    ExchangeRecord record_;
    bool handingOver_ = false;  // the completion step is asked for
    bool abandoned_ = false;    // the window no longer waits: never hand over
    bool selfOwned_ = false;    // the thread frees the worker when it ends
};

// Writes the settings image of the card into the modem.
class TProgThread final : public ProgWorker {
public:
    TProgThread(const Hardware& hardware, std::string serialNumber, int slot,
                const CardRecord& card);

private:
    void Run() override;
    const ModemImage image_;
};

// Reads the settings image and the version back out of the modem.
class TReadThread final : public ProgWorker {
public:
    TReadThread(const Hardware& hardware, std::string serialNumber);

private:
    void Run() override;
};

// Writes the loop and mode settings of one object device of the card through the modem.
class TProgUoThread final : public ProgWorker {
public:
    TProgUoThread(const Hardware& hardware, std::string serialNumber, int slot,
                  const CardRecord& card, int device);

private:
    void Run() override;
    const UoCommand command_;
};

}  // namespace gsmprog
