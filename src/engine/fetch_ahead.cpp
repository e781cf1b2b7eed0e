#include "engine/fetch_ahead.h"

#include <algorithm>
#include <ctime>
#include <utility>

namespace {

// The request without its headers: what a crawl asks for an address.
std::string AddressOf(const HttpRequest& request) {
    return request.verb + (request.secure ? " https://" : " http://") + request.server + ":" +
           std::to_string(request.port) + request.object;
}

std::string HostOf(const HttpRequest& request) { return request.server + ":" + std::to_string(request.port); }

}  // namespace

// Answers that arrived whole hold no connection, only their bytes and their
// handle, which are bounded as a whole: at most 4 MiB a request at once,
// each answer counted as at least what its handle keeps. Many may wait: a
// crawl that goes depth first reads the pages asked ahead beside the one it
// reads only after that one's whole subtree, so the bound is in bytes, not
// in answers.
constexpr std::size_t kHeldBytesPerRequest = 4 * 1024 * 1024;
constexpr std::size_t kLeastBytesPerAnswer = 16 * 1024;

FetchAhead::FetchAhead(InternetSession& session, int requestsAtOnce, PacingOf pacing)
    : session_(session),
      pacing_(std::move(pacing)),
      maxHeldBytes_(kHeldBytesPerRequest * static_cast<std::size_t>(requestsAtOnce)) {}

bool FetchAhead::Holds(const HttpRequest& request) const { return Find(request) != nullptr; }

std::optional<HostPacing::Clock::time_point> FetchAhead::AskedAt(const HttpRequest& request) const {
    const Held* held = Find(request);
    if (held == nullptr || held->headers != request.headers) return std::nullopt;
    return held->started;
}

std::optional<std::string_view> FetchAhead::ArrivedBodyOf200(const HttpRequest& request) const {
    const Held* held = Find(request);
    if (held == nullptr) return std::nullopt;
    return held->answer->ArrivedBodyOf200();
}

int FetchAhead::EndedStatusOf(const HttpRequest& request) const {
    const Held* held = Find(request);
    return held == nullptr ? 0 : held->answer->EndedStatus();
}

// At most the host's number of requests are in flight, the crawl's own
// among them while its answer is still coming. One connection is left for
// the crawl's next request unless that is the one sent: an answer held at
// its read-ahead bound keeps its connection until the crawl reads it.
bool FetchAhead::SendAheadIfAllowed(const HttpRequest& request, bool crawlsNext) {
    if (!HasRoom()) return false;
    if (Holds(request)) return true;
    HostPacing& pacing = pacing_(request);
    const std::string host = HostOf(request);
    const auto counted = inFlightTo_.find(host);
    const int held = counted == inFlightTo_.end() ? 0 : counted->second;
    const bool ownInFlight = current_ && currentHost_ == host && !current_->HasEnded();
    if (held + (ownInFlight ? 1 : 0) >= pacing.RequestsAtOnce()) return false;
    if (!crawlsNext && held + 1 >= pacing.RequestsAtOnce()) return false;
    const HostPacing::Clock::time_point now = HostPacing::Clock::now();
    if (now < pacing.EarliestStart()) return false;
    Hold(request, pacing, now);
    pacing.Started(now);
    return true;
}

std::optional<std::string_view> FetchAhead::OwnArrivedBodyOf200() const {
    if (!current_) return std::nullopt;
    return current_->ArrivedBodyOf200();
}

void FetchAhead::DropUnanswered() {
    std::erase_if(held_, [](const auto& entry) { return !entry.second.answer->HasBegun(); });
}

void FetchAhead::Start(const HttpRequest& request) {
    current_.reset();  // left by a send ahead that failed
    currentHost_ = HostOf(request);
    const auto found = held_.find(AddressOf(request));
    if (found != held_.end()) {
        if (found->second.headers == request.headers) current_ = std::move(found->second.answer);
        held_.erase(found);
    }
    if (!current_) current_ = SendNow(request);
}

void FetchAhead::Recount() {
    heldBytes_ = 0;
    inFlightTo_.clear();
    for (auto entry = held_.begin(); entry != held_.end();) {
        const Held& held = entry->second;
        const int status = held.answer->EndedStatus();
        const std::string retryAfter =
            status == 429 || status == 503 ? held.answer->Header("Retry-After") : "";
        if (IsThrottlingAnswer(status, retryAfter)) {
            held.pacing->Answered({status, retryAfter, 0, held.started}, HostPacing::Clock::now(),
                                  std::time(nullptr));
            entry = held_.erase(entry);
            continue;
        }
        heldBytes_ += std::max(held.answer->HeldBytes(), kLeastBytesPerAnswer);
        if (!held.answer->HasEnded()) ++inFlightTo_[held.host];
        ++entry;
    }
}

std::unique_ptr<HttpFile> FetchAhead::Take() {
    const std::unique_ptr<AnswerAhead> answer = std::move(current_);
    return answer->Take();
}

void FetchAhead::Hold(const HttpRequest& request, HostPacing& pacing, HostPacing::Clock::time_point now) {
    const std::string host = HostOf(request);
    held_.insert_or_assign(AddressOf(request), Held{request.headers, host, &pacing, now, SendNow(request)});
    heldBytes_ += kLeastBytesPerAnswer;
    ++inFlightTo_[host];
}

// The crawl's own request is paced by the crawl.
std::unique_ptr<AnswerAhead> FetchAhead::SendNow(const HttpRequest& request) {
    return session_.SendRequestAhead(request);
}

const FetchAhead::Held* FetchAhead::Find(const HttpRequest& request) const {
    const auto found = held_.find(AddressOf(request));
    return found == held_.end() ? nullptr : &found->second;
}
