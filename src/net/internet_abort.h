#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>

// One switch for many sessions: thrown once (at program exit) it aborts every
// session made with it, those alive now and those made later. Thread-safe.
class InternetAbort {
public:
    using Waker = std::function<void()>;

    // Called from any thread.
    void Abort();
    // Called from any thread.
    bool Aborted() const { return aborted_.load(std::memory_order_acquire); }

    // Sessions subscribe a waker that interrupts their waiting; it is called
    // once by Abort (at once when already aborted) and never after Unsubscribe
    // has returned. Called from any thread.
    int Subscribe(Waker waker);
    void Unsubscribe(int token);

private:
    std::atomic<bool> aborted_{false};
    std::mutex mutex_;
    int nextToken_ = 0;
    std::map<int, Waker> wakers_;
};
