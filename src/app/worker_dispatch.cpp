#include "app/worker_dispatch.h"

#include <algorithm>
#include <string>
#include <type_traits>

#include "store/text_utils.h"
#include "workers/app_state.h"
#include "workers/shown_transfer.h"

namespace {

constexpr const char* kDownloading = "Downloading...";
constexpr const char* kStopped = "Stopped";
constexpr const char* kQueued = "Queued";

template <typename Project>
bool StartsAt(const Project& project, int hour, int minute) {
    return project.startOnRequest == 0 && project.startHour == hour && project.startMinute == minute;
}

template <typename Project>
bool StopsAt(const Project& project, int hour, int minute) {
    return project.stopOnRequest == 0 && project.stopHour == hour && project.stopMinute == minute;
}

}  // namespace

// One kind of requested entry: its list, its active-worker list and the
// number of the list while it is shown.
template <typename Record>
struct WorkerDispatch::Kind {
    ItemList<Record>& requested;
    ItemList<WorkerRecord>& active;
    int shownList;
};

WorkerDispatch::WorkerDispatch(ItemStore& store, AppState& state, WindowPort& window, WorkerThreads& threads,
                               WorkerProcedures procedures)
    : store_(store), state_(state), window_(window), threads_(threads), procedures_(std::move(procedures)) {}

WorkerDispatch::Kind<FileEntry> WorkerDispatch::Files() const {
    return {store_.RequestedFiles, store_.ActiveFileDownloads, kRequestedFilesList};
}

WorkerDispatch::Kind<WebProject> WorkerDispatch::Sites() const {
    return {store_.RequestedSites, store_.ActiveSiteCrawls, kRequestedSitesList};
}

WorkerDispatch::Kind<SearchProject> WorkerDispatch::Searches() const {
    return {store_.RequestedSearches, store_.ActiveSearchRuns, kRequestedSearchesList};
}

bool WorkerDispatch::ShowsRequestedList() const {
    const int shown = state_.ShownList;
    return shown == kRequestedFilesList || shown == kRequestedSitesList || shown == kRequestedSearchesList;
}

void WorkerDispatch::StartWorker() {
    if (!ShowsRequestedList() || window_.SelectedCount() == 0) return;
    const int rowCount = window_.RowCount();
    for (int row = 0; row < rowCount; ++row) {
        if (!window_.IsRowSelected(row)) continue;
        bool goOn = true;
        switch (state_.ShownList) {
            case kRequestedFilesList: goOn = StartOrResumeRow(Files(), row); break;
            case kRequestedSitesList: goOn = StartOrResumeRow(Sites(), row); break;
            default: goOn = StartOrResumeRow(Searches(), row); break;
        }
        if (!goOn) return;
    }
}

void WorkerDispatch::SuspendWorker() {
    if (!ShowsRequestedList() || window_.SelectedCount() == 0) return;
    const int rowCount = window_.RowCount();
    for (int row = 0; row < rowCount; ++row) {
        if (!window_.IsRowSelected(row)) continue;
        switch (state_.ShownList) {
            case kRequestedFilesList: HaltRow(Files(), row); break;
            case kRequestedSitesList: HaltRow(Sites(), row); break;
            default: HaltRow(Searches(), row); break;
        }
    }
    state_.AnimationRunning = false;
    StartQueued();
}

void WorkerDispatch::SuspendAll() {
    const auto every = [](const auto&) { return true; };
    HaltEntriesWhere(Files(), every);
    HaltEntriesWhere(Sites(), every);
    HaltEntriesWhere(Searches(), every);
    state_.AnimationRunning = false;
}

void WorkerDispatch::ScheduleTick(int hour, int minute) {
    if (!StartDueProjects(Sites(), hour, minute)) return;
    if (!StartDueProjects(Searches(), hour, minute)) return;
    HaltDueProjects(Sites(), hour, minute);
    HaltDueProjects(Searches(), hour, minute);
    StartQueued();
}

void WorkerDispatch::SetOptions(const Options& options) {
    options_ = options;
    StartQueued();
}

void WorkerDispatch::ForgetEntry(int list, std::string_view key) {
    const auto queued = FindQueued(list, key);
    if (queued != queue_.end()) queue_.erase(queued);
    StartQueued();
}

// Returns false when the command ends here (an active entry was resumed, or
// queued to be resumed).
template <typename Record>
bool WorkerDispatch::StartOrResumeRow(const Kind<Record>& kind, int row) {
    Record* entry = kind.requested.GetAt(kind.requested.Count() - 1 - row);
    if (entry == nullptr) return true;
    const std::string key(KeyOf(*entry));
    if (FindQueued(kind.shownList, key) != queue_.end()) return true;
    if (WorkerControl* control = ActiveControl(kind, key)) {
        if (control->IsHalted() && AtLimit()) {
            Enqueue(kind, *entry, row, true);
            return false;
        }
        control->Continue();
        ShowResumed(row, key, true);
        return false;
    }
    if (AtLimit()) {
        Enqueue(kind, *entry, row, true);
        return true;
    }
    if (Launch(kind, *entry)) ShowStarted(*entry, row, true);
    return true;
}

