#pragma once

#include <atomic>
#include <cstdint>
#include <iterator>
#include <list>
#include <string_view>

#include "store/records.h"
#include "store/text_utils.h"

// A count of changes made on one thread that other threads may read.
class ChangeCounter {
public:
    ChangeCounter() = default;
    ChangeCounter(const ChangeCounter& other) : count_(other.Load()) {}
    ChangeCounter& operator=(const ChangeCounter& other) {
        count_.store(other.Load(), std::memory_order_release);
        return *this;
    }
    // The owning thread.
    void Increment() { count_.fetch_add(1, std::memory_order_acq_rel); }
    // Any thread.
    std::uint64_t Load() const { return count_.load(std::memory_order_acquire); }

private:
    std::atomic<std::uint64_t> count_{0};
};

// A list that owns copies of its records, in the order they were appended.
// Positions count from 0 at the first record. A reference from GetAt stays
// valid until that record is removed. Not thread-safe: the lists are used on
// the user-interface thread only, apart from ChangeCount.
template <typename Record>
class ItemList {
public:
    void Append(const Record& record) {
        records_.push_back(record);
        SetModified(true);
    }

    // A new entry for the address, "Ready for download".
    void AppendUrl(std::string_view url) requires std::is_same_v<Record, FileEntry> {
        FileEntry entry;
        entry.url = url;
        entry.status = "Ready for download";
        Append(entry);
    }

    // Positions outside 0..Count() - 1 change nothing, not even the flag.
    void RemoveAt(int position) {
        auto it = IteratorAt(position);
        if (it == records_.end()) return;
        records_.erase(it);
        SetModified(true);
    }

    // Position of the first record whose key equals the text, A-Z folded; -1 if none.
    int FindByName(std::string_view key) const {
        int position = 0;
        for (const Record& record : records_) {
            if (EqualsNoCase(KeyOf(record), key)) return position;
            ++position;
        }
        return -1;
    }

    Record* GetAt(int position) {
        auto it = IteratorAt(position);
        return it == records_.end() ? nullptr : &*it;
    }
    const Record* GetAt(int position) const { return const_cast<ItemList*>(this)->GetAt(position); }

    int Count() const { return static_cast<int>(records_.size()); }
    bool IsModified() const { return modified_; }
    // Setting the flag counts as a change: callers set it after changing a
    // record in place.
    void SetModified(bool modified) {
        modified_ = modified;
        if (modified) changes_.Increment();
    }
    // How often the list was changed so far. A save compares it before and
    // after writing, to see whether it wrote the latest records. Any thread:
    // a worker compares it with what it saw at its last step on the
    // user-interface thread to learn, without a step, that no record was
    // added, removed or edited since.
    std::uint64_t ChangeCount() const { return changes_.Load(); }

    auto begin() const { return records_.begin(); }
    auto end() const { return records_.end(); }

private:
    typename std::list<Record>::iterator IteratorAt(int position) {
        if (position < 0 || position >= Count()) return records_.end();
        return std::next(records_.begin(), position);
    }

    std::list<Record> records_;
    bool modified_ = false;
    ChangeCounter changes_;
};
