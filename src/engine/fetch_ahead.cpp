#include "engine/fetch_ahead.h"

#include <algorithm>
#include <utility>

namespace {

// The request without its headers: what a crawl asks for an address.
std::string AddressOf(const HttpRequest& request) {
    return request.verb + (request.secure ? " https://" : " http://") + request.server + ":" +
           std::to_string(request.port) + request.object;
}

std::string HostOf(const HttpRequest& request) { return request.server + ":" + std::to_string(request.port); }

}  // namespace

// Answers that arrived whole hold no connection, only their bytes, which
// are bounded as a whole: at most 1 MiB a request at once. Many may wait:
// a crawl that goes depth first reads the pages asked ahead beside the one
// it reads only after that one's whole subtree.
constexpr std::size_t kHeldPerRequest = 32;
constexpr std::size_t kHeldBytesPerRequest = 1024 * 1024;

FetchAhead::FetchAhead(InternetSession& session, int requestsAtOnce, PacingOf pacing)
    : session_(session),
      pacing_(std::move(pacing)),
      maxHeld_(kHeldPerRequest * static_cast<std::size_t>(requestsAtOnce)),
      maxHeldBytes_(kHeldBytesPerRequest * static_cast<std::size_t>(requestsAtOnce)) {}

bool FetchAhead::Holds(const HttpRequest& request) const { return Find(AddressOf(request)) != held_.end(); }

bool FetchAhead::HoldsAsked(const HttpRequest& request) const {
    const auto found = Find(AddressOf(request));
    return found != held_.end() && found->headers == request.headers;
}

std::optional<std::string_view> FetchAhead::ArrivedBodyOf200(const HttpRequest& request) const {
    const auto found = Find(AddressOf(request));
    if (found == held_.end()) return std::nullopt;
    return found->answer->ArrivedBodyOf200();
}

bool FetchAhead::HasRoom() const {
    std::size_t bytes = 0;
    for (const Held& held : held_) bytes += held.answer->HeldBytes();
    return held_.size() < maxHeld_ && bytes < maxHeldBytes_;
}

// At most the host's number of requests are in flight, the crawl's own
// among them while its answer is still coming. One connection is left for
// the crawl's next request unless that is the one sent: an answer held at
// its read-ahead bound keeps its connection until the crawl reads it.
void FetchAhead::SendAheadIfAllowed(const HttpRequest& request, bool crawlsNext) {
    HostPacing& pacing = pacing_(request);
    const std::string host = HostOf(request);
    if (!HasRoom() || Holds(request)) return;
    const int held = HeldInFlightTo(host);
    const bool ownInFlight = current_ && currentHost_ == host && !current_->HasEnded();
    if (held + (ownInFlight ? 1 : 0) >= pacing.RequestsAtOnce()) return;
    if (!crawlsNext && held + 1 >= pacing.RequestsAtOnce()) return;
    const HostPacing::Clock::time_point now = HostPacing::Clock::now();
    if (now < pacing.EarliestStart()) return;
    Hold(request);
    pacing.Started(now);
}

std::optional<std::string_view> FetchAhead::OwnArrivedBodyOf200() const {
    if (!current_) return std::nullopt;
    return current_->ArrivedBodyOf200();
}

void FetchAhead::DropUnanswered() {
    std::erase_if(held_, [](const Held& held) { return !held.answer->HasBegun(); });
}

void FetchAhead::Start(const HttpRequest& request) {
    current_.reset();  // left by a send ahead that failed
    currentHost_ = HostOf(request);
    const auto found = Find(AddressOf(request));
    if (found != held_.end()) {
        if (found->headers == request.headers) current_ = std::move(found->answer);
        held_.erase(found);
    }
    if (!current_) current_ = SendNow(request);
}

std::unique_ptr<HttpFile> FetchAhead::Take() {
    const std::unique_ptr<AnswerAhead> answer = std::move(current_);
    return answer->Take();
}

void FetchAhead::Hold(const HttpRequest& request) {
    held_.push_back({AddressOf(request), request.headers, HostOf(request), SendNow(request)});
}

// The crawl's own request is paced by the crawl.
std::unique_ptr<AnswerAhead> FetchAhead::SendNow(const HttpRequest& request) {
    return session_.SendRequestAhead(request);
}

std::vector<FetchAhead::Held>::iterator FetchAhead::Find(const std::string& address) {
    return std::find_if(held_.begin(), held_.end(),
                        [&](const Held& held) { return held.address == address; });
}

std::vector<FetchAhead::Held>::const_iterator FetchAhead::Find(const std::string& address) const {
    return std::find_if(held_.begin(), held_.end(),
                        [&](const Held& held) { return held.address == address; });
}

int FetchAhead::HeldInFlightTo(const std::string& host) const {
    return static_cast<int>(std::count_if(held_.begin(), held_.end(), [&](const Held& held) {
        return held.host == host && !held.answer->HasEnded();
    }));
}
