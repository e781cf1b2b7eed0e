#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include <curl/curl.h>

#include "net/internet_abort.h"

// The multi handle that drives the transfers of one session, shared by the
// session and the files it opened so that either may outlive the other.
// Used by one thread at a time, except Abort.
class CurlPump {
public:
    // A transfer hears of its end through this, set as CURLOPT_PRIVATE.
    class Listener {
    public:
        virtual void OnTransferDone(CURLcode result) = 0;

    protected:
        ~Listener() = default;
    };

    explicit CurlPump(std::shared_ptr<InternetAbort> sharedAbort);
    ~CurlPump();
    CurlPump(const CurlPump&) = delete;
    CurlPump& operator=(const CurlPump&) = delete;

    CURLM* Multi() const { return multi_; }

    // At most `count` connections to one host; transfers beyond wait for one
    // to be free. Requests to an https server that multiplexes share one.
    void LimitHostConnections(int count);

    // Called from any thread: makes the waiting in RunUntil, and every later
    // call, raise InternetException (kAborted).
    void Abort();
    bool Aborted() const;
    void ThrowIfAborted() const;

    // Moves the transfers on, waiting for the network when nothing is to be
    // done, until `finished` holds (true) or the deadline has passed (false).
    bool RunUntil(const std::function<bool()>& finished, std::chrono::steady_clock::time_point deadline);

    // How many transfers have ended so far: a waiter for one transfer can
    // tell that another one ended meanwhile.
    std::uint64_t EndedTransfers() const { return endedTransfers_; }

private:
    void PerformOnce();
    void ReportEndedTransfers();

    CURLM* multi_;
    std::uint64_t endedTransfers_ = 0;
    std::atomic<bool> aborted_{false};
    std::shared_ptr<InternetAbort> sharedAbort_;
    int abortToken_ = -1;
};
