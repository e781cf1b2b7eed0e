#pragma once

#include <memory>

#include <gtest/gtest.h>

#include "app/worker_dispatch.h"
#include "store/item_store.h"
#include "support/fake_window.h"
#include "support/manual_executor.h"
#include "support/temp_folder.h"
#include "workers/app_state.h"
#include "workers/worker_control.h"
#include "workers/worker_threads.h"

// The program's lists, state, windows and worker threads, with the test's
// thread as the user-interface thread, in a current folder of the test's
// own. Derived fixtures make `dispatch` with the workers they test.
class WorkerFixture : public ::testing::Test {
protected:
    // Ends the workers before the members of derived fixtures they use go.
    void TearDown() override { threads.EndAll(); }

    // Runs handed-over steps until the worker stands at its closed gate; a
    // worker may still have a step to hand over on its way there.
    bool RunUntilParked(WorkerControl& control) {
        return executor.RunUntil(
            [&] { return control.Gate().WaitUntilParked(std::chrono::milliseconds(0)); });
    }

    TempFolder folder;
    ScopedCurrentDirectory inFolder{folder.Path()};
    ManualExecutor executor;
    ItemStore store;
    AppState state;
    FakeWindow window;
    WorkerThreads threads{executor};
    std::unique_ptr<WorkerDispatch> dispatch;
};
