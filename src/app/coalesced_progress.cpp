#include "app/coalesced_progress.h"

CoalescedProgress::CoalescedProgress(HandOver& ui, Apply apply)
    : ui_(ui), shared_(std::make_shared<Shared>()) {
    shared_->apply = std::move(apply);
}

void CoalescedProgress::Report(std::uint32_t figure) {
    shared_->latest.store(figure);
    if (shared_->pending.exchange(true)) return;
    ui_.Post([shared = shared_] {
        // Cleared before the figure is read: a report made after this point
        // either is seen here or hands over a report of its own.
        shared->pending.store(false);
        shared->apply(shared->latest.load());
    });
}
