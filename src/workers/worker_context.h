#pragma once

#include <functional>
#include <memory>
#include <string>

#include "store/item_store.h"
#include "workers/app_state.h"
#include "workers/hand_over.h"
#include "workers/options.h"
#include "workers/window_port.h"
#include "workers/worker_control.h"

// What a worker is given when it is created: the key of its entry (a file's
// url or a project's name), the hand-over to the user-interface thread, its
// own control, its copy of the options, and the shared state that its
// handed-over steps may touch.
struct WorkerContext {
    std::string key;
    std::shared_ptr<HandOver> ui;
    std::shared_ptr<WorkerControl> control;
    // Touched only inside steps run through `ui`.
    ItemStore& store;
    AppState& state;
    WindowPort& window;
    ItemList<WorkerRecord>& activeList;
    // The options as they were when the worker was started; its own copy.
    Options options{};
    // User-interface thread: told when the worker has removed its active
    // record, so that a queued entry can start. May be empty.
    std::function<void()> ended{};

    // Worker thread: runs the step on the user-interface thread and waits;
    // false when the program is ending and the step did not run.
    bool OnUi(std::function<void()> step) const { return ui->Run(std::move(step)); }

    // Worker thread: waits while the worker is halted; false when it is to end.
    bool PassGate() const { return control->Gate().Pass(); }

    // Worker thread: waits while the worker is halted, then runs the step on
    // the user-interface thread; false when the program is ending.
    bool Step(std::function<void()> step) const { return PassGate() && OnUi(std::move(step)); }

    // User-interface thread: the worker's last change to the lists, removing
    // the first active record whose key equals its own.
    void RemoveActiveRecord() const {
        const int position = activeList.FindByName(key);
        if (position >= 0) activeList.RemoveAt(position);
        if (ended) ended();
    }
};

// User-interface thread: the workers' side of the activity animation, which
// a worker plays when it finds it stopped and stops when it ends.
inline void PlayAnimationIfStopped(AppState& state, WindowPort& window) {
    if (state.AnimationRunning) return;
    window.PlayAnimation();
    state.AnimationRunning = true;
}

inline void StopAnimationIfRunning(AppState& state, WindowPort& window) {
    if (!state.AnimationRunning) return;
    window.StopAnimation();
    state.AnimationRunning = false;
}

// The body of a worker thread.
using WorkerProcedure = std::function<void(WorkerContext& context)>;
