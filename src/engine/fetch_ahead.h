#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "engine/host_pacing.h"
#include "net/internet_session.h"

// The requests a crawl is about to send, sent ahead of their turn so that
// their waiting overlaps; the crawl still reads each answer in its own order.
// An answer sent ahead is held only up to its transfer's read-ahead bound
// (the rest waits at the server until it is read). One that the crawl never
// takes is aborted when this goes, and one that it takes with other headers
// (its local file changed meanwhile) is dropped and asked anew. Worker thread.
class FetchAhead {
public:
    // The pacing of a request's host: how many may be in flight to it and
    // when the next may start; told of each request sent ahead.
    using PacingOf = std::function<HostPacing&(const HttpRequest& request)>;

    FetchAhead(InternetSession& session, int requestsAtOnce, PacingOf pacing);

    // The answer to the crawl's request: the one sent ahead when it asked the
    // same, else the request is sent now. `sendAhead` runs once the request
    // is on its way, and again each time another answer ends while this
    // one's is awaited, so that the requests in flight stay as many as
    // allowed.
    template <typename SendAhead>
    std::unique_ptr<HttpFile> Send(const HttpRequest& request, SendAhead&& sendAhead) {
        Start(request);
        Recount();
        sendAhead();
        while (!current_->AwaitBeginOrOtherEnd()) {
            Recount();
            sendAhead();
        }
        return Take();
    }

    // Whether an answer is held for the request's address; asked with the
    // same headers.
    bool Holds(const HttpRequest& request) const;
    // When the request was sent ahead, if an answer is held for it, asked
    // with the same headers.
    std::optional<HostPacing::Clock::time_point> AskedAt(const HttpRequest& request) const;
    // The body of the 200 answer held for the request's address, once all
    // of it has arrived; it stays unread. Valid until the next change here.
    std::optional<std::string_view> ArrivedBodyOf200(const HttpRequest& request) const;
    // The status of the answer held for the request's address once all of
    // it has arrived; 0 before, or when none is held.
    int EndedStatusOf(const HttpRequest& request) const;
    // Whether another request may be held at all: the bytes of the answers
    // held are bounded.
    bool HasRoom() const { return heldBytes_ < maxHeldBytes_; }
    // Sends the request ahead when its host's pacing allows it: at most the
    // host's number in flight, the crawl's own request among them while its
    // answer is coming, one left for the crawl's next request unless that is
    // this one (`crawlsNext`), and not before the host's earliest start.
    // False when no further request to its host can go now, so that the
    // crawl need not look further.
    bool SendAheadIfAllowed(const HttpRequest& request, bool crawlsNext);
    // Between the start of the crawl's own request and its taking: the body
    // of its 200 answer once all of it has arrived, left unread.
    std::optional<std::string_view> OwnArrivedBodyOf200() const;

    // Counts again the bytes held and the requests in flight to each host,
    // as they are now; they change only while answers are awaited. An
    // answer that asks to slow down is told to its host's pacing at once and
    // dropped, so that nothing more is sent to that host before its wait is
    // over, the crawl's own next request included; the crawl asks that
    // address again in its turn.
    void Recount();

    // Drops the answers whose headers have not come yet, so that a halt
    // leaves none of them waiting on a connection or a timeout; they are
    // sent again when their turn comes near.
    void DropUnanswered();

private:
    struct Held {
        std::string headers;
        std::string host;
        HostPacing* pacing;  // of the host, which outlives this
        HostPacing::Clock::time_point started;
        std::unique_ptr<AnswerAhead> answer;
    };

    void Start(const HttpRequest& request);
    std::unique_ptr<HttpFile> Take();
    void Hold(const HttpRequest& request, HostPacing& pacing, HostPacing::Clock::time_point now);
    std::unique_ptr<AnswerAhead> SendNow(const HttpRequest& request);
    const Held* Find(const HttpRequest& request) const;

    InternetSession& session_;
    PacingOf pacing_;
    std::size_t maxHeldBytes_;
    std::unordered_map<std::string, Held> held_;       // sent ahead, by address without headers
    std::size_t heldBytes_ = 0;                        // each answer counted as at least its handle
    std::unordered_map<std::string, int> inFlightTo_;  // held requests not ended, by host
    std::unique_ptr<AnswerAhead> current_;             // the crawl's request, between Start and Take
    std::string currentHost_;                          // of current_
};
