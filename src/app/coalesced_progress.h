#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/hand_over.h"

// Progress reports of one worker, coalesced: at most one report waits on the
// user-interface thread at a time, and when it runs it shows the latest
// figure. A worker reporting every block thus never floods the user interface.
class CoalescedProgress {
public:
    using Apply = std::function<void(std::uint32_t figure)>;

    // The apply function runs on the user-interface thread.
    CoalescedProgress(HandOver& ui, Apply apply);

    // Worker thread: records the figure and hands a report over unless one
    // is already waiting. Does not wait.
    void Report(std::uint32_t figure);

private:
    struct Shared {
        std::atomic<std::uint32_t> latest{0};
        std::atomic<bool> pending{false};
        Apply apply;
    };

    HandOver& ui_;
    std::shared_ptr<Shared> shared_;
};
