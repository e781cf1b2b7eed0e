#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

// Halts a worker at its next step. The user-interface thread closes and
// opens the gate; the worker passes it before each step (block, line,
// address) and waits there while it is closed. A halt is a state, not a
// count: closing twice and opening once lets the worker go on.
class PauseGate {
public:
    // User-interface thread.
    void Close();
    void Open();
    // Any thread: opens the gate for good and tells the worker to end.
    void End();

    // Worker thread: waits while the gate is closed; false when the worker
    // is to end instead of taking its next step. When it waits, `whileHalted`
    // is told so (true) before and (false) after.
    bool Pass(const std::function<void(bool halted)>& whileHalted = {});
    // Worker thread: waits until the time has come, passing the gate as Pass
    // does whenever it is closed on the way; false, at once, when the worker
    // is to end.
    bool PassAt(std::chrono::steady_clock::time_point due,
                const std::function<void(bool halted)>& whileHalted = {});

    // Any thread.
    bool IsClosed() const { return closed_.load(); }
    bool IsEnding() const { return ending_.load(); }

    // Any thread: waits until the worker stands at the closed gate, at most
    // for the bound; for callers that must know the worker has stopped.
    bool WaitUntilParked(std::chrono::milliseconds bound);

private:
    std::atomic<bool> closed_{false};
    std::atomic<bool> ending_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    bool parked_ = false;
};
