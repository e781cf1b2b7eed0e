#include "workers/worker_threads.h"

#include <algorithm>
#include <system_error>
#include <unistd.h>

#include <sys/resource.h>

namespace {

// Workers yield the processor to the user-interface thread: with hundreds of
// transfers on two cores, the window still answers at once. Linux keeps a
// nice value per thread.
constexpr int kWorkerNiceness = 10;

// Worker thread.
void YieldToUserInterface() { ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWorkerNiceness); }

}  // namespace

WorkerThreads::WorkerThreads(UiExecutor& executor) : ui_(std::make_shared<HandOver>(executor)) {}

WorkerThreads::~WorkerThreads() { EndAll(); }

std::shared_ptr<WorkerControl> WorkerThreads::Start(std::string key, ItemStore& store, AppState& state,
                                                    WindowPort& window, ItemList<WorkerRecord>& activeList,
                                                    const WorkerProcedure& procedure) {
    if (ui_->IsClosed()) return nullptr;
    JoinFinished();
    auto control = std::make_shared<WorkerControl>();
    WorkerContext context{std::move(key), ui_, control, store, state, window, activeList};
    try {
        WorkerControl::Launch(control, [context = std::move(context), procedure]() mutable {
            // The last guard: a worker takes its own error path for what it
            // catches (ExceptionMessage); should that path fail too, the
            // thread ends quietly rather than the whole process with it.
            YieldToUserInterface();
            try {
                procedure(context);
            } catch (...) {}
        });
    } catch (const std::system_error&) {
        return nullptr;
    }
    controls_.push_back(control);
    return control;
}

void WorkerThreads::JoinFinished() {
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(controls_, [&](const std::shared_ptr<WorkerControl>& control) {
        return control->IsFinished() && control->JoinBefore(now);
    });
}

bool WorkerThreads::EndAll(std::chrono::milliseconds bound) {
    ui_->Close();
    for (const auto& control : controls_) control->End();
    const auto deadline = std::chrono::steady_clock::now() + bound;
    bool allJoined = true;
    for (const auto& control : controls_) allJoined = control->JoinBefore(deadline) && allJoined;
    controls_.clear();
    return allJoined;
}
