#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/test_http_server.h"

// The certificate a TLS test server shows.
enum class TestCertificate {
    kTrusted,        // for 127.0.0.1 and localhost, signed by the test authority
    kUnknownIssuer,  // for 127.0.0.1, signed by an authority nobody trusts
    kOtherName,      // signed by the test authority, for another host name only
};

// The PEM file of the test authority, made (with its certificates) once per
// process in a folder of its own: what a session is given as its extra
// authorities' file.
const std::string& TestAuthorityFile();

// PEM files of the trusted server certificate (for 127.0.0.1 and localhost)
// and of its key, for test servers that run as programs of their own.
struct TestServerFiles {
    std::string certificate;
    std::string key;
};
const TestServerFiles& TrustedServerFiles();

// A server on 127.0.0.1 whose port speaks https (with the given
// certificate) and plain http alike, so that http://127.0.0.1:<port>/ and
// https://127.0.0.1:<port>/ are one site. Both lead to the same
// TestHttpServer behind it, which holds the routes and records the requests.
// Every member may be called from any thread.
class TlsTestServer {
public:
    // With a relay port, it leads to whatever listens on that port of
    // 127.0.0.1 instead (a test proxy, say), and `backend` sees nothing.
    explicit TlsTestServer(TestCertificate certificate = TestCertificate::kTrusted, int relayPort = 0);
    ~TlsTestServer();
    TlsTestServer(const TlsTestServer&) = delete;
    TlsTestServer& operator=(const TlsTestServer&) = delete;

    int Port() const { return port_; }
    std::string HttpsUrl(std::string_view target) const;
    std::string HttpUrl(std::string_view target) const;
    // Connections that completed a TLS handshake.
    std::size_t SecureConnections() const;

    TestHttpServer backend;

private:
    struct Tls;
    void AcceptLoop();
    void Relay(int client);

    std::unique_ptr<Tls> tls_;
    int listener_ = -1;
    int wakeup_ = -1;
    int port_ = 0;
    const int relayPort_;  // 0: the backend's

    mutable std::mutex mutex_;
    std::set<int> openSockets_;
    std::size_t secureConnections_ = 0;
    bool stopping_ = false;
    std::thread acceptThread_;
    std::vector<std::thread> relayThreads_;
};
