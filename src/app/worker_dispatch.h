#pragma once

#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "app/download_commands.h"
#include "store/item_store.h"
#include "workers/app_state.h"
#include "workers/window_port.h"
#include "workers/worker_context.h"
#include "workers/worker_threads.h"

// The thread procedures of the four kinds of worker.
struct WorkerProcedures {
    WorkerProcedure httpFile;
    WorkerProcedure ftpFile;
    WorkerProcedure siteCrawler;
    WorkerProcedure search;
};

// Starts and halts the workers: the Selected Projects and Stop Downloading
// commands and the scheduler's tick. Runs on the user-interface thread. A
// worker is given its entry's key and a copy of the options when it is
// created; the hand-over slots are still written for whoever reads them, but
// nothing waits on them. With a limit on the entries running at once, an
// entry started beyond it waits as "Queued" and starts, in the order of the
// starts, when a running one ends or is halted.
class WorkerDispatch : public DownloadCommands {
public:
    WorkerDispatch(ItemStore& store, AppState& state, WindowPort& window, WorkerThreads& threads,
                   WorkerProcedures procedures);

    void StartWorker() override;
    void SuspendWorker() override;
    void SuspendAll() override;
    void ScheduleTick(int hour, int minute) override;
    // Also starts queued entries that a higher limit lets run.
    void SetOptions(const Options& options) override;
    void ForgetEntry(int list, std::string_view key) override;

private:
    template <typename Record>
    struct Kind;

    bool ShowsRequestedList() const;
    template <typename Record>
    bool StartOrResumeRow(const Kind<Record>& kind, int row);
    template <typename Record>
    void HaltRow(const Kind<Record>& kind, int row);
    template <typename Record>
    bool StartDueProjects(const Kind<Record>& kind, int hour, int minute);
    template <typename Record>
    void HaltDueProjects(const Kind<Record>& kind, int hour, int minute);
    // Halts (or takes out of the queue) each entry of the kind for which
    // `halts` holds; its row is written only while its list is shown.
    template <typename Record, typename Predicate>
    void HaltEntriesWhere(const Kind<Record>& kind, Predicate halts);

    template <typename Record>
    WorkerControl* ActiveControl(const Kind<Record>& kind, std::string_view key) const;
    template <typename Record>
    bool Launch(const Kind<Record>& kind, Record& entry);
    template <typename Record>
    void ShowStarted(Record& entry, int row, bool writeRow);

    // The queue of entries waiting for a free place.
    struct QueuedEntry {
        int shownList;  // the kind of entry, by the number of its list
        std::string key;
        std::string previousStatus;
    };
    bool AtLimit() const;
    int RunningCount() const;
    template <typename Record>
    void Enqueue(const Kind<Record>& kind, Record& entry, int row, bool writeRow);
    // Takes the entry out of the queue with the status it had before; false
    // when it was not queued.
    template <typename Record>
    bool Dequeue(const Kind<Record>& kind, Record& entry, int row, bool writeRow);
    std::deque<QueuedEntry>::iterator FindQueued(int shownList, std::string_view key);
    // Starts queued entries while there is room.
    void StartQueued();
    template <typename Record>
    void StartQueuedEntry(const Kind<Record>& kind, const QueuedEntry& queued);
    void ShowResumed(int row, std::string_view key, bool writeRow);
    void ShowProjectStarted(int row, std::string_view name, bool writeRow);
    const WorkerProcedure& ProcedureFor(const FileEntry& entry) const;

    Kind<FileEntry> Files() const;
    Kind<WebProject> Sites() const;
    Kind<SearchProject> Searches() const;

    ItemStore& store_;
    AppState& state_;
    WindowPort& window_;
    WorkerThreads& threads_;
    WorkerProcedures procedures_;
    Options options_;
    std::deque<QueuedEntry> queue_;
};
