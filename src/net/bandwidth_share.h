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
// released. A group that counts as one (the connections of one file, spread
// over several sessions) stands in the share as a single transfer and splits
// its part among its members. Every member may be called from any thread.
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
        share_->Join(held ? -Weight() : Weight());
    }
    void CountAsOne() {
        std::lock_guard lock(mutex_);
        const int before = Weight();
        countsAsOne_.store(true, std::memory_order_relaxed);
        if (!held_) share_->Join(Weight() - before);
    }

    std::int64_t PartOf(std::int64_t limit) const {
        const std::int64_t part = share_->PartOf(limit);
        const int members = members_.load(std::memory_order_relaxed);
        if (!countsAsOne_.load(std::memory_order_relaxed) || members <= 1) return part;
        return part / members > 0 ? part / members : 1;
    }

private:
    // What the group's members count for in the share.
    int Weight() const {
        const int members = members_.load(std::memory_order_relaxed);
        if (countsAsOne_.load(std::memory_order_relaxed)) return members > 0 ? 1 : 0;
        return members;
    }

    void Change(int members) {
        std::lock_guard lock(mutex_);
        const int before = Weight();
        members_.fetch_add(members, std::memory_order_relaxed);
        if (!held_) share_->Join(Weight() - before);
    }

    const std::shared_ptr<BandwidthShare> share_;
    std::mutex mutex_;
    std::atomic<int> members_{0};
    std::atomic<bool> countsAsOne_{false};
    bool held_ = false;
};
