// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The workers of the hardware operations without a window: the hand-over is a plain queue
// run by the test's thread, as the window's thread runs Qt's queued calls. Runs under
// ThreadSanitizer: a stop, a close during an exchange, and a worker abandoned on a wedged cable.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>

#include "link/link_clock.h"
#include "support/scripted_cable.h"
#include "ui/main/prog_workers.h"
#include "ui/main/work_handover.h"

namespace gsmprog::test {
namespace {

using std::chrono::milliseconds;
constexpr milliseconds WorkerEndWait{2000};  // as the window waits at close

// One step at a time, handed from a worker to the test's thread.
class QueueHandover final : public WorkHandover {
public:
    void RunOnWindowThread(const std::function<void()>& step) override {
        std::unique_lock guard(lock_);
        changed_.wait(guard, [this] { return pending_ == nullptr; });
        pending_ = &step;
        changed_.notify_all();
        changed_.wait(guard, [this, &step] { return pending_ != &step; });
    }
    void RunHandedOver() override {
        if (whileWaiting) whileWaiting();
        std::unique_lock guard(lock_);
        if (pending_) RunPending(guard);
    }
    // Waits for the next step and runs it.
    void RunNext() {
        std::unique_lock guard(lock_);
        changed_.wait(guard, [this] { return pending_ != nullptr; });
        RunPending(guard);
    }
    std::function<void()> whileWaiting;  // called on each round of a wait for a worker

private:
    void RunPending(std::unique_lock<std::mutex>& guard) {
        const std::function<void()>* step = pending_;
        guard.unlock();
        (*step)();
        guard.lock();
        pending_ = nullptr;
        changed_.notify_all();
    }
    std::mutex lock_;
    std::condition_variable changed_;
    const std::function<void()>* pending_ = nullptr;
};

// A read worker on a scripted cable whose modem stays silent, and what its completion saw.
struct ReadRun {
    explicit ReadRun(std::shared_ptr<ScriptedCable> scripted = std::make_shared<ScriptedCable>())
        : cable(std::move(scripted)),
          worker(
              std::make_unique<TReadThread>(Hardware{*cable, SystemClock(), cable}, "FT000001")) {}

    void Begin() {
        worker->Begin(handover, [this](ProgWorker& done) {
            ++completions;
            stoppedAtCompletion = done.Terminated();
            result = done.TakeResult();
        });
    }

    std::shared_ptr<ScriptedCable> cable;
    QueueHandover handover;
    std::unique_ptr<ProgWorker> worker;
    int completions = 0;  // test thread only: completions run there
    bool stoppedAtCompletion = false;
    ProgWorker::Result result;
};

TEST(ProgWorkers, StopEndsTheExchangeAndHandsOverTheStoppedWorker) {
    ReadRun run;
    std::promise<void> wrote;
    bool first = true;
    run.cable->OnWrite([&](const Bytes&) {
        if (std::exchange(first, false)) wrote.set_value();
    });
    run.Begin();
    wrote.get_future().wait();  // the command is out; the worker waits for the answer
    run.worker->Stop();
    run.handover.RunNext();
    EXPECT_EQ(run.completions, 1);
    EXPECT_TRUE(run.stoppedAtCompletion);
    EXPECT_FALSE(run.result.OpSucceeded);
    EXPECT_TRUE(run.worker->Finish(WorkerEndWait));
    EXPECT_FALSE(run.cable->IsOpen());
}

TEST(ProgWorkers, CloseDuringAnExchangeRunsTheHandOverWhileItWaits) {
    ReadRun run;
    run.cable->Inject(Fault::BlockingWrite(1));
    run.Begin();
    run.cable->AwaitBlocked();
    // The window's end: stop, then wait; the cable comes free while the window waits.
    run.worker->Stop();
    run.handover.whileWaiting = [&] { run.cable->Unblock(); };
    EXPECT_TRUE(run.worker->Finish(WorkerEndWait));
    EXPECT_EQ(run.completions, 1);
    EXPECT_TRUE(run.stoppedAtCompletion);
    EXPECT_TRUE(run.worker->Finished());
    EXPECT_FALSE(run.cable->IsOpen());
}

TEST(ProgWorkers, AnAbandonedWorkerKeepsItsCableUntilItEnds) {
    auto run = std::make_unique<ReadRun>();
    run->cable->Inject(Fault::BlockingWrite(1));
    run->Begin();
    run->cable->AwaitBlocked();
    run->worker->Stop();
    EXPECT_FALSE(run->worker->Finish(WorkerEndWait));  // wedged in the write
    ProgWorker::Abandon(std::move(run->worker));

    // The window and everything it held go; the worker still holds the cable.
    const std::weak_ptr<ScriptedCable> cable = run->cable;
    const int completions = run->completions;
    run.reset();
    ASSERT_FALSE(cable.expired());
    cable.lock()->Unblock();
    EXPECT_TRUE(ProgWorker::AbandonedEnded(milliseconds(60000)));
    EXPECT_TRUE(cable.expired());  // freed by the worker's end
    EXPECT_EQ(completions, 0);     // never handed over once abandoned
}

}  // namespace
}  // namespace gsmprog::test
