#include "workers/hand_over.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <set>
#include <vector>

namespace {

// One step a worker waits for.
struct PendingStep {
    bool done = false;
    bool ran = false;
    std::exception_ptr error;
};

// A step handed over to run later; its closure is taken by whichever comes
// first, the delay's end or the next hand-over.
struct DeferredStep {
    std::function<void()> step;
};

}  // namespace

struct HandOver::Shared {
    explicit Shared(UiExecutor& ex) : executor(ex) {}

    UiExecutor& executor;
    mutable std::mutex mutex;
    std::condition_variable stepDone;
    bool closed = false;
    std::set<std::shared_ptr<PendingStep>> waiting;
    std::vector<std::shared_ptr<DeferredStep>> deferred;

    // Under the lock: queues the deferred steps ahead of the step about to be
    // handed over, so that none of them runs after it.
    void FlushDeferredLocked(const std::shared_ptr<Shared>& self) {
        for (const auto& step : deferred) executor.Post([self, step] { self->RunDeferred(step); });
        deferred.clear();
    }

    // User-interface thread: runs the deferred step unless it ran already.
    void RunDeferred(const std::shared_ptr<DeferredStep>& deferredStep) {
        std::function<void()> step;
        {
            std::lock_guard lock(mutex);
            if (closed) return;
            std::erase(deferred, deferredStep);
            step = std::move(deferredStep->step);
            deferredStep->step = nullptr;
        }
        if (step) step();
    }

    // User-interface thread. Close runs on the same thread, so the hand-over
    // cannot close while the step runs.
    void RunStep(const std::shared_ptr<PendingStep>& pending, const std::function<void()>& step) {
        {
            std::lock_guard lock(mutex);
            if (closed) return;  // Close has released the waiter already
        }
        std::exception_ptr error;
        try {
            step();
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard lock(mutex);
        pending->ran = true;
        pending->done = true;
        pending->error = error;
        waiting.erase(pending);
        stepDone.notify_all();
    }
};

HandOver::HandOver(UiExecutor& executor) : shared_(std::make_shared<Shared>(executor)) {}

bool HandOver::Run(std::function<void()> step) {
    auto pending = std::make_shared<PendingStep>();
    std::unique_lock lock(shared_->mutex);
    if (shared_->closed) return false;
    shared_->FlushDeferredLocked(shared_);
    shared_->waiting.insert(pending);
    // Posted under the lock, so Close cannot slip in between the test and the
    // post and the executor is never used after the hand-over closed.
    shared_->executor.Post(
        [shared = shared_, pending, step = std::move(step)] { shared->RunStep(pending, step); });
    shared_->stepDone.wait(lock, [&] { return pending->done; });
    if (pending->error) std::rethrow_exception(pending->error);
    return pending->ran;
}

void HandOver::Post(std::function<void()> step) {
    std::lock_guard lock(shared_->mutex);
    if (shared_->closed) return;
    shared_->FlushDeferredLocked(shared_);
    shared_->executor.Post([shared = shared_, step = std::move(step)] {
        {
            std::lock_guard innerLock(shared->mutex);
            if (shared->closed) return;
        }
        step();
    });
}

void HandOver::PostAfter(std::chrono::nanoseconds delay, std::function<void()> step) {
    std::lock_guard lock(shared_->mutex);
    if (shared_->closed) return;
    auto deferred = std::make_shared<DeferredStep>(DeferredStep{std::move(step)});
    shared_->deferred.push_back(deferred);
    shared_->executor.PostAfter(delay, [shared = shared_, deferred] { shared->RunDeferred(deferred); });
}

void HandOver::Close() {
    std::lock_guard lock(shared_->mutex);
    shared_->closed = true;
    for (const auto& deferred : shared_->deferred) deferred->step = nullptr;
    shared_->deferred.clear();
    for (const auto& pending : shared_->waiting) pending->done = true;
    shared_->waiting.clear();
    shared_->stepDone.notify_all();
}

bool HandOver::IsClosed() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->closed;
}

bool PacedPoster::IsDue() const {
    return !lastDue_ || std::chrono::steady_clock::now() >= *lastDue_ + interval_;
}

void PacedPoster::Post(std::function<void()> step) {
    const auto now = std::chrono::steady_clock::now();
    const auto due = lastDue_ ? std::max(now, *lastDue_ + interval_) : now;
    lastDue_ = due;
    if (due > now) {
        ui_.PostAfter(due - now, std::move(step));
    } else {
        ui_.Post(std::move(step));
    }
}
