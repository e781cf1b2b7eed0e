#include "engine/host_pacing.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/http_date.h"

namespace {

using namespace std::chrono_literals;
using Clock = HostPacing::Clock;

// Far from the boot, so that no time below depends on the uptime.
const Clock::time_point kT0 = Clock::time_point{} + 1000h;
constexpr std::time_t kWallNow = 1'800'000'000;

TEST(HostPacing, RetryAfterSaysHowLongTheHostIsLeftAlone) {
    struct Case {
        int status;
        std::string retryAfter;
        std::optional<std::chrono::seconds> wait;  // nothing: the answer stands
    };
    const std::vector<Case> cases = {
        {429, "2", 2s},
        {429, " 0 ", 0s},
        {429, "", 5s},
        {429, "soon", 5s},
        {429, "99999999999999999999999", 600s},
        {503, "1200", 600s},
        {503, FormatHttpDate(kWallNow + 30), 30s},
        {503, FormatHttpDate(kWallNow - 30), 0s},
        {503, "", std::nullopt},  // an error, not a request to slow down
        {404, "2", std::nullopt},
        {200, "", std::nullopt},
    };
    for (const Case& c : cases) {
        HostPacing pacing(4);
        pacing.Started(kT0);
        const std::optional<Clock::time_point> again =
            pacing.Answered({c.status, c.retryAfter, 0, kT0}, kT0, kWallNow);
        SCOPED_TRACE(std::to_string(c.status) + " " + c.retryAfter);
        if (!c.wait) {
            EXPECT_FALSE(again);
            EXPECT_EQ(pacing.RequestsAtOnce(), 4);
            EXPECT_LE(pacing.EarliestStart(), kT0);
            continue;
        }
        ASSERT_TRUE(again);
        EXPECT_EQ(*again, kT0 + *c.wait);
        EXPECT_GE(pacing.EarliestStart(), kT0 + *c.wait);
        EXPECT_EQ(pacing.RequestsAtOnce(), 2);
    }
}

// One host over a crawl: what it let through teaches the spacing, each new
// excess halves the requests at once and doubles the spacing, clean runs
// give slots back, and Crawl-delay is a floor.
TEST(HostPacing, TheHostsPaceIsLearntAndGivenBackAsItAnswers) {
    HostPacing pacing(4);
    EXPECT_LE(pacing.EarliestStart(), kT0);  // nothing started, nothing to wait for
    // Eight starts 10 ms apart got through; the ninth was refused, and so
    // were the two started after it, while its answer was on its way. Their
    // answers are read in any order, one of them after the wait, and the
    // address is asked again on the server's word. All of that is one
    // excess: it halves the requests at once once, and what the server let
    // through teaches its pace.
    std::vector<Clock::time_point> starts(11);
    for (std::size_t start = 0; start < starts.size(); ++start) starts[start] = kT0 + start * 10ms;
    for (Clock::time_point start : starts) pacing.Started(start);
    Clock::time_point now = starts.back() + 40ms;
    const std::vector<std::pair<HostPacing::Answer, Clock::time_point>> oneExcess = {
        {{429, "2", 0, starts[9]}, now},
        {{429, "2", 0, starts[10]}, now},
        {{429, "2", 0, starts[8]}, now + 3s},
        {{429, "2", 1, now + 2s}, now + 2s},
    };
    for (const auto& [answer, readAt] : oneExcess) {
        EXPECT_TRUE(pacing.Answered(answer, readAt, kWallNow));
        EXPECT_EQ(pacing.RequestsAtOnce(), 2);
    }
    EXPECT_GE(pacing.Spacing(), 125ms);  // the server's eight a second
    EXPECT_LE(pacing.Spacing(), 130ms);
    EXPECT_LE(pacing.EarliestStart(), now + 4s);  // each wait counted from its excess or its try
    EXPECT_FALSE(pacing.Answered({429, "2", HostPacing::kMaxAskedAgain, now + 2s}, now + 2s, kWallNow));

    now += 5s;
    Clock::time_point started = now;
    for (int start = 0; start < 10; ++start) {
        started = now;
        pacing.Started(now);
        EXPECT_EQ(pacing.EarliestStart(), now + pacing.Spacing());
        if (start < 9) now = pacing.EarliestStart();
    }
    const std::chrono::milliseconds learnt = pacing.Spacing();
    ASSERT_TRUE(pacing.Answered({429, "0", 0, started}, now, kWallNow));
    EXPECT_EQ(pacing.RequestsAtOnce(), 1);
    EXPECT_EQ(pacing.Spacing(), 2 * learnt);

    // A server error breaks a run of clean answers; only whole runs count.
    const std::vector<std::pair<int, int>> runsAndSlots = {{HostPacing::kCleanAnswersForSlot - 1, 1},
                                                           {HostPacing::kCleanAnswersForSlot, 2},
                                                           {HostPacing::kCleanAnswersForSlot * 20, 4}};
    for (const auto& [run, slots] : runsAndSlots) {
        for (int answer = 0; answer < run; ++answer)
            pacing.Answered({answer % 2 ? 200 : 404, "", 0, now}, now, kWallNow);
        EXPECT_EQ(pacing.RequestsAtOnce(), slots) << run;
        pacing.Answered({500, "", 0, now}, now, kWallNow);
    }

    pacing.SetCrawlDelay(3s);
    EXPECT_EQ(pacing.EarliestStart(), now + 3s);
}

}  // namespace
