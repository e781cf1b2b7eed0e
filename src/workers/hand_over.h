#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "workers/ui_executor.h"

// The channel through which workers run their steps on the user-interface
// thread. A step that reads or changes the lists, the process-wide state or
// the windows is handed over as one closure, so it sees a consistent store.
// Steps run in the order they were handed over; a deferred step is no
// exception (see PostAfter). Once closed (at exit), hand-overs return at once
// without running, and workers waiting for a step are released.
class HandOver {
public:
    explicit HandOver(UiExecutor& executor);
    HandOver(const HandOver&) = delete;
    HandOver& operator=(const HandOver&) = delete;

    // Worker thread: runs the step on the user-interface thread and waits for
    // it. False when the hand-over is closed and the step did not run. An
    // exception thrown by the step is thrown again here.
    bool Run(std::function<void()> step);

    // Any thread: queues the step without waiting for it; dropped once closed.
    void Post(std::function<void()> step);

    // Any thread: queues the step to run once the delay has passed, or
    // earlier, just before the next step handed over by any Run or Post, so
    // that it never runs after a step handed over later. Dropped once closed.
    void PostAfter(std::chrono::nanoseconds delay, std::function<void()> step);

    // User-interface thread: no step runs after this returns.
    void Close();
    // Any thread.
    bool IsClosed() const;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

// Steps of one worker handed over at most once per interval: a step posted
// sooner after the last one waits for the interval's end (HandOver::PostAfter).
// The first is due at once: the steady clock's epoch is the machine's boot,
// not "long ago", so no default time point may stand for "never".
class PacedPoster {
public:
    PacedPoster(HandOver& ui, std::chrono::nanoseconds interval) : ui_(ui), interval_(interval) {}

    // One worker thread only: posts the step without waiting for it.
    void Post(std::function<void()> step);
    // One worker thread only: whether a step posted now would be handed over
    // at once rather than after the interval.
    bool IsDue() const;

private:
    HandOver& ui_;
    const std::chrono::nanoseconds interval_;
    std::optional<std::chrono::steady_clock::time_point> lastDue_;
};
