#include "workers/hand_over.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/manual_executor.h"

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

}  // namespace
