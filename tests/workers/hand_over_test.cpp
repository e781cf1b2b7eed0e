#include "workers/hand_over.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "store/item_store.h"
#include "support/fake_window.h"
#include "support/manual_executor.h"
#include "workers/app_state.h"
#include "workers/coalesced_progress.h"
#include "workers/pause_gate.h"
#include "workers/worker_threads.h"

namespace {

using namespace std::chrono_literals;

TEST(HandOverTest, StepsRunOnTheUserInterfaceThreadInOrderWhileTheWorkerWaits) {
    ManualExecutor executor;
    HandOver ui(executor);
    const std::thread::id testThread = std::this_thread::get_id();
    std::vector<int> order;
    bool allOnTestThread = true;
    std::atomic<bool> workerDone{false};

    std::thread worker([&] {
        for (int step = 0; step < 3; ++step) {
            EXPECT_TRUE(ui.Run([&, step] {
                order.push_back(step);
                allOnTestThread = allOnTestThread && std::this_thread::get_id() == testThread;
            }));
        }
        ui.Post([&] { workerDone = true; });
    });
    ASSERT_TRUE(executor.RunUntil([&] { return workerDone.load(); }));
    worker.join();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(allOnTestThread);
}

TEST(HandOverTest, AnExceptionOfAStepReachesTheWorker) {
    ManualExecutor executor;
    HandOver ui(executor);
    bool caught = false;
    std::atomic<bool> workerDone{false};
    std::thread worker([&] {
        try {
            ui.Run([] { throw std::runtime_error("step failed"); });
        } catch (const std::runtime_error&) {
            caught = true;
        }
        workerDone = true;
        ui.Post([] {});
    });
    ASSERT_TRUE(executor.RunUntil([&] { return workerDone.load(); }));
    worker.join();
    EXPECT_TRUE(caught);
}

TEST(HandOverTest, ClosingReleasesAWaitingWorkerAndLaterStepsNeverRun) {
    ManualExecutor executor;
    HandOver ui(executor);
    std::atomic<int> ran{0};
    std::atomic<bool> firstPosted{false};
    bool firstResult = true;
    bool laterResult = true;

    std::thread worker([&] {
        ui.Post([&] { firstPosted = true; });
        firstResult = ui.Run([&] { ++ran; });
        laterResult = ui.Run([&] { ++ran; });
        ui.Post([&] { ++ran; });
    });
    // The worker's Run is queued behind the marker; close before running it.
    ASSERT_TRUE(executor.RunUntil([&] { return firstPosted.load(); }));
    ui.PostAfter(0ms, [&] { ++ran; });
    ui.Close();
    worker.join();
    executor.ElapseDelays();
    executor.RunUntil([] { return false; }, 0ms);  // drains what was queued
    EXPECT_FALSE(firstResult);
    EXPECT_FALSE(laterResult);
    EXPECT_EQ(ran.load(), 0);
    EXPECT_TRUE(ui.IsClosed());
}

TEST(CoalescedProgressTest, OneReportWaitsAtATimeAndShowsTheLatestFigure) {
    ManualExecutor executor;
    HandOver ui(executor);
    std::vector<std::uint32_t> shown;
    CoalescedProgress progress(ui, [&](std::uint32_t figure) { shown.push_back(figure); });

    std::thread worker([&] {
        for (std::uint32_t figure = 1; figure <= 1000; ++figure) progress.Report(figure);
    });
    worker.join();
    executor.RunUntil([] { return false; }, 0ms);
    EXPECT_EQ(shown, (std::vector<std::uint32_t>{1000}));

    std::thread later([&] { progress.Report(1001); });
    later.join();
    executor.RunUntil([] { return false; }, 0ms);
    EXPECT_EQ(shown, (std::vector<std::uint32_t>{1000, 1001}));
}

// However slowly the blocks come, the figure shown is never older than the
// interval: a report made within it is handed over at its end, and a step
// the worker hands over later still runs after it.
TEST(CoalescedProgressTest, AReportWithinTheIntervalIsShownAtItsEndAndBeforeLaterSteps) {
    ManualExecutor executor;
    HandOver ui(executor);
    std::vector<std::string> shown;
    CoalescedProgress progress(
        ui, [&](std::uint32_t figure) { shown.push_back(std::to_string(figure)); }, std::chrono::hours(1));
    auto drain = [&] { executor.RunUntil([] { return false; }, 0ms); };

    progress.Report(1);
    drain();
    progress.Report(2);
    progress.Report(3);
    drain();
    EXPECT_EQ(shown, (std::vector<std::string>{"1"}));
    EXPECT_EQ(executor.DelayedCount(), 1u);
    executor.ElapseDelays();
    drain();
    EXPECT_EQ(shown, (std::vector<std::string>{"1", "3"}));

    progress.Report(4);
    std::thread worker([&] { ui.Run([&] { shown.push_back("step"); }); });
    ASSERT_TRUE(executor.RunUntil([&] { return shown.back() == "step"; }));
    worker.join();
    EXPECT_EQ(shown, (std::vector<std::string>{"1", "3", "4", "step"}));
    executor.ElapseDelays();
    drain();  // the report's own delay ends: it does not run twice
    EXPECT_EQ(shown.size(), 4u);
}

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

TEST(PauseGateTest, HaltingTwiceIsOneHalt) {
    PauseGate gate;
    gate.Close();
    gate.Close();
    EXPECT_TRUE(gate.IsClosed());
    gate.Open();
    EXPECT_FALSE(gate.IsClosed());
    EXPECT_TRUE(gate.Pass());  // would block for good if the halts were counted
}

TEST(PauseGateTest, AParkedWorkerGoesOnWhenOpenedAndEndsWhenEnded) {
    PauseGate gate;
    auto passAtClosedGate = [&](const std::function<void()>& release) {
        gate.Close();
        bool passed = false;
        std::thread worker([&] { passed = gate.Pass(); });
        EXPECT_TRUE(gate.WaitUntilParked(20s));
        release();
        worker.join();
        return passed;
    };
    EXPECT_TRUE(passAtClosedGate([&] { gate.Open(); }));
    EXPECT_FALSE(passAtClosedGate([&] { gate.End(); }));
    gate.Close();  // an ending worker is no longer held
    EXPECT_FALSE(gate.IsClosed());
    EXPECT_FALSE(gate.Pass());
}

}  // namespace
