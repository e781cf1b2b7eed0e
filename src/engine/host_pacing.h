#pragma once

#include <chrono>
#include <ctime>
#include <deque>
#include <optional>
#include <string_view>
#include <vector>

// How a crawl paces its requests to one host so that it is never a nuisance:
// how many it sends at once, when the next may start, and whether an answer
// that asks it to slow down (429, or 503 with Retry-After) is asked again.
// Times are passed in, never read here.
//
// After such an answer the host is left alone for as long as Retry-After
// says, the requests at once are halved for the rest of the crawl (one slot
// comes back after kCleanAnswersForSlot clean answers in a row, never above
// the user's number), and the least time between two starts is learnt from
// what the server let through: what started from a second before the first
// refused request until the refusal was read, less the refused requests,
// was allowed, so that many per second is the server's pace. The refusals
// of requests started before the first one was read are of the same excess
// and only correct that count; a later refusal of a new address doubles the
// spacing. So a server that counts requests per second refuses about once
// per crawl, not once per burst. robots.txt's Crawl-delay is a floor under
// that spacing.
//
// Worker thread: one object per host, used by one crawl's thread.
class HostPacing {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr int kMaxAskedAgain = 3;
    static constexpr int kCleanAnswersForSlot = 50;
    static constexpr std::chrono::seconds kLongestWait{600};
    static constexpr std::chrono::seconds kWaitWithoutRetryAfter{5};
    static constexpr std::chrono::seconds kLongestSpacing{60};

    // Worker thread: `requestsAtOnce` is the user's number, at least 1.
    explicit HostPacing(int requestsAtOnce);

    // Worker thread: how many requests may be in flight to the host now.
    int RequestsAtOnce() const { return requestsAtOnce_; }

    // Worker thread: the earliest time the next request may start; a time
    // already past (the default time point included) means at once.
    Clock::time_point EarliestStart() const;

    // Worker thread: a request to the host starts now.
    void Started(Clock::time_point now);

    // An answer of the host, as the crawl reads it.
    struct Answer {
        int status;
        std::string_view retryAfter;  // the header's value, "" when absent
        int askedAgain;               // how often this address was already asked again
        Clock::time_point started;    // when its request started
    };

    // Worker thread: after each answer of the host; `wallNow` is the time of
    // day for a Retry-After date. Gives when to ask the same address again,
    // or nothing when the answer stands (a throttling answer whose tries ran
    // out included).
    std::optional<Clock::time_point> Answered(const Answer& answer, Clock::time_point now,
                                              std::time_t wallNow);

    // Worker thread: the least time between two starts that robots.txt asks.
    void SetCrawlDelay(std::chrono::milliseconds delay);

    // Worker thread: the least time between two starts now, learnt or asked.
    std::chrono::milliseconds Spacing() const;

private:
    // The spacing from the starts that the last excess let through.
    void LearnSpacing();
    void CountClean();

    const int userRequestsAtOnce_;
    int requestsAtOnce_;
    int cleanInARow_ = 0;
    std::chrono::milliseconds crawlDelay_{0};
    std::chrono::milliseconds learntSpacing_{0};
    std::optional<Clock::time_point> lastStart_;
    std::optional<Clock::time_point> waitUntil_;    // set by the last throttling answer
    std::optional<Clock::time_point> refusedAt_;    // when the last excess was read
    std::vector<Clock::time_point> refusedStarts_;  // of the requests it refused
    std::chrono::milliseconds spacingBeforeExcess_{0};
    std::deque<Clock::time_point> recentStarts_;  // those of the last few seconds
};

// Whether the answer asks the client to slow down: 429, or 503 with Retry-After.
bool IsThrottlingAnswer(int status, std::string_view retryAfter);

// Worker thread: how long Retry-After asks to wait, as delta seconds or an
// HTTP date (against `wallNow`), at most HostPacing::kLongestWait; a date
// already past is no wait. Absent or unreadable: kWaitWithoutRetryAfter.
std::chrono::seconds RetryAfterWait(std::string_view retryAfter, std::time_t wallNow);
