#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "net/internet_exception.h"
#include "net/internet_session.h"

// A scripted answer of the fake Internet client to one address.
struct FakeAnswer {
    std::string body;
    // Raised by OpenURL instead of answering (unknown host, 404, ...).
    std::optional<InternetException> openError;
    // Raised by the read that would go past this many bytes of the body.
    std::optional<std::size_t> breakAfter;
    // Most bytes handed out by each read in turn; after the last, 255.
    std::vector<std::size_t> chunks;
    // Runs on the reading thread before each read, with the bytes read so far.
    std::function<void(std::size_t bytesRead)> beforeRead;
};

// The Internet as the tests script it: sessions that answer from a table of
// addresses. Unknown addresses fail like an unknown host.
class FakeInternet {
public:
    // Set up before any session is made; not changed while workers run.
    std::map<std::string, FakeAnswer> answers;

    InternetSessionFactory Factory();
    // Any thread: the addresses opened so far, in order.
    std::vector<std::string> Opened() const;

    // Used by the fake sessions.
    const FakeAnswer* Answer(const std::string& url);

private:
    mutable std::mutex mutex_;
    std::vector<std::string> opened_;
};

inline InternetException UnknownHost(const std::string& host) {
    return InternetException(InternetError::kNameNotResolved, "Could not resolve host: " + host);
}
