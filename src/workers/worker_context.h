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
    // false when the step did not run: the program is ending, or the worker
    // was ended (its entry deleted), which is checked on the user-interface
    // thread, where End() is called, so no step of an ended worker runs.
    bool OnUi(const std::function<void()>& step) const {
        bool ran = false;
        const bool handedOver = ui->Run([&] {
            if (control->Gate().IsEnding()) return;
            step();
            ran = true;
        });
        return handedOver && ran;
    }

    // Worker thread: waits while the worker is halted; false when it is to end.
    bool PassGate() const { return control->PassGate(); }

    // Worker thread: waits while the worker is halted, then runs the step on
    // the user-interface thread; false when the program is ending.
    bool Step(const std::function<void()>& step) const { return PassGate() && OnUi(step); }

    // User-interface thread: the worker's last change to the lists, removing
    // its own active record. Not any record of its key: once the worker was
    // ended, a new worker of that key may be active.
    void RemoveActiveRecord() const {
        for (int position = 0; position < activeList.Count(); ++position) {
            if (activeList.GetAt(position)->thread == control) {
                activeList.RemoveAt(position);
                break;
            }
        }
        if (ended) ended();
    }

    // Worker thread: the last resort when the worker's final step could not
    // run (no memory): hands over only the removal of its record, so that
    // the entry is started anew and not "resumed". Never throws.
    void RemoveActiveRecordAfterFailure() const noexcept {
        try {
            OnUi([this] { RemoveActiveRecord(); });
        } catch (...) {}
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
