#include "support/test_http_server.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include "store/text_utils.h"

namespace {

constexpr std::size_t kMaxRequestHead = 64 * 1024;

[[noreturn]] void ThrowSystemError(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// Fills method, target and headers from the request head; false if malformed.
bool ParseRequestHead(std::string_view head, TestHttpRequest& request) {
    std::size_t lineEnd = head.find("\r\n");
    const std::string_view requestLine = head.substr(0, lineEnd);
    const std::size_t firstSpace = requestLine.find(' ');
    const std::size_t secondSpace = requestLine.find(' ', firstSpace + 1);
    if (firstSpace == std::string_view::npos || secondSpace == std::string_view::npos) return false;
    request.method = std::string(requestLine.substr(0, firstSpace));
    request.target = std::string(requestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1));
    while (lineEnd != std::string_view::npos) {
        const std::size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string_view line = head.substr(start, lineEnd - start);
        const std::size_t colon = line.find(':');
        if (line.empty() || colon == std::string_view::npos) continue;
        request.headers.emplace_back(std::string(Trim(line.substr(0, colon))),
                                     std::string(Trim(line.substr(colon + 1))));
    }
    return true;
}

std::string ReplyHead(const TestHttpReply& reply, bool withLength, std::size_t length) {
    std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + reply.reason + "\r\n";
    head += "Connection: close\r\n";
    if (withLength) head += "Content-Length: " + std::to_string(length) + "\r\n";
    for (const std::string& line : reply.headers) head += line + "\r\n";
    head += "\r\n";
    return head;
}

// The body as chunks of at most 1000 bytes, then the last, empty chunk.
std::string Chunked(std::string_view body) {
    std::string chunks;
    for (std::size_t at = 0; at < body.size(); at += 1000) {
        const std::string_view chunk = body.substr(at, 1000);
        char size[16];
        std::snprintf(size, sizeof size, "%zx\r\n", chunk.size());
        chunks += size;
        chunks += chunk;
        chunks += "\r\n";
    }
    return chunks + "0\r\n\r\n";
}

// The reply as a server that honours ranges gives it for this request.
TestHttpReply ForRange(TestHttpReply reply, const TestHttpRequest& request) {
    if (reply.rangeEtag.empty()) return reply;
    reply.headers.push_back("ETag: " + reply.rangeEtag);
    const std::string range = request.Header("Range");
    const std::string ifRange = request.Header("If-Range");
    const std::size_t dash = range.find('-');
    if (!range.starts_with("bytes=") || dash == std::string::npos || dash < 7) return reply;
    if (!ifRange.empty() && ifRange != reply.rangeEtag) return reply;
    const std::size_t offset = std::stoul(range.substr(6, dash - 6));
    const std::size_t size = reply.body.size();
    // "bytes=N-M" ends at M, "bytes=N-" at the end.
    const std::size_t last =
        dash + 1 < range.size() ? std::min(std::stoul(range.substr(dash + 1)), size - 1) : size - 1;
    if (offset >= size) {
        reply = TestHttpReply::Status(416, "Range Not Satisfiable");
        reply.headers.push_back("Content-Range: bytes */" + std::to_string(size));
        return reply;
    }
    reply.status = 206;
    reply.reason = "Partial Content";
    reply.headers.push_back("Content-Range: bytes " + std::to_string(offset) + "-" + std::to_string(last) +
                            "/" + std::to_string(size));
    reply.body = reply.body.substr(offset, last + 1 - offset);
    reply.cutAfter = std::min(reply.cutAfter, reply.body.size());
    return reply;
}

void ResetConnection(int client) {
    const linger abortive{1, 0};
    ::setsockopt(client, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
}

}  // namespace

TestHttpReply TestHttpReply::Ranged(std::string body, std::string etag) {
    TestHttpReply reply = Ok(std::move(body));
    reply.rangeEtag = std::move(etag);
    return reply;
}

int ListenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) ThrowSystemError("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 64) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        ThrowSystemError("listen");
    }
    port = ntohs(address.sin_port);
    return fd;
}

