#include "app/worker_dispatch.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/entry_commands.h"
#include "store/item_store.h"
#include "support/fake_window.h"
#include "support/manual_executor.h"
#include "support/record_builders.h"
#include "support/scripted_entry_dialogs.h"
#include "workers/app_state.h"
#include "workers/worker_control.h"
#include "workers/worker_threads.h"

namespace {

// The dispatch with workers that note which procedure got which key and end
// at once, removing their active record as real workers do.
class WorkerDispatchTest : public ::testing::Test {
protected:
    WorkerProcedures NotingProcedures() {
        auto noting = [this](std::string kind) {
            return [this, kind](WorkerContext& context) {
                context.OnUi([&] {
                    started.push_back(kind + " " + context.key);
                    context.RemoveActiveRecord();
                });
            };
        };
        return {noting("http"), noting("ftp"), noting("crawler"), noting("search")};
    }

    bool RunUntilNoWorker() {
        return executor.RunUntil([&] {
            return store.ActiveFileDownloads.Count() == 0 && store.ActiveSiteCrawls.Count() == 0 &&
                   store.ActiveSearchRuns.Count() == 0;
        });
    }

    // An active record of a worker that is running (or halted) without a thread.
    std::shared_ptr<WorkerControl> AddActive(ItemList<WorkerRecord>& active, std::string_view key) {
        WorkerRecord record;
        record.name = key;
        record.thread = std::make_shared<WorkerControl>();
        active.Append(record);
        return record.thread;
    }

    static WebProject SiteStartingAt(std::string_view name, int hour, int minute) {
        WebProject project = Site(name, "", "Ready");
        project.startHour = hour;
        project.startMinute = minute;
        project.stopOnRequest = 1;
        return project;
    }

