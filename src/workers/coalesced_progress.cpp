#include "workers/coalesced_progress.h"

CoalescedProgress::CoalescedProgress(HandOver& ui, Apply apply, std::chrono::nanoseconds minInterval)
    : shared_(std::make_shared<Shared>()), poster_(ui, minInterval) {
    shared_->apply = std::move(apply);
}

void CoalescedProgress::Report(std::uint64_t figure) {
    shared_->latest.store(figure);
    // While a report waits, it will show this figure: nothing else to do,
    // not even a look at the clock.
    if (shared_->pending.load()) return;
    shared_->pending.store(true);  // only this thread sets it
    auto report = [shared = shared_] {
        // Cleared before the figure is read: a report made after this point
        // either is seen here or hands over a report of its own.
        shared->pending.store(false);
        shared->apply(shared->latest.load());
    };
    poster_.Post(std::move(report));
}
