#include "workers/coalesced_progress.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/manual_executor.h"
#include "workers/hand_over.h"

namespace {

using namespace std::chrono_literals;

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

}  // namespace
