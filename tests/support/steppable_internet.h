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
#include "support/fake_internet.h"

// A scripted answer of the fake Internet client to one address.
struct SteppedAnswer {
    std::string body;
    // Raised by OpenURL instead of answering (unknown host, 404, ...).
    std::optional<InternetException> openError;
    // Raised by the read that would go past this many bytes of the body.
    std::optional<std::size_t> breakAfter;
    // Most bytes handed out by each read in turn; after the last, 255.
    std::vector<std::size_t> chunks;
    // Runs on the reading thread before each read, with the bytes read so far.
    std::function<void(std::size_t bytesRead)> beforeRead;
    // Runs on the opening thread once the answer is made, before OpenURL
    // hands it out: whatever it does happens after the answer has arrived.
    std::function<void()> afterOpen;
};

// A scripted Internet whose reads a test can step through: each read may be
// cut short and preceded by a hook running on the reading thread, and Abort
// is honoured, so a worker test can act at a chosen point of a transfer.
// Unknown addresses and FTP servers fail like an unknown host (see
// FakeInternet for the plainer script).
class SteppableInternet {
public:
    // Set up before any session is made; not changed while workers run.
    std::map<std::string, SteppedAnswer> answers;

    InternetSessionFactory Factory();
    // Any thread: the addresses opened so far, in order.
    std::vector<std::string> Opened() const;

    // Used by the fake sessions.
    const SteppedAnswer* Answer(const std::string& url);

private:
    mutable std::mutex mutex_;
    std::vector<std::string> opened_;
};
