#include "engine/host_pacing.h"

#include <string>
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
            pacing.Answered(c.status, c.retryAfter, 0, kT0, kWallNow);
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
    // Eight starts 10 ms apart got through; the ninth was refused.
    Clock::time_point now = kT0;
    for (int start = 0; start < 9; ++start, now += 10ms) pacing.Started(now);
    // Requests in flight refused with it, and the address asked again on the
    // server's word, tell of the same excess.
    for (int askedAgain : {0, 0, 1}) ASSERT_TRUE(pacing.Answered(429, "2", askedAgain, now, kWallNow));
    EXPECT_FALSE(pacing.Answered(429, "2", HostPacing::kMaxAskedAgain, now, kWallNow));  // the tries ran out
    EXPECT_EQ(pacing.RequestsAtOnce(), 2);
    EXPECT_GE(pacing.Spacing(), 125ms);  // the server's eight a second
    EXPECT_LE(pacing.Spacing(), 130ms);

    now += 2s;
    for (int start = 0; start < 10; ++start) {
        pacing.Started(now);
        EXPECT_EQ(pacing.EarliestStart(), now + pacing.Spacing());
        if (start < 9) now = pacing.EarliestStart();
    }
    const std::chrono::milliseconds learnt = pacing.Spacing();
    ASSERT_TRUE(pacing.Answered(429, "0", 0, now, kWallNow));
    EXPECT_EQ(pacing.RequestsAtOnce(), 1);
    EXPECT_EQ(pacing.Spacing(), 2 * learnt);

    // A server error breaks a run of clean answers; only whole runs count.
    const std::vector<std::pair<int, int>> runsAndSlots = {{HostPacing::kCleanAnswersForSlot - 1, 1},
                                                           {HostPacing::kCleanAnswersForSlot, 2},
                                                           {HostPacing::kCleanAnswersForSlot * 20, 4}};
    for (const auto& [run, slots] : runsAndSlots) {
        for (int answer = 0; answer < run; ++answer)
            pacing.Answered(answer % 2 ? 200 : 404, "", 0, now, kWallNow);
        EXPECT_EQ(pacing.RequestsAtOnce(), slots) << run;
        pacing.Answered(500, "", 0, now, kWallNow);
    }

    pacing.SetCrawlDelay(3s);
    EXPECT_EQ(pacing.EarliestStart(), now + 3s);
}

}  // namespace