    ManualExecutor executor;
    ItemStore store;
    AppState state;
    FakeWindow window;
    std::vector<std::string> started;
    WorkerThreads threads{executor};
    WorkerDispatch dispatch{store, state, window, threads, NotingProcedures()};
};

TEST_F(WorkerDispatchTest, SelectedFilesEachGetAWorkerForTheirOwnEntry) {
    for (const char* url : {"http://h/1.zip", "http://h/2.zip", "http://h/3.zip", "http://h/4.zip"}) {
        store.RequestedFiles.AppendUrl(url);
    }
    window.Show(store.RequestedFiles);  // row 0 shows 4.zip
    window.Select({0, 1, 3});
    state.AnimationRunning = true;

    dispatch.StartWorker();
    EXPECT_EQ(store.ActiveFileDownloads.Count(), 3);
    EXPECT_FALSE(state.AnimationRunning);
    EXPECT_EQ(state.SelectedRow, 3);
    EXPECT_EQ(window.lastActionText, "http://h/1.zip");
    EXPECT_EQ(window.currentProjectText, "None");
    EXPECT_EQ(window.statusText, "No errors");
    for (int row : {0, 1, 3}) EXPECT_EQ(window.RowText(row, 1), "Downloading...");
    EXPECT_EQ(window.RowText(2, 1), "Ready for download");
    EXPECT_EQ(store.RequestedFiles.GetAt(0)->status, "Ready for download");

    ASSERT_TRUE(RunUntilNoWorker());
    std::sort(started.begin(), started.end());
    EXPECT_EQ(started, (std::vector<std::string>{"http http://h/1.zip", "http http://h/3.zip",
                                                 "http http://h/4.zip"}));
}

TEST_F(WorkerDispatchTest, OnlyALowerCaseFtpSchemeGoesToTheFtpWorker) {
    store.RequestedFiles.AppendUrl("ftp://h/a.zip");
    store.RequestedFiles.AppendUrl("FTP://h/b.zip");
    window.Show(store.RequestedFiles);
    window.Select({0, 1});
    dispatch.StartWorker();
    ASSERT_TRUE(RunUntilNoWorker());
    std::sort(started.begin(), started.end());
    EXPECT_EQ(started, (std::vector<std::string>{"ftp ftp://h/a.zip", "http FTP://h/b.zip"}));
}

TEST_F(WorkerDispatchTest, StartingAHaltedEntryContinuesItAndIgnoresTheRowsAfterIt) {
    store.RequestedFiles.AppendUrl("http://h/later.zip");
    store.RequestedFiles.AppendUrl("http://h/halted.zip");
    store.RequestedFiles.GetAt(1)->status = "Stopped";
    auto control = AddActive(store.ActiveFileDownloads, "HTTP://h/HALTED.zip");
    control->Halt();
    window.Show(store.RequestedFiles);
    window.Select({0, 1});

    dispatch.StartWorker();
    EXPECT_FALSE(control->IsHalted());
    EXPECT_EQ(store.ActiveFileDownloads.Count(), 1);  // later.zip was not started
    EXPECT_TRUE(started.empty());
    EXPECT_EQ(window.RowText(0, 1), "Downloading...");
    EXPECT_EQ(window.RowText(1, 1), "Ready for download");
    EXPECT_EQ(store.RequestedFiles.GetAt(1)->status, "Stopped");
    EXPECT_EQ(window.lastActionText, "http://h/halted.zip");
    EXPECT_EQ(window.statusText, "No errors");
    EXPECT_TRUE(window.animationPlaying);
    EXPECT_TRUE(state.AnimationRunning);
    EXPECT_EQ(state.SelectedRow, 0);
}

TEST_F(WorkerDispatchTest, StopHaltsActiveEntriesAndAlwaysClearsTheAnimationFlag) {
    store.RequestedFiles.AppendUrl("http://h/idle.zip");
    store.RequestedFiles.AppendUrl("http://h/busy.zip");
    auto control = AddActive(store.ActiveFileDownloads, "http://h/busy.zip");
    window.Show(store.RequestedFiles);

    window.Select({1});  // the idle entry
    state.AnimationRunning = true;
    dispatch.SuspendWorker();
    EXPECT_FALSE(state.AnimationRunning);
    EXPECT_TRUE(window.calls.empty());
    EXPECT_EQ(store.RequestedFiles.GetAt(0)->status, "Ready for download");

    window.Select({0, 1});
    dispatch.SuspendWorker();
    dispatch.SuspendWorker();
    EXPECT_TRUE(control->IsHalted());
    EXPECT_EQ(store.RequestedFiles.GetAt(1)->status, "Stopped");
    EXPECT_EQ(window.RowText(0, 1), "Stopped");
    EXPECT_EQ(window.RowText(1, 1), "Ready for download");
    EXPECT_EQ(window.statusText, "Download Stopped");
    EXPECT_FALSE(window.animationPlaying);
    EXPECT_EQ(store.ActiveFileDownloads.Count(), 1);

    window.Select({0});
    dispatch.StartWorker();  // two halts, one start: it goes on
    EXPECT_FALSE(control->IsHalted());
}

TEST_F(WorkerDispatchTest, CommandsDoNothingOutsideTheRequestedListsOrWithoutSelection) {
    store.DownloadedFiles.AppendUrl("http://h/done.zip");
    window.Show(store.DownloadedFiles);
    window.Select({0});
    state.ShownList = 3;
    state.AnimationRunning = true;
    dispatch.StartWorker();
    dispatch.SuspendWorker();
    EXPECT_TRUE(state.AnimationRunning);
    EXPECT_EQ(store.ActiveFileDownloads.Count(), 0);

    store.RequestedFiles.AppendUrl("http://h/a.zip");
    window.Show(store.RequestedFiles);
    state.ShownList = 1;
    dispatch.StartWorker();
    EXPECT_EQ(store.ActiveFileDownloads.Count(), 0);
    EXPECT_TRUE(window.calls.empty());
}

TEST_F(WorkerDispatchTest, StartingProjectsWritesTheirKindsTexts) {
    store.RequestedSites.Append(SiteStartingAt("Site", 1, 2));
    window.Show(store.RequestedSites);
    window.Select({0});
    state.ShownList = 2;
    dispatch.StartWorker();
    EXPECT_EQ(store.RequestedSites.GetAt(0)->status, "Downloading...");
    EXPECT_EQ(window.RowText(0, 1), "Downloading...");
    EXPECT_EQ(window.currentProjectText, "Site");
    EXPECT_EQ(window.lastActionText, "Finding Web Site...");
    EXPECT_EQ(window.statusText, "No errors");

    SearchProject search;
    search.name = "Query";
    search.status = "Ready";
    store.RequestedSearches.Append(search);
    store.RequestedSearches.Append(search);
    window.Show(store.RequestedSearches);
    window.Select({1});
    state.ShownList = 5;
    state.SelectedRow = 0;
    dispatch.StartWorker();
    EXPECT_EQ(state.SelectedRow, 1);
    EXPECT_TRUE((window.calls == std::vector<std::string>{}));
    ASSERT_TRUE(RunUntilNoWorker());
    std::sort(started.begin(), started.end());
    EXPECT_EQ(started, (std::vector<std::string>{"crawler Site", "search Query"}));
}

TEST_F(WorkerDispatchTest, AStartTimeIsMetOnlyWithinItsMinuteAndEveryDay) {
    store.RequestedSites.Append(SiteStartingAt("Nightly", 22, 30));
    state.ShownList = 2;
    window.Show(store.RequestedSites);

    dispatch.ScheduleTick(22, 29);
    dispatch.ScheduleTick(21, 30);
    EXPECT_EQ(store.ActiveSiteCrawls.Count(), 0);
    dispatch.ScheduleTick(22, 30);
    EXPECT_EQ(store.ActiveSiteCrawls.Count(), 1);
    EXPECT_EQ(window.RowText(0, 1), "Downloading...");
    EXPECT_EQ(state.SelectedRow, 0);
    ASSERT_TRUE(RunUntilNoWorker());
    dispatch.ScheduleTick(22, 31);
    dispatch.ScheduleTick(22, 30);  // the next day: the run has ended, so it starts anew
    ASSERT_TRUE(RunUntilNoWorker());
    EXPECT_EQ(started, (std::vector<std::string>{"crawler Nightly", "crawler Nightly"}));
}

TEST_F(WorkerDispatchTest, WhenTheFirstDueProjectIsHaltedTheTickOnlyContinuesIt) {
    store.RequestedSites.Append(SiteStartingAt("First", 8, 0));
    store.RequestedSites.Append(SiteStartingAt("Second", 8, 0));
    WebProject stopping = SiteStartingAt("Stopping", 23, 0);
    stopping.stopOnRequest = 0;
    stopping.stopHour = 8;
    stopping.stopMinute = 0;
    store.RequestedSites.Append(stopping);
    auto first = AddActive(store.ActiveSiteCrawls, "first");
    auto third = AddActive(store.ActiveSiteCrawls, "Stopping");
    first->Halt();
    state.ShownList = 1;  // another list is shown: its rows are left alone
    window.Show(store.RequestedFiles);

    dispatch.ScheduleTick(8, 0);
    EXPECT_FALSE(first->IsHalted());
    EXPECT_FALSE(third->IsHalted());  // no stop pass in a tick that continued a project
    EXPECT_EQ(store.ActiveSiteCrawls.Count(), 2);
    EXPECT_EQ(window.lastActionText, "First");
    EXPECT_EQ(window.currentProjectText, "None");
    EXPECT_EQ(state.SelectedRow, 2);
    EXPECT_TRUE(state.AnimationRunning);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"SetCurrentProjectText None", "SetLastActionText First",
                                                      "SetStatusText No errors", "PlayAnimation"}));
    EXPECT_TRUE(started.empty());
}

