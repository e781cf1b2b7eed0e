#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/internet_session.h"

// How many requests a crawl may have in flight to one host, and when the next
// may start. Today the user's number for every host and no wait; the one
// place where a host's own pace goes. Worker thread.
class RequestLimits {
public:
    using Clock = std::chrono::steady_clock;

    explicit RequestLimits(int requestsAtOnce) : requestsAtOnce_(requestsAtOnce) {}

    int RequestsAtOnce(const std::string& /*host*/) const { return requestsAtOnce_; }
    Clock::time_point EarliestStart(const std::string& /*host*/) const { return {}; }
    void Started(const std::string& /*host*/, Clock::time_point /*now*/) {}

private:
    int requestsAtOnce_;
};

// The requests a crawl is about to send, sent ahead of their turn so that
// their waiting overlaps; the crawl still reads each answer in its own order.
// An answer sent ahead is held only up to its transfer's read-ahead bound
// (the rest waits at the server until it is read). One that the crawl never
// takes is aborted when this goes, and one that it takes with other headers
// (its local file changed meanwhile) is dropped and asked anew. Worker thread.
class FetchAhead {
public:
    FetchAhead(InternetSession& session, int requestsAtOnce);

    // The answer to the crawl's request: the one sent ahead when it asked the
    // same, else the request is sent now. `sendAhead` runs once the request
    // is on its way and before its answer is waited for.
    template <typename SendAhead>
    std::unique_ptr<HttpFile> Send(const HttpRequest& request, SendAhead&& sendAhead) {
        Start(request);
        sendAhead();
        return Take();
    }

    // Whether an answer is held for the request's address.
    bool Holds(const HttpRequest& request) const;
    // The body of the 200 answer held for the request's address, once all
    // of it has arrived; it stays unread. Valid until the next change here.
    std::optional<std::string_view> ArrivedBodyOf200(const HttpRequest& request) const;
    // Whether another request may be held at all: the answers held, and
    // the bytes they hold, are bounded.
    bool HasRoom() const;
    // Sends the request ahead when its host's limits allow it: with the
    // crawl's own request, at most the host's number in flight, so that one
    // connection to the host is always left for the crawl's next request.
    void SendAheadIfAllowed(const HttpRequest& request);

    // Drops the answers whose headers have not come yet, so that a halt
    // leaves none of them waiting on a connection or a timeout; they are
    // sent again when their turn comes near.
    void DropUnanswered();

private:
    struct Held {
        std::string address;  // of the request, without its headers
        std::string headers;
        std::string host;
        std::unique_ptr<AnswerAhead> answer;
    };

    void Start(const HttpRequest& request);
    std::unique_ptr<HttpFile> Take();
    void Hold(const HttpRequest& request);
    std::unique_ptr<AnswerAhead> SendNow(const HttpRequest& request);
    std::vector<Held>::iterator Find(const std::string& address);
    std::vector<Held>::const_iterator Find(const std::string& address) const;
    int InFlightTo(const std::string& host) const;

    InternetSession& session_;
    RequestLimits limits_;
    std::size_t maxHeld_;
    std::size_t maxHeldBytes_;
    std::vector<Held> held_;                // sent ahead, in the order sent
    std::unique_ptr<AnswerAhead> current_;  // the crawl's request, between Start and Take
};
