#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/internet_exception.h"
#include "net/internet_session.h"

// The error the real client raises for a host name it cannot resolve.
InternetException UnknownHostError(std::string_view host);

// A scripted Internet layer for tests of its users: each address gets a body
// (with a status code), an error on opening, or an error after some bytes.
// Addresses without a script, and every FTP server, fail as an unknown host,
// so no test reaches the network. Sessions from Factory() share the script. Thread-safe.
class FakeInternet {
public:
    struct Answer {
        std::string body;
        int status = 200;
        std::optional<InternetException> openError;
        std::optional<InternetException> readError;  // raised once `body` has been read
    };

    void Serve(const std::string& url, std::string body, int status = 200);
    void FailOnOpen(const std::string& url, InternetException error);
    void FailWhileReading(const std::string& url, std::string bodyBefore, InternetException error);

    InternetSessionFactory Factory();

    // Addresses opened so far, in order ("http://server[:port]/object" for
    // requests).
    std::vector<std::string> Opened() const;
    std::size_t SessionsMade() const;

    // Used by the fake sessions.
    Answer Open(const std::string& url);
    void CountSession();

private:
    mutable std::mutex mutex_;
    std::map<std::string, Answer> answers_;
    std::vector<std::string> opened_;
    std::size_t sessions_ = 0;
};
