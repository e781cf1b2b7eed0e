#include "net/internet_abort.h"

#include <utility>

void InternetAbort::Abort() {
    aborted_.store(true, std::memory_order_release);
    std::lock_guard lock(mutex_);
    for (auto& [token, waker] : wakers_) waker();
}

int InternetAbort::Subscribe(Waker waker) {
    std::lock_guard lock(mutex_);
    if (Aborted()) waker();
    const int token = nextToken_++;
    wakers_.emplace(token, std::move(waker));
    return token;
}

void InternetAbort::Unsubscribe(int token) {
    std::lock_guard lock(mutex_);
    wakers_.erase(token);
}
