#include "workers/worker_control.h"

WorkerControl::~WorkerControl() {
    if (thread_.joinable()) thread_.detach();
}

void WorkerControl::SetAbort(std::function<void()> abort) {
    std::lock_guard lock(abortMutex_);
    abort_ = std::move(abort);
    if (gate_.IsEnding() && abort_) abort_();
}

void WorkerControl::ClearAbort() {
    std::lock_guard lock(abortMutex_);
    abort_ = nullptr;
}

void WorkerControl::End() {
    gate_.End();
    std::lock_guard lock(abortMutex_);
    if (abort_) abort_();
}

void WorkerControl::Launch(const std::shared_ptr<WorkerControl>& control, std::function<void()> body) {
    control->thread_ = std::thread([control, body = std::move(body)] {
        body();
        std::lock_guard lock(control->finishMutex_);
        control->finished_ = true;
        control->finishedChanged_.notify_all();
    });
}

bool WorkerControl::IsFinished() const {
    std::lock_guard lock(finishMutex_);
    return finished_;
}

bool WorkerControl::JoinBefore(std::chrono::steady_clock::time_point deadline) {
    {
        std::unique_lock lock(finishMutex_);
        if (!finishedChanged_.wait_until(lock, deadline, [&] { return finished_; })) return false;
    }
    if (thread_.joinable()) thread_.join();
    return true;
}