// The texts of a start: a file's row, a project's status and row, and the
// status pane; the search worker writes its own texts.
template <typename Record>
void WorkerDispatch::ShowStarted(Record& entry, int row, bool writeRow) {
    const std::string key(KeyOf(entry));
    if constexpr (std::is_same_v<Record, FileEntry>) {
        if (writeRow) window_.SetRowText(row, 1, kDownloading);
        window_.SetCurrentProjectText("None");
        window_.SetLastActionText(key);
        window_.SetStatusText("No errors");
        state_.SelectedRow = row;
    } else if constexpr (std::is_same_v<Record, WebProject>) {
        entry.status = kDownloading;
        ShowProjectStarted(row, key, writeRow);
    } else {
        state_.SelectedRow = row;
    }
}

template <typename Record>
void WorkerDispatch::HaltRow(const Kind<Record>& kind, int row) {
    Record* entry = kind.requested.GetAt(kind.requested.Count() - 1 - row);
    if (entry == nullptr) return;
    if (Dequeue(kind, *entry, row, true)) return;
    WorkerControl* control = ActiveControl(kind, KeyOf(*entry));
    if (control == nullptr) return;
    control->Halt();
    window_.StopAnimation();
    entry->status = kStopped;
    window_.SetRowText(row, 1, kStopped);
    window_.SetStatusText("Download Stopped");
    state_.Transfers.Halt(kind.shownList, KeyOf(*entry));
    ShowSelectedTransfer(state_, window_);
}

// Returns false when the tick ends here (an active project was resumed).
// Row texts are written only while the kind's own list is shown, so the
// tick never marks a row of another list.
template <typename Record>
bool WorkerDispatch::StartDueProjects(const Kind<Record>& kind, int hour, int minute) {
    for (int position = 0; position < kind.requested.Count(); ++position) {
        Record* project = kind.requested.GetAt(position);
        if (!StartsAt(*project, hour, minute)) continue;
        const int row = kind.requested.Count() - 1 - position;
        const bool shown = state_.ShownList == kind.shownList;
        const std::string key(KeyOf(*project));
        if (FindQueued(kind.shownList, key) != queue_.end()) continue;
        if (WorkerControl* control = ActiveControl(kind, key)) {
            if (control->IsHalted() && AtLimit()) {
                Enqueue(kind, *project, row, shown);
            } else {
                control->Continue();
                ShowResumed(row, key, shown);
            }
            return false;
        }
        if (AtLimit()) {
            Enqueue(kind, *project, row, shown);
        } else if (Launch(kind, *project)) {
            ShowStarted(*project, row, shown);
        }
    }
    return true;
}

template <typename Record>
void WorkerDispatch::HaltDueProjects(const Kind<Record>& kind, int hour, int minute) {
    HaltEntriesWhere(kind, [hour, minute](const Record& project) { return StopsAt(project, hour, minute); });
}

template <typename Record, typename Predicate>
void WorkerDispatch::HaltEntriesWhere(const Kind<Record>& kind, Predicate halts) {
    for (int position = 0; position < kind.requested.Count(); ++position) {
        Record* entry = kind.requested.GetAt(position);
        if (!halts(*entry)) continue;
        const int row = kind.requested.Count() - 1 - position;
        if (Dequeue(kind, *entry, row, state_.ShownList == kind.shownList)) continue;
        WorkerControl* control = ActiveControl(kind, KeyOf(*entry));
        if (control == nullptr) continue;
        control->Halt();
        window_.StopAnimation();
        entry->status = kStopped;
        if (state_.ShownList == kind.shownList) {
            window_.SetRowText(row, 1, kStopped);
        }
        window_.SetStatusText("Download Stopped");
        state_.Transfers.Halt(kind.shownList, KeyOf(*entry));
        ShowSelectedTransfer(state_, window_);
    }
}

template <typename Record>
WorkerControl* WorkerDispatch::ActiveControl(const Kind<Record>& kind, std::string_view key) const {
    const WorkerRecord* record = kind.active.GetAt(kind.active.FindByName(key));
    return record == nullptr ? nullptr : record->thread.get();
}

