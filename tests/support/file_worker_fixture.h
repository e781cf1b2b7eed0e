#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/worker_dispatch.h"
#include "net/internet_session.h"
#include "store/item_store.h"
#include "workers/app_state.h"
#include "workers/worker_threads.h"
#include "support/fake_window.h"
#include "support/manual_executor.h"
#include "support/temp_folder.h"

// Requested files downloaded by the real file workers through the dispatch,
// in a current folder of the test's own, with the test's thread as the
// user-interface thread, with the program's own workers and progress
// interval. Tests set `sessions` before the first start.
class FileWorkerFixture : public ::testing::Test {
protected:
    // Ends the workers before the members of derived fixtures they use go.
    void TearDown() override { threads.EndAll(); }

    // Adds the address as the newest entry, shows the requested files with
    // it selected (row 0) and starts its worker.
    void Start(const std::string& url);
    // Selected Projects on the rows selected.
    void StartSelected();
    // Runs handed-over steps until no file worker is active.
    bool RunUntilDone();

    TempFolder folder;
    ScopedCurrentDirectory inFolder{folder.Path()};
    InternetSessionFactory sessions;
    ManualExecutor executor;
    ItemStore store;
    AppState state;
    FakeWindow window;
    WorkerThreads threads{executor};
    std::unique_ptr<WorkerDispatch> dispatch;
};
