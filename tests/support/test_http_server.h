#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

// How a reply of the test server ends.
enum class TestReplyEnding {
    kComplete,            // the whole body, then the connection is closed
    kReset,               // `cutAfter` body bytes, then a reset (RST)
    kCloseEarly,          // `cutAfter` body bytes of a longer announced length, then close
    kStall,               // `cutAfter` body bytes, then nothing until released; then the rest
    kStallBeforeHeaders,  // nothing at all until released; then the whole reply
    kEndless,             // the body over and over, without a length, until the client leaves
};

// One reply, set by a test for one request target.
struct TestHttpReply {
    int status = 200;
    std::string reason = "OK";
    std::vector<std::string> headers;  // extra lines "Name: value"
    std::string body;
    TestReplyEnding ending = TestReplyEnding::kComplete;
    std::size_t cutAfter = 0;
    bool sendLength = true;  // Content-Length (kEndless never sends one)
    // With kComplete: above 0, the reply is written in sends of at most this
    // many bytes, head included, each as a segment of its own. Whether the
    // client reads them apart is up to its timing; for pieces it is certain
    // to receive apart, use chunked.
    std::size_t pieceSize = 0;
    // With kComplete: the body goes in chunked encoding instead of with a
    // Content-Length; with pieceSize, one chunk of pieceSize bytes per send.
    // libcurl hands each chunk to the reader on its own, however they arrive.
    bool chunked = false;
    // Not empty: the reply carries this ETag and answers "Range: bytes=N-"
    // or "bytes=N-M" (with no If-Range, or one naming this ETag) with a 206
    // of the body from N on (to M), or a 416 when N is not below its length.
    std::string rangeEtag;

    static TestHttpReply Ok(std::string body);
    static TestHttpReply Status(int status, std::string reason, std::string body = "");
    static TestHttpReply Redirect(int status, std::string location);
    static TestHttpReply Cut(TestReplyEnding ending, std::string body, std::size_t cutAfter);
    static TestHttpReply Endless(std::string pattern);
    static TestHttpReply InPieces(std::string body, std::size_t pieceSize, bool chunked = false);
    static TestHttpReply Ranged(std::string body, std::string etag);
};

// A request as the server received it.
struct TestHttpRequest {
    std::string method;
    std::string target;  // path and query, as sent
    std::vector<std::pair<std::string, std::string>> headers;

    // The value of the first header of that name (case ignored), "" if none.
    std::string Header(std::string_view name) const;
    bool HasHeader(std::string_view name) const;
};

// An HTTP/1.1 server on 127.0.0.1 and an ephemeral port, answering from its
// own threads with the replies the test set; targets without one get
// "404 Not Found". It can misbehave on purpose (see TestReplyEnding).
// Every member may be called from any thread.
class TestHttpServer {
public:
    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by the target, e.g. Url("/a.zip").
    std::string Url(std::string_view target) const;

    void Route(const std::string& target, TestHttpReply reply);
    // The reply for that target is made for each request (a server that
    // misbehaves only for some requests, say).
    using Responder = std::function<TestHttpReply(const TestHttpRequest& request)>;
    void RouteBy(const std::string& target, Responder responder);

    std::vector<TestHttpRequest> Requests() const;
    // Blocks until at least `count` requests have been received.
    void WaitForRequests(std::size_t count);
    // The same, for at most `bound`: whether they were.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds bound);

    // Blocks until at least `count` replies have reached their stall point.
    // Only for a test whose thread no worker waits for: with workers, run
    // the executor until StalledCount() says so.
    void WaitUntilStalled(std::size_t count = 1);
    std::size_t StalledCount() const;
    // Lets every stalled reply, now and later, go on to its end.
    void ReleaseStalled();

    // Holds back the reply to the k-th request received by delays[k %
    // size], so that answers to requests in flight together come back in
    // another order than they were asked in.
    void SetReplyDelays(std::vector<std::chrono::milliseconds> delays);
    // The most connections served at once so far, each counted from its
    // acceptance until its reply begins (a span within the client's).
    std::size_t MostAtOnce() const;

private:
    void AcceptLoop();
    void Serve(int client);
    bool ReceiveRequest(int client, TestHttpRequest& request);
    TestHttpReply ReplyFor(const TestHttpRequest& request) const;
    void SendReply(int client, const TestHttpReply& reply);
    void SendEndless(int client, const TestHttpReply& reply);
    static void SendInPieces(int client, const TestHttpReply& reply);
    bool WaitForRelease();  // false when the server is stopping
    void HoldBack(std::size_t requestIndex);
    void Forget(int client);

    int listener_ = -1;
    int wakeup_ = -1;  // eventfd that ends the accept loop
    int port_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, TestHttpReply> routes_;
    std::map<std::string, Responder> responders_;
    std::vector<TestHttpRequest> requests_;
    std::set<int> openClients_;
    std::size_t stalled_ = 0;
    std::vector<std::chrono::milliseconds> replyDelays_;
    std::size_t serving_ = 0;
    std::size_t mostAtOnce_ = 0;
    bool released_ = false;
    bool stopping_ = false;

    std::thread acceptThread_;
    std::vector<std::thread> clientThreads_;
};

// Answers as a server that wants a Basic login: the reply for the given user
// and password, "401 Unauthorized" naming the realm for any other request.
TestHttpServer::Responder BasicLoginRequired(const std::string& user, const std::string& password,
                                             const std::string& realm, TestHttpReply granted);

// A port on 127.0.0.1 on which nothing listens (taken and given back).
int ClosedLocalPort();

// What the test servers are made of.
// A socket listening on 127.0.0.1 and an ephemeral port, which it sets.
int ListenOnLoopback(int& port);
// Accepts clients until the wake-up descriptor becomes readable, handing
// each to `take`, which returns false to stop.
void AcceptUntilWoken(int listener, int wakeup, const std::function<bool(int client)>& take);
// False when the peer has gone.
bool SendAll(int client, std::string_view bytes);