TEST_F(WorkerDispatchTest, OnlyProjectsWithAStopTimeAreHaltedByTheTimer) {
    WebProject whenRequested = SiteStartingAt("WhenRequested", 0, 0);
    whenRequested.startOnRequest = 1;
    whenRequested.stopHour = 6;
    whenRequested.stopMinute = 15;
    WebProject timed = whenRequested;
    timed.name = "Timed";
    timed.stopOnRequest = 0;
    store.RequestedSites.Append(whenRequested);
    store.RequestedSites.Append(timed);
    SearchProject search;
    search.name = "Search";
    search.startOnRequest = 1;
    search.stopHour = 6;
    search.stopMinute = 15;
    store.RequestedSearches.Append(search);
    auto never = AddActive(store.ActiveSiteCrawls, "WhenRequested");
    auto halted = AddActive(store.ActiveSiteCrawls, "Timed");
    auto searching = AddActive(store.ActiveSearchRuns, "Search");
    state.ShownList = 2;
    state.AnimationRunning = true;
    window.Show(store.RequestedSites);

    dispatch.ScheduleTick(6, 15);
    EXPECT_FALSE(never->IsHalted());
    EXPECT_TRUE(halted->IsHalted());
    EXPECT_TRUE(searching->IsHalted());
    EXPECT_EQ(store.RequestedSites.GetAt(0)->status, "Ready");
    EXPECT_EQ(store.RequestedSites.GetAt(1)->status, "Stopped");
    EXPECT_EQ(store.RequestedSearches.GetAt(0)->status, "Stopped");
    EXPECT_EQ(window.RowText(0, 1), "Stopped");
    EXPECT_EQ(window.RowText(1, 1), "Ready");
    EXPECT_EQ(window.statusText, "Download Stopped");
    EXPECT_TRUE(state.AnimationRunning);  // the timer leaves the flag as it was
    EXPECT_FALSE(window.animationPlaying);
}

}  // namespace

