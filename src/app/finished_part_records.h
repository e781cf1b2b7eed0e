#pragma once

#include <cstddef>

#include "store/item_store.h"

// Around one save of the lists: the part records of the files finished
// before it (ItemStore::FinishedSinceSave) go once it has succeeded, since
// the lists on disk then show those entries downloaded. Files finished while
// the save runs, or before a failed one, wait for the next save. Used on the
// user-interface thread, made just before the save.
class FinishedPartRecords {
public:
    explicit FinishedPartRecords(ItemStore& store)
        : store_(store), covered_(store.FinishedSinceSave.size()) {}

    // After a successful save.
    void Forget() const;

private:
    ItemStore& store_;
    const std::size_t covered_;
};
