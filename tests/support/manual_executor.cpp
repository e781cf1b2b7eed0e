#include "support/manual_executor.h"

#include <algorithm>

void ManualExecutor::Post(std::function<void()> task) {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    posted_.notify_all();
}

void ManualExecutor::PostAfter(std::chrono::nanoseconds delay, std::function<void()> task) {
    std::lock_guard lock(mutex_);
    const Clock::time_point due = Clock::now() + std::chrono::ceil<Clock::duration>(delay);
    // Kept in the order they fall due; equal times in the order posted.
    const auto later =
        std::upper_bound(delayed_.begin(), delayed_.end(), due,
                         [](Clock::time_point time, const Delayed& held) { return time < held.due; });
    delayed_.insert(later, Delayed{due, std::move(task)});
    posted_.notify_all();
}

void ManualExecutor::QueueDueLocked(Clock::time_point now) {
    while (!delayed_.empty() && delayed_.front().due <= now) {
        tasks_.push_back(std::move(delayed_.front().task));
        delayed_.pop_front();
    }
}

void ManualExecutor::ElapseDelays() {
    std::lock_guard lock(mutex_);
    QueueDueLocked(Clock::time_point::max());
}

std::size_t ManualExecutor::DelayedCount() {
    std::lock_guard lock(mutex_);
    return delayed_.size();
}

bool ManualExecutor::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds bound) {
    const auto deadline = Clock::now() + bound;
    while (!done()) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            QueueDueLocked(Clock::now());
            if (tasks_.empty()) {
                const auto now = Clock::now();
                if (now >= deadline) return false;
                // The condition may turn true by another thread's doing
                // (a server's count, a worker at its gate) with nothing
                // posted, so it is looked at again now and then.
                auto wakeUp = std::min(deadline, now + kLookAgain);
                if (!delayed_.empty()) wakeUp = std::min(wakeUp, delayed_.front().due);
                posted_.wait_until(lock, wakeUp);
                continue;
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
    return true;
}
