#include "net/curl_pump.h"

#include <algorithm>
#include <new>
#include <utility>

#include "net/internet_exception.h"

namespace {

// Longest wait for the network in one go; Abort cuts it short.
constexpr int kPollMilliseconds = 1000;

void ThrowMultiError(CURLMcode code) {
    throw InternetException(InternetError::kOther, curl_multi_strerror(code));
}

// The wait for the network that ends at the deadline at the latest, rounded
// up so that a wait never ends just before it.
int PollMilliseconds(std::chrono::steady_clock::time_point deadline) {
    const auto now = std::chrono::steady_clock::now();
    if (deadline <= now) return 0;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return static_cast<int>(std::min<long long>(left, kPollMilliseconds));
}

}  // namespace

CurlPump::CurlPump(std::shared_ptr<InternetAbort> sharedAbort)
    : multi_(curl_multi_init()), sharedAbort_(std::move(sharedAbort)) {
    if (multi_ == nullptr) throw std::bad_alloc();
    if (sharedAbort_) abortToken_ = sharedAbort_->Subscribe([this] { Abort(); });
}

CurlPump::~CurlPump() {
    // After this no waker of ours runs, so the multi handle can go.
    if (sharedAbort_) sharedAbort_->Unsubscribe(abortToken_);
    curl_multi_cleanup(multi_);
}

void CurlPump::LimitHostConnections(int count) {
    curl_multi_setopt(multi_, CURLMOPT_PIPELINING, static_cast<long>(CURLPIPE_MULTIPLEX));
    curl_multi_setopt(multi_, CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(count));
}

void CurlPump::Abort() {
    aborted_.store(true, std::memory_order_release);
    curl_multi_wakeup(multi_);
}

bool CurlPump::Aborted() const { return aborted_.load(std::memory_order_acquire); }

void CurlPump::ThrowIfAborted() const {
    if (Aborted()) throw InternetException(InternetError::kAborted, "The operation was canceled");
}

bool CurlPump::RunUntil(const std::function<bool()>& finished,
                        std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        ThrowIfAborted();
        PerformOnce();
        if (finished()) return true;
        ThrowIfAborted();
        const int wait = PollMilliseconds(deadline);
        if (wait <= 0) return false;
        const CURLMcode code = curl_multi_poll(multi_, nullptr, 0, wait, nullptr);
        if (code != CURLM_OK) ThrowMultiError(code);
    }
}

void CurlPump::PerformOnce() {
    int running = 0;
    const CURLMcode code = curl_multi_perform(multi_, &running);
    if (code != CURLM_OK) ThrowMultiError(code);
    ReportEndedTransfers();
}

void CurlPump::ReportEndedTransfers() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg != CURLMSG_DONE) continue;
        ++endedTransfers_;
        void* listener = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &listener);
        if (listener != nullptr) static_cast<Listener*>(listener)->OnTransferDone(message->data.result);
    }
}
