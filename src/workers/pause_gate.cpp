#include "workers/pause_gate.h"

void PauseGate::Close() {
    std::lock_guard lock(mutex_);
    if (!ending_) closed_ = true;
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

bool PauseGate::WaitUntilParked(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, bound, [&] { return parked_; });
}
