#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "workers/ui_executor.h"

// The user-interface thread of a test: tasks posted from worker threads run
// on the test's own thread, in order, when the test asks for them. A task
// posted with a delay runs once its delay has passed, or at once when the
// test lets the time pass (ElapseDelays).
class ManualExecutor : public UiExecutor {
public:
    // Any thread.
    void Post(std::function<void()> task) override;
    // Any thread.
    void PostAfter(std::chrono::nanoseconds delay, std::function<void()> task) override;

    // Test thread: runs the posted tasks, waiting for more as needed, until
    // the condition holds. The condition may depend on other threads alone
    // (a server's counts): while no task comes it is looked at again every
    // few milliseconds. So a test waits for a worker's doing here, never by
    // blocking its thread, which a worker handing over a step would wait for.
    // The bound only turns a hang into a failure.
    bool RunUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds bound = std::chrono::seconds(20));

    // Test thread: makes every delayed task due now, after the tasks that
    // are already due.
    void ElapseDelays();
    // Any thread: the delayed tasks not yet due.
    std::size_t DelayedCount();

private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kLookAgain{2};
    struct Delayed {
        Clock::time_point due;
        std::function<void()> task;
    };

    // Under the lock: moves the delayed tasks that are due to the queue.
    void QueueDueLocked(Clock::time_point now);

    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
    std::deque<Delayed> delayed_;
};
