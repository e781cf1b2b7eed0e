#pragma once

#include <chrono>
#include <functional>

// Runs tasks on the user-interface thread, in the order they were posted.
// The Qt event loop implements it in the program; tests use an executor that
// runs the tasks on the test's own thread.
class UiExecutor {
public:
    virtual ~UiExecutor() = default;
    // Any thread: queues the task and returns without waiting for it.
    virtual void Post(std::function<void()> task) = 0;
    // Any thread: queues the task to run once the delay has passed; returns
    // without waiting for it.
    virtual void PostAfter(std::chrono::nanoseconds delay, std::function<void()> task) = 0;
};
