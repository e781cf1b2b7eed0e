#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "workers/ui_executor.h"

// The user-interface thread of a test: tasks posted from worker threads run
// on the test's own thread, in order, when the test asks for them.
class ManualExecutor : public UiExecutor {
public:
    // Any thread.
    void Post(std::function<void()> task) override;

    // Test thread: runs the posted tasks, waiting for more as needed, until
    // the condition holds. The bound only turns a hang into a failure.
    bool RunUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds bound = std::chrono::seconds(20));

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
};
