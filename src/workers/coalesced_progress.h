#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "workers/hand_over.h"

// Progress reports of one worker, coalesced: at most one report waits on the
// user-interface thread at a time, and when it runs it shows the latest
// figure. A worker reporting every block thus never floods the user interface.
// With a minimum interval, reports are handed over at most once per interval:
// a report made sooner waits until the interval has passed (see
// HandOver::PostAfter), so waking the user-interface thread for every block
// does not cost a fast transfer a fifth of its speed, and the figure shown is
// never older than the interval, however slowly the blocks come. A step the
// worker hands over later runs after the waiting report.
class CoalescedProgress {
public:
    using Apply = std::function<void(std::uint64_t figure)>;

    // The apply function runs on the user-interface thread.
    CoalescedProgress(HandOver& ui, Apply apply,
                      std::chrono::nanoseconds minInterval = std::chrono::nanoseconds::zero());

    // Worker thread: records the figure and hands a report over unless one
    // is already waiting. Does not wait.
    void Report(std::uint64_t figure);

private:
    struct Shared {
        std::atomic<std::uint64_t> latest{0};
        std::atomic<bool> pending{false};
        Apply apply;
    };

    std::shared_ptr<Shared> shared_;
    PacedPoster poster_;  // worker thread only
};
