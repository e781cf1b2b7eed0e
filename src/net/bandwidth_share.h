#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>

// A speed limit shared fairly by the transfers that run under it: each gets
// an equal part, which follows them as they start and end. Every member may
// be called from any thread.
class BandwidthShare {
public:
    void Join(int transfers = 1) { transfers_.fetch_add(transfers, std::memory_order_relaxed); }
    void Leave(int transfers = 1) { transfers_.fetch_sub(transfers, std::memory_order_relaxed); }

    // One transfer's part of the limit (bytes per second), at least 1.
    std::int64_t PartOf(std::int64_t limit) const {
        const int transfers = transfers_.load(std::memory_order_relaxed);
        const std::int64_t part = limit / (transfers > 1 ? transfers : 1);
        return part > 0 ? part : 1;
    }

private:
    std::atomic<int> transfers_{0};
};

// The transfers of one session in a share. While the session is held (its
// worker is halted and reads nothing) they stand outside the share, so that
// those running get the whole limit between them; they rejoin when it is
// released. Every member may be called from any thread.
class BandwidthGroup {
public:
    explicit BandwidthGroup(std::shared_ptr<BandwidthShare> share) : share_(std::move(share)) {}
    BandwidthGroup(const BandwidthGroup&) = delete;
    BandwidthGroup& operator=(const BandwidthGroup&) = delete;

    void Join() { Change(1); }
    void Leave() { Change(-1); }
    void SetHeld(bool held) {
        std::lock_guard lock(mutex_);
        if (held == held_) return;
        held_ = held;
        if (held) {
            share_->Leave(members_);
        } else {
            share_->Join(members_);
        }
    }

    std::int64_t PartOf(std::int64_t limit) const { return share_->PartOf(limit); }

private:
    void Change(int members) {
        std::lock_guard lock(mutex_);
        members_ += members;
        if (!held_) share_->Join(members);
    }

    const std::shared_ptr<BandwidthShare> share_;
    std::mutex mutex_;
    int members_ = 0;
    bool held_ = false;
};