bool SendAll(int client, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(client, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

void AcceptUntilWoken(int listener, int wakeup, const std::function<bool(int client)>& take) {
    pollfd watched[2] = {{listener, POLLIN, 0}, {wakeup, POLLIN, 0}};
    for (;;) {
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (watched[1].revents != 0) return;
        const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0 && !take(client)) return;
    }
}

TestHttpReply TestHttpReply::Ok(std::string body) {
    TestHttpReply reply;
    reply.body = std::move(body);
    return reply;
}

TestHttpReply TestHttpReply::Status(int status, std::string reason, std::string body) {
    TestHttpReply reply;
    reply.status = status;
    reply.reason = std::move(reason);
    reply.body = std::move(body);
    return reply;
}

TestHttpReply TestHttpReply::Redirect(int status, std::string location) {
    TestHttpReply reply = Status(status, status == 301 ? "Moved Permanently" : "Found", "moved\n");
    reply.headers.push_back("Location: " + location);
    return reply;
}

TestHttpReply TestHttpReply::Cut(TestReplyEnding ending, std::string body, std::size_t cutAfter) {
    TestHttpReply reply = Ok(std::move(body));
    reply.ending = ending;
    reply.cutAfter = std::min(cutAfter, reply.body.size());
    return reply;
}

TestHttpReply TestHttpReply::Endless(std::string pattern) {
    TestHttpReply reply = Ok(std::move(pattern));
    reply.ending = TestReplyEnding::kEndless;
    reply.sendLength = false;
    return reply;
}

TestHttpReply TestHttpReply::InPieces(std::string body, std::size_t pieceSize, bool chunked) {
    TestHttpReply reply = Ok(std::move(body));
    reply.pieceSize = std::max<std::size_t>(pieceSize, 1);
    reply.chunked = chunked;
    if (chunked) {
        reply.sendLength = false;
        reply.headers.push_back("Transfer-Encoding: chunked");
    }
    return reply;
}

std::string TestHttpRequest::Header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (EqualsNoCase(key, name)) return value;
    }
    return {};
}

bool TestHttpRequest::HasHeader(std::string_view name) const {
    return std::any_of(headers.begin(), headers.end(),
                       [&](const auto& header) { return EqualsNoCase(header.first, name); });
}

TestHttpServer::TestHttpServer() {
    listener_ = ListenOnLoopback(port_);
    wakeup_ = ::eventfd(0, EFD_CLOEXEC);
    if (wakeup_ < 0) {
        ::close(listener_);
        ThrowSystemError("eventfd");
    }
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

TestHttpServer::~TestHttpServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        // Wakes clients blocked in a receive or a send.
        for (int client : openClients_) ::shutdown(client, SHUT_RDWR);
    }
    changed_.notify_all();
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeup_, &one, sizeof one);
    acceptThread_.join();
    for (std::thread& thread : clientThreads_) thread.join();
    ::close(listener_);
    ::close(wakeup_);
}

std::string TestHttpServer::Url(std::string_view target) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(target);
}

void TestHttpServer::Route(const std::string& target, TestHttpReply reply) {
    std::lock_guard lock(mutex_);
    routes_[target] = std::move(reply);
}

void TestHttpServer::RouteBy(const std::string& target, Responder responder) {
    std::lock_guard lock(mutex_);
    responders_[target] = std::move(responder);
}

std::vector<TestHttpRequest> TestHttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void TestHttpServer::WaitForRequests(std::size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return requests_.size() >= count; });
}

bool TestHttpServer::WaitForRequests(std::size_t count, std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, bound, [&] { return requests_.size() >= count; });
}

void TestHttpServer::WaitUntilStalled(std::size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return stalled_ >= count; });
}

std::size_t TestHttpServer::StalledCount() const {
    std::lock_guard lock(mutex_);
    return stalled_;
}

void TestHttpServer::ReleaseStalled() {
    {
        std::lock_guard lock(mutex_);
        released_ = true;
    }
    changed_.notify_all();
}

bool TestHttpServer::WaitForRelease() {
    std::unique_lock lock(mutex_);
    ++stalled_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return released_ || stopping_; });
    return !stopping_;
}

void TestHttpServer::AcceptLoop() {
    AcceptUntilWoken(listener_, wakeup_, [this](int client) {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            ::close(client);
            return false;
        }
        openClients_.insert(client);
        clientThreads_.emplace_back([this, client] { Serve(client); });
        return true;
    });
}

void TestHttpServer::Serve(int client) {
    {
        std::lock_guard lock(mutex_);
        mostAtOnce_ = std::max(mostAtOnce_, ++serving_);
    }
    TestHttpRequest request;
    const bool received = ReceiveRequest(client, request);
    std::size_t index = 0;
    if (received) {
        {
            std::lock_guard lock(mutex_);
            index = requests_.size();
            requests_.push_back(request);
        }
        changed_.notify_all();
        HoldBack(index);
    }
    {
        // Before the reply: once its last byte is sent the client may be on
        // its next connection before this thread runs again.
        std::lock_guard lock(mutex_);
        --serving_;
    }
    if (received) SendReply(client, ForRange(ReplyFor(request), request));
    Forget(client);
}

void TestHttpServer::SetReplyDelays(std::vector<std::chrono::milliseconds> delays) {
    std::lock_guard lock(mutex_);
    replyDelays_ = std::move(delays);
}

std::size_t TestHttpServer::MostAtOnce() const {
    std::lock_guard lock(mutex_);
    return mostAtOnce_;
}

void TestHttpServer::HoldBack(std::size_t requestIndex) {
    std::unique_lock lock(mutex_);
    if (replyDelays_.empty()) return;
    const std::chrono::milliseconds delay = replyDelays_[requestIndex % replyDelays_.size()];
    changed_.wait_for(lock, delay, [&] { return stopping_; });
}