// With a limit of two, files and projects wait their turn in the order they
// were started, whoever started them; Stop takes a waiting entry out.
TEST_F(WorkerDispatchTest, EntriesBeyondTheLimitWaitQueuedAndStartInTurn) {
    Options options;
    options.maxRunningEntries = 2;
    dispatch.SetOptions(options);
    for (const char* url : {"http://h/a.zip", "http://h/b.zip", "http://h/c.zip", "http://h/d.zip"}) {
        store.RequestedFiles.AppendUrl(url);
    }
    store.RequestedFiles.GetAt(1)->status = "Connection refused";
    store.RequestedSites.Append(SiteStartingAt("site", 7, 30));
    window.Show(store.RequestedFiles);  // rows 0..3: d, c, b, a
    window.Select({0, 1, 2, 3});

    dispatch.StartWorker();  // from the top row down: d and c run, b and a wait
    EXPECT_EQ(store.ActiveFileDownloads.Count(), 2);
    EXPECT_EQ(window.RowText(2, 1), "Queued");
    EXPECT_EQ(window.RowText(3, 1), "Queued");
    EXPECT_EQ(store.RequestedFiles.GetAt(1)->status, "Queued");

    window.Select({2});  // b: Stop gives it back its text and takes it out of the queue
    dispatch.SuspendWorker();
    EXPECT_EQ(window.RowText(2, 1), "Connection refused");
    EXPECT_EQ(store.RequestedFiles.GetAt(1)->status, "Connection refused");

    dispatch.ScheduleTick(7, 30);  // the tick's start waits behind a
    EXPECT_EQ(store.ActiveSiteCrawls.Count(), 0);
    EXPECT_EQ(store.RequestedSites.GetAt(0)->status, "Queued");

    // Each end starts the next waiting entry, at once, in the order of the starts.
    ASSERT_TRUE(executor.RunUntil([&] { return started.size() == 1; }));
    EXPECT_GE(store.ActiveFileDownloads.FindByName("http://h/a.zip"), 0);
    EXPECT_EQ(store.ActiveSiteCrawls.Count(), 0);
    EXPECT_EQ(store.RequestedFiles.GetAt(0)->status, "Ready for download");
    ASSERT_TRUE(executor.RunUntil([&] { return started.size() == 2; }));
    EXPECT_EQ(store.ActiveSiteCrawls.Count(), 1);
    EXPECT_EQ(store.RequestedSites.GetAt(0)->status, "Downloading...");

    ASSERT_TRUE(RunUntilNoWorker());
    std::sort(started.begin(), started.end());
    EXPECT_EQ(started, (std::vector<std::string>{"crawler site", "http http://h/a.zip", "http http://h/c.zip",
                                                 "http http://h/d.zip"}));
}

