#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "workers/hand_over.h"

// Progress reports of one worker, coalesced: at most one report waits on the
// user-interface thread at a time, and when it runs it shows the latest
// figure. A worker reporting every block thus never floods the user interface.
// With a minimum interval, a report is handed over only when that much time
// has passed since the last one: waking the user-interface thread for every
// block would cost a fast transfer a fifth of its speed. The figure shown
// then lags by at most the interval; the worker's next step (end, error or
// halt) replaces it anyway.
class CoalescedProgress {
public:
    using Apply = std::function<void(std::uint32_t figure)>;

    // The apply function runs on the user-interface thread.
    CoalescedProgress(HandOver& ui, Apply apply,
                      std::chrono::nanoseconds minInterval = std::chrono::nanoseconds::zero());

    // Worker thread: records the figure and hands a report over unless one
    // is already waiting. Does not wait.
    void Report(std::uint32_t figure);

private:
    struct Shared {
        std::atomic<std::uint32_t> latest{0};
        std::atomic<bool> pending{false};
        Apply apply;
    };

    bool IntervalRunning();

    HandOver& ui_;
    std::shared_ptr<Shared> shared_;
    const std::chrono::nanoseconds minInterval_;
    static constexpr unsigned kReportsPerClockRead = 64;
    // Worker thread only.
    std::optional<std::chrono::steady_clock::time_point> lastHandedOver_;
    unsigned reportsSinceClock_ = 0;
};
