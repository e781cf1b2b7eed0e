#include "engine/segment_map.h"

#include <algorithm>

SegmentMap::SegmentMap(std::int64_t size, const std::vector<ByteSpan>& missing) : size_(size) {
    for (const ByteSpan& span : missing)
        segments_.push_back({.first = span.first, .next = span.first, .end = span.end});
}

std::int64_t SegmentMap::Remaining() const {
    std::int64_t remaining = 0;
    for (const Segment& segment : segments_) remaining += segment.end - segment.next;
    return remaining;
}

std::vector<ByteSpan> SegmentMap::Missing() const {
    std::vector<ByteSpan> spans;
    for (const Segment& segment : segments_) {
        if (segment.next < segment.end) spans.push_back({segment.next, segment.end});
    }
    std::sort(spans.begin(), spans.end(),
              [](const ByteSpan& a, const ByteSpan& b) { return a.first < b.first; });
    return spans;
}

std::optional<int> SegmentMap::TakeIdle() {
    for (std::size_t i = 0; i < segments_.size(); ++i) {
        Segment& segment = segments_[i];
        if (segment.taken || segment.next >= segment.end) continue;
        segment.taken = true;
        return static_cast<int>(i);
    }
    return std::nullopt;
}

std::optional<int> SegmentMap::Steal(std::int64_t leastHalf) {
    auto largest =
        std::max_element(segments_.begin(), segments_.end(),
                         [](const Segment& a, const Segment& b) { return a.end - a.next < b.end - b.next; });
    if (largest == segments_.end()) return std::nullopt;
    const std::int64_t half = (largest->end - largest->next) / 2;
    if (half < leastHalf || half <= 0) return std::nullopt;
    // A finished segment's place is reused before the map grows.
    auto spent = std::find_if(segments_.begin(), segments_.end(), [](const Segment& segment) {
        return !segment.taken && segment.next >= segment.end;
    });
    if (spent == segments_.end() && segments_.size() >= kMaxSegments) return std::nullopt;
    const std::int64_t from = largest->end - half;
    const Segment stolen{.first = from, .next = from, .end = largest->end, .taken = true};
    largest->end = stolen.next;
    if (spent != segments_.end()) {
        *spent = stolen;
        return static_cast<int>(spent - segments_.begin());
    }
    segments_.push_back(stolen);
    return static_cast<int>(segments_.size() - 1);
}

void SegmentMap::Release(int segment) { segments_.at(static_cast<std::size_t>(segment)).taken = false; }

ByteSpan SegmentMap::Left(int segment) const {
    const Segment& found = segments_.at(static_cast<std::size_t>(segment));
    return {found.next, found.end};
}

std::int64_t SegmentMap::Accept(int segment, std::int64_t count) const {
    const Segment& found = segments_.at(static_cast<std::size_t>(segment));
    return std::clamp<std::int64_t>(found.end - found.next, 0, count);
}

void SegmentMap::Advance(int segment, std::int64_t count) {
    Segment& found = segments_.at(static_cast<std::size_t>(segment));
    found.next = std::min(found.end, found.next + count);
}

bool SegmentMap::UnderWayAt(std::int64_t offset) const {
    return std::any_of(segments_.begin(), segments_.end(), [&](const Segment& segment) {
        return segment.taken && segment.first == offset && segment.next > offset;
    });
}
