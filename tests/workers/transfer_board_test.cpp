#include "workers/transfer_board.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Clock = TransferMeter::Clock;

// A moment well after the clock's epoch, from which the samples count.
const Clock::time_point kStart = Clock::time_point() + 1000h;

struct Sample {
    std::chrono::milliseconds at;
    std::uint64_t bytes;
};

// The rate over the window: samples older than the window fall out, so a
// change of speed shows within a few seconds; counts close together only
// move the latest one; a single count, or counts at one moment, give 0.
TEST(TransferMeterTest, TheRateIsTheBytesOverTheLastFewSeconds) {
    struct Case {
        const char* what;
        std::vector<Sample> samples;
        double rate;
    };
    const Case cases[] = {
        {"no count", {}, 0},
        {"one count", {{0ms, 5000}}, 0},
        {"counts at one moment", {{0ms, 0}, {0ms, 4096}}, 0},
        {"steady 1 KiB/s", {{0ms, 0}, {1000ms, 1024}, {2000ms, 2048}}, 1024},
        {"close counts move the latest", {{0ms, 0}, {1000ms, 1000}, {1050ms, 1500}, {1080ms, 2160}}, 2000},
        {"a burst then 100 B/s: the burst leaves the window",
         {{0ms, 0}, {500ms, 1'000'000}, {1000ms, 1'000'100}, {5000ms, 1'000'500}, {6000ms, 1'000'600}},
         100},
        {"a stall inside the window lowers the rate",
         {{0ms, 0}, {1000ms, 4000}, {2000ms, 4000}, {3000ms, 4000}, {4000ms, 4000}},
         1000},
    };
    for (const Case& c : cases) {
        TransferMeter meter;
        for (const Sample& sample : c.samples) meter.Add(kStart + sample.at, sample.bytes);
        EXPECT_DOUBLE_EQ(meter.BytesPerSecond(), c.rate) << c.what;
    }
}

TEST(TransferFiguresTest, PercentAndTimeLeftNeedASizeAndARate) {
    struct Case {
        TransferFigures figures;
        std::optional<int> permille;
        std::optional<std::chrono::seconds> left;
        std::string line;
    };
    const Case cases[] = {
        {{.bytes = 3000, .size = std::nullopt, .bytesPerSecond = 2048},
         std::nullopt,
         std::nullopt,
         "2.0 KiB/s"},
        {{.bytes = 3000, .size = 10000, .bytesPerSecond = 0}, 300, std::nullopt, "0.0 KiB/s"},
        {{.bytes = 9999, .size = 10000, .bytesPerSecond = 1}, 999, 1s, "0.0 KiB/s, 1 s left"},
        {{.bytes = 0, .size = 2ull << 30, .bytesPerSecond = 16 << 20}, 0, 128s, "16.0 MiB/s, 2 min 8 s left"},
        {{.bytes = 10, .size = 1ull << 40, .bytesPerSecond = 1 << 20},
         0,
         1048576s,
         "1.0 MiB/s, 291 h 16 min left"},
        {{.bytes = 12000, .size = 10000, .bytesPerSecond = 5}, 1000, 0s, "0.0 KiB/s, 0 s left"},
        {{.bytes = 0, .size = 0, .bytesPerSecond = 0}, 1000, std::nullopt, "0.0 KiB/s"},
        {{.bytes = 500, .size = 1000, .bytesPerSecond = 100, .halted = true}, 500, 5s, "halted"},
    };
    for (const Case& c : cases) {
        const std::string what = c.line;
        EXPECT_EQ(c.figures.Permille(), c.permille) << what;
        EXPECT_EQ(c.figures.TimeLeft(), c.left) << what;
        EXPECT_EQ(TransferLine(c.figures), c.line);
    }
    EXPECT_EQ(PercentText(999), "99%");  // 100% only when done
    EXPECT_EQ(PercentText(1000), "100%");
    EXPECT_EQ(DurationText(130s), "2 min 10 s");
    EXPECT_EQ(DurationText(3900s), "1 h 5 min");
    EXPECT_EQ(RateText(1024 * 1024 - 1), "1024.0 KiB/s");
    EXPECT_EQ(RateText(1.5 * 1024 * 1024), "1.5 MiB/s");
}

// A halt keeps the figures, marked halted, and the time it lasted does not
// count against the rate; a crawl's next file starts its rate afresh.
TEST(TransferBoardTest, AHaltOrANewFileStartsTheRateAfresh) {
    TransferBoard board;
    board.Update(1, "http://h/a.zip", {.bytes = 0, .size = 4000}, kStart);
    board.Update(1, "http://h/a.zip", {.bytes = 1000, .size = 4000}, kStart + 1s);
    board.Halt(1, "http://h/a.zip");
    const TransferFigures* halted = board.Find(1, "http://h/a.zip");
    ASSERT_NE(halted, nullptr);
    EXPECT_TRUE(halted->halted);
    EXPECT_EQ(halted->Permille(), 250);
    EXPECT_EQ(board.Find(2, "http://h/a.zip"), nullptr);  // another list, another entry

    board.Update(1, "http://h/a.zip", {.bytes = 1000, .size = 4000}, kStart + 60s);
    const TransferFigures& resumed =
        board.Update(1, "http://h/a.zip", {.bytes = 1500, .size = 4000}, kStart + 61s);
    EXPECT_FALSE(resumed.halted);
    EXPECT_DOUBLE_EQ(resumed.bytesPerSecond, 500);

    board.Update(2, "site", {.bytes = 0, .size = std::nullopt, .transfer = 1}, kStart);
    board.Update(2, "site", {.bytes = 8000, .size = std::nullopt, .transfer = 1}, kStart + 1s);
    const TransferFigures& next =
        board.Update(2, "site", {.bytes = 100, .size = std::nullopt, .transfer = 2}, kStart + 2s);
    EXPECT_DOUBLE_EQ(next.bytesPerSecond, 0);
    board.End(2, "site");
    EXPECT_EQ(board.Find(2, "site"), nullptr);
}

// The tray's figures: halted transfers do not count; the percentage is
// weighted by size over the transfers that know theirs, and a count past its
// size (a server that said too little) counts as done, not more.
TEST(TransferBoardTest, TheSummaryCountsRunningTransfersAndWeighsThePercentBySize) {
    TransferBoard board;
    EXPECT_EQ(board.Summary().running, 0);
    EXPECT_EQ(board.Summary().permille, std::nullopt);
    board.Update(1, "http://h/big.zip", {.bytes = 1000, .size = 3000}, kStart);
    board.Update(1, "http://h/over.zip", {.bytes = 5000, .size = 1000}, kStart);
    board.Update(2, "site", {.bytes = 700, .size = std::nullopt, .transfer = 1}, kStart);
    board.Update(1, "http://h/halted.zip", {.bytes = 0, .size = 1'000'000}, kStart);
    board.Halt(1, "http://h/halted.zip");
    const TransfersSummary summary = board.Summary();
    EXPECT_EQ(summary.running, 3);
    EXPECT_EQ(summary.permille, 500);  // (1000 + 1000) of (3000 + 1000)
}

}  // namespace
