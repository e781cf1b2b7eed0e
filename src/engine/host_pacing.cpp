#include "engine/host_pacing.h"

#include <algorithm>
#include <charconv>

#include "engine/http_date.h"
#include "store/text_utils.h"

namespace {

using namespace std::chrono_literals;

// The window in which the starts before a refusal are taken for the pace
// the server allows, and the margin kept below that pace. Starts are kept
// longer than the window: a refusal held ahead may be read a while after
// its request started.
constexpr std::chrono::milliseconds kPaceWindow = 1s;
constexpr int kMarginPercent = 3;
constexpr std::chrono::seconds kStartsKept = 10s;

bool IsCleanAnswer(int status) { return status != 429 && status < 500; }

}  // namespace

bool IsThrottlingAnswer(int status, std::string_view retryAfter) {
    return status == 429 || (status == 503 && !TrimBlanks(retryAfter).empty());
}

std::chrono::seconds RetryAfterWait(std::string_view retryAfter, std::time_t wallNow) {
    const std::string_view value = TrimBlanks(retryAfter);
    if (!value.empty() && std::all_of(value.begin(), value.end(), IsAsciiDigit)) {
        std::int64_t seconds = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
        // Too many digits for the number: longer than any wait we keep.
        if (error != std::errc() || end != value.data() + value.size()) return HostPacing::kLongestWait;
        return std::min(std::chrono::seconds(seconds), HostPacing::kLongestWait);
    }
    if (const std::optional<std::time_t> date = ParseHttpDate(value)) {
        if (*date <= wallNow) return 0s;
        return std::min(std::chrono::seconds(*date - wallNow), HostPacing::kLongestWait);
    }
    return HostPacing::kWaitWithoutRetryAfter;
}

HostPacing::HostPacing(int requestsAtOnce)
    : userRequestsAtOnce_(std::max(requestsAtOnce, 1)), requestsAtOnce_(userRequestsAtOnce_) {}

HostPacing::Clock::time_point HostPacing::EarliestStart() const {
    Clock::time_point earliest{};
    if (lastStart_) earliest = *lastStart_ + Spacing();
    if (waitUntil_) earliest = std::max(earliest, *waitUntil_);
    return earliest;
}

void HostPacing::Started(Clock::time_point now) {
    lastStart_ = now;
    recentStarts_.push_back(now);
    while (!recentStarts_.empty() && recentStarts_.front() <= now - kStartsKept) recentStarts_.pop_front();
}

std::optional<HostPacing::Clock::time_point> HostPacing::Answered(const Answer& answer, Clock::time_point now,
                                                                  std::time_t wallNow) {
    if (!IsThrottlingAnswer(answer.status, answer.retryAfter)) {
        if (IsCleanAnswer(answer.status)) {
            CountClean();
        } else {
            cleanInARow_ = 0;
        }
        return std::nullopt;
    }
    cleanInARow_ = 0;
    // Requests started before the last excess was read tell of that same
    // excess, however late their answers are read: they wait as from then,
    // and each of them refines the server's pace. An address asked again
    // when the server said was refused for the server's timing, not the
    // crawl's pace. Neither slows the crawl down further.
    const bool sameExcess = refusedAt_ && answer.started < *refusedAt_;
    if (answer.askedAgain == 0 && !sameExcess) {
        requestsAtOnce_ = std::max(requestsAtOnce_ / 2, 1);
        spacingBeforeExcess_ = learntSpacing_;
        refusedStarts_.clear();
        refusedAt_ = now;
    }
    if (answer.askedAgain == 0) {
        refusedStarts_.push_back(answer.started);
        LearnSpacing();
    }
    const Clock::time_point until =
        (sameExcess ? *refusedAt_ : now) + RetryAfterWait(answer.retryAfter, wallNow);
    waitUntil_ = std::max(waitUntil_.value_or(until), until);
    if (answer.askedAgain >= kMaxAskedAgain) return std::nullopt;
    return *waitUntil_;
}

void HostPacing::SetCrawlDelay(std::chrono::milliseconds delay) { crawlDelay_ = std::max(delay, 0ms); }

std::chrono::milliseconds HostPacing::Spacing() const { return std::max(crawlDelay_, learntSpacing_); }

void HostPacing::LearnSpacing() {
    // The server let through what started from a second before the first
    // refused request until the excess was read, but for the refusals. In
    // flight together, requests may reach it in another order than they
    // started, so the refused ones are not only the last.
    const Clock::time_point from =
        *std::min_element(refusedStarts_.begin(), refusedStarts_.end()) - kPaceWindow;
    const auto inWindow = [&](Clock::time_point start) { return start > from && start < *refusedAt_; };
    const auto allowed = std::count_if(recentStarts_.begin(), recentStarts_.end(), inWindow) -
                         std::count_if(refusedStarts_.begin(), refusedStarts_.end(), inWindow);
    std::chrono::milliseconds pace = kPaceWindow;
    if (allowed > 0) {
        const auto perStart =
            (kPaceWindow.count() * (100 + kMarginPercent) + allowed * 100 - 1) / (allowed * 100);
        pace = std::chrono::milliseconds(perStart);
    }
    learntSpacing_ =
        std::min(std::max(2 * spacingBeforeExcess_, pace), std::chrono::milliseconds(kLongestSpacing));
}

void HostPacing::CountClean() {
    if (++cleanInARow_ < kCleanAnswersForSlot) return;
    cleanInARow_ = 0;
    requestsAtOnce_ = std::min(requestsAtOnce_ + 1, userRequestsAtOnce_);
}
