#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "net/internet_session.h"
#include "workers/pause_gate.h"

// The control of one running or halted worker thread: its pause gate, the
// abort of its current transfer and the end of its thread. Held by the
// worker's active record and by WorkerThreads.
class WorkerControl {
public:
    WorkerControl() = default;
    WorkerControl(const WorkerControl&) = delete;
    WorkerControl& operator=(const WorkerControl&) = delete;
    // Detaches a thread that did not end in time rather than ending the process.
    ~WorkerControl();

    PauseGate& Gate() { return gate_; }

    // User-interface thread: Stop Downloading and stop times.
    void Halt() { gate_.Close(); }
    // User-interface thread: Selected Projects and start times.
    void Continue() { gate_.Open(); }
    bool IsHalted() const { return gate_.IsClosed(); }

    // Worker thread: passes the gate (PauseGate::Pass), telling the halt
    // listener while it waits there.
    bool PassGate() { return gate_.Pass(haltListener_); }
    // Worker thread: the same when the time has come (PauseGate::PassAt).
    bool PassGateAt(std::chrono::steady_clock::time_point due) { return gate_.PassAt(due, haltListener_); }
    // Worker thread: what is told when the worker stops at its closed gate
    // and goes on again; empty: nothing.
    void SetHaltListener(std::function<void(bool halted)> listener) { haltListener_ = std::move(listener); }

    // Worker thread: the abort of the transfer in progress, called from the
    // user-interface thread at exit; cleared before the transfer is destroyed.
    // When the worker is already ending, the abort is called at once.
    void SetAbort(std::function<void()> abort);
    void ClearAbort();

    // User-interface thread: tells the worker to end at its next step,
    // releases it when halted and aborts its transfer.
    void End();

    // Runs the body on a new thread, which keeps the control alive and marks
    // it finished when the body returns. Throws std::system_error when no
    // thread starts.
    static void Launch(const std::shared_ptr<WorkerControl>& control, std::function<void()> body);
    bool IsFinished() const;
    // Waits until the thread has finished, at most until the deadline, and
    // joins it; false when it is still running.
    bool JoinBefore(std::chrono::steady_clock::time_point deadline);

private:
    PauseGate gate_;
    std::mutex abortMutex_;
    std::function<void()> abort_;
    std::function<void(bool halted)> haltListener_;  // the worker thread's own

    mutable std::mutex finishMutex_;
    std::condition_variable finishedChanged_;
    bool finished_ = false;
    std::thread thread_;
};

// Aborts registered for the lifetime of a transfer.
class ScopedAbort {
public:
    ScopedAbort(WorkerControl& control, std::function<void()> abort) : control_(control) {
        control_.SetAbort(std::move(abort));
    }
    ~ScopedAbort() { control_.ClearAbort(); }
    ScopedAbort(const ScopedAbort&) = delete;
    ScopedAbort& operator=(const ScopedAbort&) = delete;

private:
    WorkerControl& control_;
};

// A worker's session for the time it uses it: aborted at exit, and held out
// of the speed limit's share while the worker is halted, so that the
// transfers running get the whole limit. Worker thread.
class ScopedWorkerSession {
public:
    ScopedWorkerSession(WorkerControl& control, InternetSession& session)
        : abort_(control, [&session] { session.Abort(); }), control_(control) {
        control_.SetHaltListener([&session](bool halted) { session.SetHeld(halted); });
    }
    ~ScopedWorkerSession() { control_.SetHaltListener(nullptr); }
    ScopedWorkerSession(const ScopedWorkerSession&) = delete;
    ScopedWorkerSession& operator=(const ScopedWorkerSession&) = delete;

private:
    ScopedAbort abort_;
    WorkerControl& control_;
};