// A halted entry leaves its place to another; continuing it beyond the
// limit queues it, and a higher limit lets it go on.
TEST_F(WorkerDispatchTest, HaltedEntriesDoNotCountAndContinueInTurn) {
    Options options;
    options.maxRunningEntries = 1;
    dispatch.SetOptions(options);
    store.RequestedFiles.AppendUrl("http://h/halted.zip");
    store.RequestedFiles.AppendUrl("http://h/running.zip");
    auto halted = AddActive(store.ActiveFileDownloads, "http://h/halted.zip");
    halted->Halt();
    AddActive(store.ActiveFileDownloads, "http://h/running.zip");
    window.Show(store.RequestedFiles);  // row 1: halted.zip
    window.Select({1});

    dispatch.StartWorker();
    EXPECT_TRUE(halted->IsHalted());
    EXPECT_EQ(window.RowText(1, 1), "Queued");

    options.maxRunningEntries = 2;
    dispatch.SetOptions(options);
    EXPECT_FALSE(halted->IsHalted());
    EXPECT_EQ(window.RowText(1, 1), "Downloading...");
    EXPECT_EQ(store.RequestedFiles.GetAt(0)->status, "Ready for download");
}

// Deleted entries leave neither their place, nor their key, nor their
// transfer figures: a running one's place goes to the next waiting entry at
// once, a waiting one leaves the queue, and the same addresses added again
// are entries of their own.
TEST_F(WorkerDispatchTest, DeletedEntriesLeaveNeitherPlaceNorKeyNorFigures) {
    Options options;
    options.maxRunningEntries = 1;
    dispatch.SetOptions(options);
    const std::string a = "http://h/a.zip", b = "http://h/b.zip", c = "http://h/c.zip";
    for (const std::string& url : {a, b, c}) store.RequestedFiles.AppendUrl(url);
    const std::shared_ptr<WorkerControl> running = AddActive(store.ActiveFileDownloads, b);
    state.Transfers.Update(kRequestedFilesList, b, {.bytes = 100, .size = 1000, .transfer = 1}, {});
    window.Show(store.RequestedFiles);  // rows 0..2: c, b, a
    window.Select({0, 2});
    dispatch.StartWorker();
    ASSERT_EQ(window.RowText(0, 1), "Queued");
    ASSERT_EQ(window.RowText(2, 1), "Queued");

    ScriptedEntryDialogs dialogs;
    EntryCommands commands(store, state, window, dialogs);
    commands.SetDownloadCommands(&dispatch);
    window.Select({0});  // c, waiting
    commands.DeleteEntries();
    window.Select({0});  // b, running: a starts in its place
    commands.DeleteEntries();
    EXPECT_TRUE(running->Gate().IsEnding());
    EXPECT_EQ(state.Transfers.Find(kRequestedFilesList, b), nullptr);
    ASSERT_TRUE(executor.RunUntil([&] { return started == std::vector<std::string>{"http " + a}; }));

    for (const std::string& url : {c, b}) store.RequestedFiles.AppendUrl(url);
    window.Show(store.RequestedFiles);  // rows 0..2: b, c, a
    window.Select({0, 1});
    dispatch.StartWorker();
    ASSERT_TRUE(RunUntilNoWorker());
    EXPECT_EQ(started, (std::vector<std::string>{"http " + a, "http " + b, "http " + c}));
}
