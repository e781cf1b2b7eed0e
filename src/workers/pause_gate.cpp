#include "workers/pause_gate.h"

void PauseGate::Close() {
    std::lock_guard lock(mutex_);
    if (!ending_) closed_ = true;
    changed_.notify_all();  // a worker waiting for its time halts at once
}

void PauseGate::Open() {
    std::lock_guard lock(mutex_);
    closed_ = false;
    changed_.notify_all();
}

void PauseGate::End() {
    std::lock_guard lock(mutex_);
    ending_ = true;
    closed_ = false;
    changed_.notify_all();
}

bool PauseGate::Pass(const std::function<void(bool halted)>& whileHalted) {
    // Fast path: called once per 255-byte block.
    if (!closed_.load()) return !ending_.load();
    if (whileHalted) whileHalted(true);
    {
        std::unique_lock lock(mutex_);
        parked_ = true;
        changed_.notify_all();
        changed_.wait(lock, [&] { return !closed_.load(); });
        parked_ = false;
    }
    if (whileHalted) whileHalted(false);
    return !ending_.load();
}

bool PauseGate::PassAt(std::chrono::steady_clock::time_point due,
                       const std::function<void(bool halted)>& whileHalted) {
    for (;;) {
        if (!Pass(whileHalted)) return false;
        std::unique_lock lock(mutex_);
        const bool interrupted =
            changed_.wait_until(lock, due, [&] { return closed_.load() || ending_.load(); });
        if (!interrupted) return true;
        if (ending_.load()) return false;
    }
}

bool PauseGate::WaitUntilParked(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, bound, [&] { return parked_; });
}
