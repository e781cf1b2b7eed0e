#include "app/auto_save.h"

#include <utility>

#include "app/finished_part_records.h"
#include "store/list_files.h"

void AutoSave::OnceMessages::ShowMessage(std::string_view text) {
    if (!shown_.emplace(text).second) return;
    messages_.ShowMessage(text);
}

AutoSave::AutoSave(ItemStore& store, MessageBoxPort& messages, Delays delays, std::filesystem::path folder)
    : store_(store), messages_(messages), delays_(delays), folder_(std::move(folder)) {}

bool AutoSave::Poll(Clock::time_point now) {
    if (saving_) return false;
    const std::uint64_t changes = ListFileChanges(store_);
    if (changes != changesSeen_) {
        changesSeen_ = changes;
        lastChange_ = now;
        if (!firstUnsavedChange_) firstUnsavedChange_ = now;
    }
    if (!Due(now)) return false;
    // Changes made while a failure message is open are seen at the next
    // call, since changesSeen_ keeps the count from before the save.
    firstUnsavedChange_.reset();
    saving_ = true;
    const FinishedPartRecords finished(store_);
    if (SaveLists(store_, messages_, folder_)) {
        messages_.Forget();
        finished.Forget();
    }
    saving_ = false;
    return true;
}

bool AutoSave::Due(Clock::time_point now) const {
    if (!firstUnsavedChange_) return false;
    return now - lastChange_ >= delays_.quiet || now - *firstUnsavedChange_ >= delays_.longest;
}
