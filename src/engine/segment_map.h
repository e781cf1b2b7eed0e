#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/part_records.h"

// Which bytes of a file fetched over several connections are still to come,
// cut into segments, each fetched by at most one connection at a time. A
// segment's bytes arrive in order from its start; a connection that is
// idle takes a segment nobody fetches, or the second half of the largest
// one left. Not thread-safe: its owner guards it.
class SegmentMap {
public:
    // A file of `size` bytes of which the spans `missing` are still to come
    // (ascending, apart, inside the size), each a segment of its own.
    SegmentMap(std::int64_t size, const std::vector<ByteSpan>& missing);

    std::int64_t Size() const { return size_; }
    std::int64_t Remaining() const;
    bool Complete() const { return Remaining() == 0; }
    // The spans still to come, ascending, for the part record.
    std::vector<ByteSpan> Missing() const;

    // A segment still to come that no connection fetches, now taken by the
    // caller; nothing when there is none.
    std::optional<int> TakeIdle();
    // The second half of the largest segment left, as a new segment taken by
    // the caller, when that half is at least `leastHalf` bytes and the map
    // has room for one more segment; nothing otherwise.
    std::optional<int> Steal(std::int64_t leastHalf);
    // The segment is no longer fetched; what is left of it waits for a taker.
    void Release(int segment);

    // The part of the segment still to come.
    ByteSpan Left(int segment) const;
    // Bytes of `count` received at the segment's next byte that belong to
    // it: the rest, past its end, belongs to a segment taken from it.
    std::int64_t Accept(int segment, std::int64_t count) const;
    // The next `count` bytes of the segment are on disk.
    void Advance(int segment, std::int64_t count);
    // Whether a connection fetches a segment that starts at `offset` and has
    // brought its first bytes.
    bool UnderWayAt(std::int64_t offset) const;

    // The most segments a map holds, so that its record stays small.
    static constexpr std::size_t kMaxSegments = 64;

private:
    struct Segment {
        std::int64_t first = 0;
        std::int64_t next = 0;  // its first byte still to come
        std::int64_t end = 0;
        bool taken = false;
    };

    std::int64_t size_;
    std::vector<Segment> segments_;
};