// Writes the hand-over slot, starts the thread with the entry's key and
// records it as active; false when no thread could be started.
template <typename Record>
bool WorkerDispatch::Launch(const Kind<Record>& kind, Record& entry) {
    const WorkerProcedure* procedure = nullptr;
    if constexpr (std::is_same_v<Record, FileEntry>) {
        state_.PendingFileEntry = &entry;
        procedure = &ProcedureFor(entry);
    } else if constexpr (std::is_same_v<Record, WebProject>) {
        state_.PendingSiteProject = &entry;
        procedure = &procedures_.siteCrawler;
    } else {
        state_.PendingSearchProject = &entry;
        procedure = &procedures_.search;
    }
    state_.AnimationRunning = false;
    WorkerRecord record;
    record.name = KeyOf(entry);
    record.thread = threads_.Start(std::string(KeyOf(entry)), store_, state_, window_, kind.active,
                                   *procedure, options_, [this] { StartQueued(); });
    if (record.thread == nullptr) return false;
    kind.active.Append(record);
    return true;
}

const WorkerProcedure& WorkerDispatch::ProcedureFor(const FileEntry& entry) const {
    // The scheme test is case-sensitive: "FTP://" goes to the HTTP worker.
    return entry.url.View().find("ftp://") != std::string_view::npos ? procedures_.ftpFile
                                                                     : procedures_.httpFile;
}

void WorkerDispatch::ShowResumed(int row, std::string_view key, bool writeRow) {
    if (writeRow) window_.SetRowText(row, 1, kDownloading);
    window_.SetCurrentProjectText("None");
    window_.SetLastActionText(key);
    window_.SetStatusText("No errors");
    state_.SelectedRow = row;
    window_.PlayAnimation();
    state_.AnimationRunning = true;
}

void WorkerDispatch::ShowProjectStarted(int row, std::string_view name, bool writeRow) {
    if (writeRow) window_.SetRowText(row, 1, kDownloading);
    window_.SetCurrentProjectText(name);
    window_.SetLastActionText("Finding Web Site...");
    window_.SetStatusText("No errors");
    state_.SelectedRow = row;
}

bool WorkerDispatch::AtLimit() const {
    return options_.maxRunningEntries > 0 && RunningCount() >= options_.maxRunningEntries;
}

// Halted entries leave their place to others.
int WorkerDispatch::RunningCount() const {
    int running = 0;
    for (const ItemList<WorkerRecord>* active :
         {&store_.ActiveFileDownloads, &store_.ActiveSiteCrawls, &store_.ActiveSearchRuns}) {
        for (const WorkerRecord& record : *active) {
            if (record.thread != nullptr && !record.thread->IsHalted()) ++running;
        }
    }
    return running;
}

template <typename Record>
void WorkerDispatch::Enqueue(const Kind<Record>& kind, Record& entry, int row, bool writeRow) {
    queue_.push_back({kind.shownList, std::string(KeyOf(entry)), entry.status.Str()});
    entry.status = kQueued;
    if (writeRow) window_.SetRowText(row, 1, kQueued);
}

template <typename Record>
bool WorkerDispatch::Dequeue(const Kind<Record>& kind, Record& entry, int row, bool writeRow) {
    const auto queued = FindQueued(kind.shownList, KeyOf(entry));
    if (queued == queue_.end()) return false;
    entry.status = queued->previousStatus;
    if (writeRow) window_.SetRowText(row, 1, queued->previousStatus);
    queue_.erase(queued);
    return true;
}

std::deque<WorkerDispatch::QueuedEntry>::iterator WorkerDispatch::FindQueued(int shownList,
                                                                             std::string_view key) {
    return std::find_if(queue_.begin(), queue_.end(), [&](const QueuedEntry& queued) {
        return queued.shownList == shownList && EqualsNoCase(queued.key, key);
    });
}

void WorkerDispatch::StartQueued() {
    while (!queue_.empty() && !AtLimit()) {
        const QueuedEntry queued = queue_.front();
        queue_.pop_front();
        switch (queued.shownList) {
            case kRequestedFilesList: StartQueuedEntry(Files(), queued); break;
            case kRequestedSitesList: StartQueuedEntry(Sites(), queued); break;
            default: StartQueuedEntry(Searches(), queued); break;
        }
    }
}

// An entry deleted while it waited is forgotten.
template <typename Record>
void WorkerDispatch::StartQueuedEntry(const Kind<Record>& kind, const QueuedEntry& queued) {
    const int position = kind.requested.FindByName(queued.key);
    Record* entry = kind.requested.GetAt(position);
    if (entry == nullptr) return;
    entry->status = queued.previousStatus;
    const int row = kind.requested.Count() - 1 - position;
    const bool shown = state_.ShownList == kind.shownList;
    if (WorkerControl* control = ActiveControl(kind, queued.key)) {
        control->Continue();
        ShowResumed(row, queued.key, shown);
    } else if (Launch(kind, *entry)) {
        ShowStarted(*entry, row, shown);
    } else if (shown) {
        window_.SetRowText(row, 1, queued.previousStatus);
    }
}
