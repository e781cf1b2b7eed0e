#pragma once

#include <chrono>
#include <memory>
#include <vector>

#include "workers/hand_over.h"
#include "workers/ui_executor.h"
#include "workers/worker_context.h"
#include "workers/worker_control.h"

// Owns the worker threads of the run and their hand-over to the
// user-interface thread, and ends them at exit. Used on the user-interface
// thread.
class WorkerThreads {
public:
    explicit WorkerThreads(UiExecutor& executor);
    ~WorkerThreads();
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;

    // Starts the procedure on a thread of its own with a context built from
    // these parts; null when no thread could be created or the run is ending.
    // The context gets a copy of the options; `ended` runs on the
    // user-interface thread when the worker removes its active record.
    std::shared_ptr<WorkerControl> Start(std::string key, ItemStore& store, AppState& state,
                                         WindowPort& window, ItemList<WorkerRecord>& activeList,
                                         const WorkerProcedure& procedure, const Options& options = {},
                                         std::function<void()> ended = {});

    // Exit, after the lists are saved: closes the hand-over if that has not
    // happened yet (no step runs from now on), releases halted workers and tells every worker to end,
    // aborts transfers and joins the threads within the bound. A thread
    // still running then is left behind; it can no longer reach any list.
    // True when every thread was joined.
    bool EndAll(std::chrono::milliseconds bound = std::chrono::milliseconds(2000));

    const std::shared_ptr<HandOver>& Ui() const { return ui_; }
    // Threads started and not yet joined.
    std::size_t Count() const { return controls_.size(); }

private:
    void JoinFinished();

    std::shared_ptr<HandOver> ui_;
    std::vector<std::shared_ptr<WorkerControl>> controls_;
};