bool TestHttpServer::ReceiveRequest(int client, TestHttpRequest& request) {
    std::string head;
    char block[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (head.size() > kMaxRequestHead) return false;
        const ssize_t received = ::recv(client, block, sizeof block, 0);
        if (received < 0 && errno == EINTR) continue;
        if (received <= 0) return false;
        head.append(block, static_cast<std::size_t>(received));
    }
    return ParseRequestHead(head.substr(0, head.find("\r\n\r\n") + 2), request);
}

TestHttpReply TestHttpServer::ReplyFor(const TestHttpRequest& request) const {
    Responder responder;
    {
        std::lock_guard lock(mutex_);
        if (const auto found = responders_.find(request.target); found != responders_.end()) {
            responder = found->second;
        }
    }
    if (responder) return responder(request);
    std::lock_guard lock(mutex_);
    const auto route = routes_.find(request.target);
    if (route != routes_.end()) return route->second;
    return TestHttpReply::Status(404, "Not Found", "<html>no such page</html>\n");
}

void TestHttpServer::SendReply(int client, const TestHttpReply& reply) {
    const std::string_view body = reply.body;
    if (reply.chunked && reply.pieceSize == 0) {
        TestHttpReply chunked = reply;
        chunked.headers.push_back("Transfer-Encoding: chunked");
        SendAll(client, ReplyHead(chunked, false, 0) + Chunked(body));
        return;
    }
    const std::string head =
        ReplyHead(reply, reply.sendLength && reply.ending != TestReplyEnding::kEndless, body.size());
    switch (reply.ending) {
        case TestReplyEnding::kComplete:
            if (reply.pieceSize > 0) {
                SendInPieces(client, reply);
            } else {
                SendAll(client, head + reply.body);
            }
            return;
        case TestReplyEnding::kReset:
            if (SendAll(client, head) && SendAll(client, body.substr(0, reply.cutAfter))) {
                ResetConnection(client);
            }
            return;
        case TestReplyEnding::kCloseEarly:
            if (SendAll(client, head)) SendAll(client, body.substr(0, reply.cutAfter));
            return;
        case TestReplyEnding::kStall:
            if (SendAll(client, head) && SendAll(client, body.substr(0, reply.cutAfter)) &&
                WaitForRelease()) {
                SendAll(client, body.substr(reply.cutAfter));
            }
            return;
        case TestReplyEnding::kStallBeforeHeaders:
            if (WaitForRelease()) SendAll(client, head + reply.body);
            return;
        case TestReplyEnding::kEndless:
            if (SendAll(client, head)) SendEndless(client, reply);
            return;
    }
}

void TestHttpServer::SendEndless(int client, const TestHttpReply& reply) {
    std::string block;
    while (block.size() < 64 * 1024 && !reply.body.empty()) block += reply.body;
    while (!block.empty() && SendAll(client, block)) {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
    }
}

// Each piece in a send of its own, without Nagle's delay, so that pieces
// leave as separate segments.
void TestHttpServer::SendInPieces(int client, const TestHttpReply& reply) {
    const int on = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const std::string_view body = reply.body;
    std::vector<std::string> pieces;
    if (reply.chunked) {
        pieces.push_back(ReplyHead(reply, false, 0));
        for (std::size_t at = 0; at < body.size(); at += reply.pieceSize) {
            const std::string_view data = body.substr(at, reply.pieceSize);
            char size[20];
            std::snprintf(size, sizeof size, "%zx\r\n", data.size());
            pieces.push_back(size + std::string(data) + "\r\n");
        }
        pieces.emplace_back("0\r\n\r\n");
    } else {
        const std::string wire = ReplyHead(reply, reply.sendLength, body.size()) + reply.body;
        for (std::size_t at = 0; at < wire.size(); at += reply.pieceSize) {
            pieces.push_back(wire.substr(at, reply.pieceSize));
        }
    }
    for (const std::string& piece : pieces) {
        if (!SendAll(client, piece)) return;
    }
}

void TestHttpServer::Forget(int client) {
    {
        std::lock_guard lock(mutex_);
        openClients_.erase(client);
    }
    ::close(client);
}

int ClosedLocalPort() {
    int port = 0;
    const int fd = ListenOnLoopback(port);
    ::close(fd);
    return port;
}

namespace {

std::string Base64(std::string_view bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
        for (std::size_t digit = 0; digit < 4; ++digit) {
            text += i + digit <= bytes.size() ? kDigits[(group >> (18 - 6 * digit)) & 63] : '=';
        }
    }
    return text;
}

}  // namespace

TestHttpServer::Responder BasicLoginRequired(const std::string& user, const std::string& password,
                                             const std::string& realm, TestHttpReply granted) {
    const std::string expected = "Basic " + Base64(user + ":" + password);
    return [expected, realm, granted = std::move(granted)](const TestHttpRequest& request) {
        if (request.Header("Authorization") == expected) return granted;
        TestHttpReply refused = TestHttpReply::Status(401, "Unauthorized", "login first");
        refused.headers.push_back("WWW-Authenticate: Basic realm=\"" + realm + "\"");
        return refused;
    };
}
