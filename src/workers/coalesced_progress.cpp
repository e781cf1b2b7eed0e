#include "workers/coalesced_progress.h"

CoalescedProgress::CoalescedProgress(HandOver& ui, Apply apply, std::chrono::nanoseconds minInterval)
    : ui_(ui), shared_(std::make_shared<Shared>()), minInterval_(minInterval) {
    shared_->apply = std::move(apply);
}

void CoalescedProgress::Report(std::uint32_t figure) {
    shared_->latest.store(figure);
    if (shared_->pending.load() || IntervalRunning()) return;
    shared_->pending.store(true);
    ui_.Post([shared = shared_] {
        // Cleared before the figure is read: a report made after this point
        // either is seen here or hands over a report of its own.
        shared->pending.store(false);
        shared->apply(shared->latest.load());
    });
}

bool CoalescedProgress::IntervalRunning() {
    if (minInterval_ <= std::chrono::nanoseconds::zero()) return false;
    // The clock is read on every 64th report only: it costs more than the
    // rest of a report, and 64 blocks pass far within any interval.
    if (lastHandedOver_ && ++reportsSinceClock_ % kReportsPerClockRead != 0) return true;
    const auto now = std::chrono::steady_clock::now();
    if (lastHandedOver_ && now - *lastHandedOver_ < minInterval_) return true;
    lastHandedOver_ = now;
    return false;
}
