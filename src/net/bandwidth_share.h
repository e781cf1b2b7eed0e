#pragma once

#include <atomic>
#include <cstdint>

// A speed limit shared fairly by the transfers that run under it: each gets
// an equal part, which follows them as they start and end. Every member may
// be called from any thread.
class BandwidthShare {
public:
    void Join() { transfers_.fetch_add(1, std::memory_order_relaxed); }
    void Leave() { transfers_.fetch_sub(1, std::memory_order_relaxed); }

    // One transfer's part of the limit (bytes per second), at least 1.
    std::int64_t PartOf(std::int64_t limit) const {
        const int transfers = transfers_.load(std::memory_order_relaxed);
        const std::int64_t part = limit / (transfers > 1 ? transfers : 1);
        return part > 0 ? part : 1;
    }

private:
    std::atomic<int> transfers_{0};
};
