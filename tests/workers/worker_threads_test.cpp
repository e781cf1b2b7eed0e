#include "workers/worker_threads.h"

#include <chrono>
#include <stdexcept>

#include <gtest/gtest.h>

#include "store/item_store.h"
#include "support/fake_window.h"
#include "support/manual_executor.h"
#include "workers/app_state.h"

namespace {

using namespace std::chrono_literals;

TEST(WorkerThreadsTest, AWorkerThatThrowsEndsOnlyItsOwnThread) {
    ManualExecutor executor;
    WorkerThreads threads(executor);
    ItemStore store;
    AppState state;
    FakeWindow window;
    auto control = threads.Start("http://h/a.zip", store, state, window, store.ActiveFileDownloads,
                                 [](WorkerContext&) { throw std::logic_error("error path failed too"); });
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(threads.EndAll(20s));
    EXPECT_TRUE(control->IsFinished());
}

}  // namespace
