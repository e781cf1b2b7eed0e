#pragma once

#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

// What a test proxy speaks.
enum class TestProxyKind {
    kHttp,    // forwards requests for absolute http addresses and opens CONNECT tunnels
    kSocks5,  // SOCKS5 CONNECT to an IPv4 address or a name
};

// A proxy on 127.0.0.1 and an ephemeral port that reaches 127.0.0.1 only
// (the name "localhost" included, without any look-up). Given a user, it
// asks for that login: Basic proxy authorisation, answered 407 when
// missing or wrong, or SOCKS5's user name and password (RFC 1929).
// Every member may be called from any thread.
class TestProxyServer {
public:
    explicit TestProxyServer(TestProxyKind kind, std::string user = {}, std::string password = {});
    ~TestProxyServer();
    TestProxyServer(const TestProxyServer&) = delete;
    TestProxyServer& operator=(const TestProxyServer&) = delete;

    int Port() const { return port_; }

    // One line per connection: what it was asked, e.g. "GET http://127.0.0.1:80/a",
    // "CONNECT 127.0.0.1:443", "SOCKS 127.0.0.1:80", "SOCKS name localhost:80",
    // or its refusal: "407", "SOCKS login refused", "SOCKS no method".
    std::vector<std::string> Log() const;

private:
    void Serve(int client);
    void ServeHttp(int client);
    void ServeSocks(int client);
    void Note(std::string line);
    // Passes bytes both ways until either side ends; `early` goes to the server first.
    void Relay(int client, int server, const std::string& early);
    int Connect(int port);

    TestProxyKind kind_;
    std::string user_;
    std::string password_;
    int listener_ = -1;
    int wakeup_ = -1;
    int port_ = 0;

    mutable std::mutex mutex_;
    std::vector<std::string> log_;
    std::set<int> openSockets_;
    bool stopping_ = false;
    std::thread acceptThread_;
    std::vector<std::thread> clientThreads_;
};
