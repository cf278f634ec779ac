// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/prog_workers.h"

#include <condition_variable>

#include "link/ftdi_read_ctrl.h"
#include "link/ftdi_uo_prog_ctrl.h"
#include "ops/read_result.h"

namespace gsmprog {

namespace {

// The abandoned workers still running. Never destroyed: a worker may end while the program
// itself is ending.
struct AbandonedWorkers {
    std::mutex lock;
    std::condition_variable ended;
    int running = 0;
};

JournalOperation JournalOperationOf(LinkOperation operation) {
    switch (operation) {
    case LinkOperation::ReadModem: return JournalOperation::Read;
    case LinkOperation::WriteUo: return JournalOperation::WriteUo;
    default: return JournalOperation::Program;
    }
}

AbandonedWorkers& Abandoned() {
    static AbandonedWorkers* const workers = new AbandonedWorkers;
    return *workers;
}

}  // namespace

ProgWorker::ProgWorker(std::unique_ptr<FTDI_Controller> link, const Hardware& hardware,
                       std::string serialNumber, LinkOperation operation, int slot,
                       const CardRecord& card)
    : hardware_(hardware),
      serialNumber_(std::move(serialNumber)),
      operation_(operation),
      slot_(slot),
      link_(std::move(link)),
      record_(JournalOperationOf(operation), "gsmprog") {
    if (slot < 0) return;
    record_.Facts().card = card;
    record_.Facts().slot = slot;
}

ProgWorker::~ProgWorker() {
    if (thread_.joinable()) thread_.join();
}

void ProgWorker::Begin(WorkHandover& handover, Completion completion) {
    handover_ = &handover;
    completion_ = std::move(completion);
    record_.Begin();
    thread_ = std::thread([this] { Body(); });
}

void ProgWorker::Body() {
    Run();
    bool handOver = false;
    {
        std::lock_guard guard(lock_);
        handOver = handingOver_ = !abandoned_;
    }
    if (handOver) handover_->RunOnWindowThread([this] { completion_(*this); });
    bool freeSelf = false;
    {
        std::lock_guard guard(lock_);
        link_.reset();  // closes the cable now, not when the window gets round to it
        finished_ = true;
        freeSelf = selfOwned_;
    }
    if (!freeSelf) return;
    delete this;  // the link, and with the last holder the cable, go here
    AbandonedWorkers& abandoned = Abandoned();
    std::lock_guard guard(abandoned.lock);
    --abandoned.running;
    abandoned.ended.notify_all();
}

void ProgWorker::Stop() {
    terminated_ = true;
    std::lock_guard guard(lock_);
    if (link_) link_->Stop();
}

ProgWorker::Result ProgWorker::TakeResult() const {
    std::lock_guard guard(lock_);
    return result_;
}

ExchangeRecord ProgWorker::TakeRecord() const {
    std::lock_guard guard(lock_);
    return record_;
}

void ProgWorker::Publish(Result result) {
    std::lock_guard guard(lock_);
    result_ = std::move(result);
}

LinkOutcome ProgWorker::Exchange(Result& result, const std::uint8_t* payload, std::int32_t length) {
    const LinkOutcome outcome = RunExchange(*link_, serialNumber_, payload, length);
    {
        std::lock_guard guard(lock_);
        record_.Exchanged(*link_);
    }
    if (outcome.Done()) {
        result.OpSucceeded = true;
    } else if (const char* reason = FailureReason(operation_, outcome)) {
        result.OpFailed = true;
        result.FailReason = reason;
        result.CableFailed = outcome.opened != CableOpened;
        const CableFailure cableFailure = hardware_.cable.LastFailure();
        const char* busy = BusyCableText(outcome.opened, cableFailure);
        if (const char* note = busy ? busy : MissingCableNote(outcome.opened, cableFailure))
            result.FailDetail = note;
        else result.FailDetail = SilenceText(outcome.silence);
    }
    return outcome;
}

bool ProgWorker::Finish(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!finished_) {
        handover_->RunHandedOver();
        if (std::chrono::steady_clock::now() >= deadline) {
            std::lock_guard guard(lock_);
            if (!handingOver_ && !finished_) {
                abandoned_ = true;
                return false;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    thread_.join();
    return true;
}

void ProgWorker::Abandon(std::unique_ptr<ProgWorker> worker) {
    std::unique_lock guard(worker->lock_);
    if (worker->finished_) {
        guard.unlock();
        return;  // ended meanwhile: joined and freed here
    }
    {
        AbandonedWorkers& abandoned = Abandoned();
        std::lock_guard count(abandoned.lock);
        ++abandoned.running;
    }
    worker->selfOwned_ = true;
    worker->thread_.detach();
    guard.unlock();
    worker.release();
}

bool ProgWorker::AbandonedEnded(std::chrono::milliseconds bound) {
    AbandonedWorkers& abandoned = Abandoned();
    std::unique_lock guard(abandoned.lock);
    return abandoned.ended.wait_for(guard, bound, [&] { return abandoned.running == 0; });
}

TProgThread::TProgThread(const Hardware& hardware, std::string serialNumber, int slot,
                         const CardRecord& card)
    : ProgWorker(std::make_unique<FTDI_Controller>(hardware.cable, hardware.clock), hardware,
                 std::move(serialNumber), LinkOperation::ProgramModem, slot, card),
      image_(BuildModemImage(card, card.VersionCombo)) {
    OperationFacts& facts = Facts();
    facts.previousId = std::uint16_t(card.ProgID1);
    facts.imageCrc = image_.crc;
    facts.image.assign(image_.bytes.begin(), image_.bytes.begin() + std::ptrdiff_t(image_.length));
}

void TProgThread::Run() {
    Result result;
    result.NewProgID = image_.crc;
    if (image_.length == 0) {
        // Only the two known layouts make an image; an empty one must never be sent.
        result.OpFailed = true;
        result.FailReason = NoImageVariantText;
    } else {
        Exchange(result, image_.bytes.data(), static_cast<std::int32_t>(image_.length));
    }
    Publish(std::move(result));
}

TReadThread::TReadThread(const Hardware& hardware, std::string serialNumber)
    : ProgWorker(std::make_unique<FTDI_ReadCtrl>(hardware.cable, hardware.clock), hardware,
                 std::move(serialNumber), LinkOperation::ReadModem, -1, CardRecord{}) {}

void TReadThread::Run() {
    Result result;
    if (Exchange(result).Done()) {
        FTDI_Controller& link = Link();
        if (!EvaluateReadImage(link.Data, static_cast<std::size_t>(link.DataLen),
                               result.ReadImage)) {
            result.OpSucceeded = false;
            result.OpFailed = true;
            result.FailReason = BadReadDataText;
        } else {
            result.ReadVersion = link.Version;
        }
    }
    Publish(std::move(result));
}

TProgUoThread::TProgUoThread(const Hardware& hardware, std::string serialNumber, int slot,
                             const CardRecord& card, int device)
    : ProgWorker(std::make_unique<FTDI_UoProgCtrl>(hardware.cable, hardware.clock), hardware,
                 std::move(serialNumber), LinkOperation::WriteUo, slot, card),
      command_(BuildUoCommand(card, device)) {
    Facts().device = device;
    Facts().command.assign(command_.begin(), command_.end());
}

void TProgUoThread::Run() {
    Result result;
    Exchange(result, command_.data(), static_cast<std::int32_t>(command_.size()));
    Publish(std::move(result));
}

}  // namespace gsmprog
