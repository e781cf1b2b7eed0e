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

TEST(HostPacing, TriesRunOutAndSlotsComeBackOneAtATime) {
    HostPacing pacing(8);
    Clock::time_point now = kT0;
    for (int askedAgain = 0; askedAgain < HostPacing::kMaxAskedAgain; ++askedAgain) {
        pacing.Started(now);
        const std::optional<Clock::time_point> again = pacing.Answered(429, "1", askedAgain, now, kWallNow);
        ASSERT_TRUE(again) << askedAgain;
        now = *again;
    }
    pacing.Started(now);
    // The last try: the host still waits, but the address is not asked again.
    EXPECT_FALSE(pacing.Answered(429, "1", HostPacing::kMaxAskedAgain, now, kWallNow));
    EXPECT_GE(pacing.EarliestStart(), now + 1s);
    EXPECT_EQ(pacing.RequestsAtOnce(), 4);  // asked again on the server's word: halved once
    EXPECT_EQ(pacing.Spacing(), 1s);        // nothing else started in the second before

    // A server error breaks the run of clean answers; only whole runs count.
    now += 1s;
    const std::vector<int> cleanRuns = {HostPacing::kCleanAnswersForSlot - 1,
                                        HostPacing::kCleanAnswersForSlot,
                                        HostPacing::kCleanAnswersForSlot * 20};
    const std::vector<int> slotsAfter = {4, 5, 8};
    for (std::size_t run = 0; run < cleanRuns.size(); ++run) {
        for (int answer = 0; answer < cleanRuns[run]; ++answer) {
            EXPECT_FALSE(pacing.Answered(answer % 2 ? 200 : 404, "", 0, now, kWallNow));
        }
        EXPECT_EQ(pacing.RequestsAtOnce(), slotsAfter[run]) << run;
        pacing.Answered(500, "", 0, now, kWallNow);
    }
}

TEST(HostPacing, SpacingIsLearntFromWhatTheServerLetThroughAndCrawlDelayIsAFloor) {
    HostPacing pacing(4);
    // Eight starts 10 ms apart got through; the ninth was refused.
    Clock::time_point now = kT0;
    for (int start = 0; start < 9; ++start, now += 10ms) pacing.Started(now);
    // Requests in flight that are refused with it do not halve again.
    for (int answer = 0; answer < 3; ++answer) ASSERT_TRUE(pacing.Answered(429, "2", 0, now, kWallNow));
    EXPECT_EQ(pacing.RequestsAtOnce(), 2);
    EXPECT_GE(pacing.Spacing(), 125ms);  // the server's eight a second
    EXPECT_LE(pacing.Spacing(), 130ms);

    now += 2s;
    for (int start = 0; start < 10; ++start) {
        pacing.Started(now);
        EXPECT_EQ(pacing.EarliestStart(), now + pacing.Spacing());
        if (start < 9) now = pacing.EarliestStart();
    }
    // A refusal after the wait is a new one: halved again, spacing doubled.
    const std::chrono::milliseconds learnt = pacing.Spacing();
    ASSERT_TRUE(pacing.Answered(429, "0", 0, now, kWallNow));
    EXPECT_EQ(pacing.RequestsAtOnce(), 1);
    EXPECT_EQ(pacing.Spacing(), 2 * learnt);

    pacing.SetCrawlDelay(3s);
    EXPECT_EQ(pacing.EarliestStart(), now + 3s);

    HostPacing fresh(1);
    EXPECT_LE(fresh.EarliestStart(), kT0);  // nothing started, nothing to wait for
}

}  // namespace
