#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/default_workers.h"
#include "app/worker_dispatch.h"
#include "net/curl_session.h"
#include "search/search_worker.h"
#include "store/item_store.h"
#include "support/fake_window.h"
#include "support/manual_executor.h"
#include "support/search_engine_stand_ins.h"
#include "workers/app_state.h"
#include "workers/worker_threads.h"

namespace {

constexpr int kRequestedFiles = 1;
constexpr int kRequestedSearches = 5;

SearchProject Project(const std::string& name, const std::string& searchText, int altavista, int yahoo,
                      int hotBot = 0) {
    SearchProject project;
    project.name = name;
    project.searchText = searchText;
    project.useAltavista = altavista;
    project.useYahoo = yahoo;
    project.useHotBot = hotBot;
    project.startOnRequest = 1;
    project.stopOnRequest = 1;
    project.status = "Ready";
    return project;
}

// Search projects run by the real SearchWorker through the dispatch, against
// a stand-in of each engine reached through the host variables.
class SearchWorkerTest : public ::testing::Test {
protected:
    SearchWorkerTest() {
        store.RequestedSearches.Append(Project("Older", "older", 1, 1));
        state.ShownList = kRequestedSearches;
    }

    // Adds the project as the newest, shows the requested searches with it
    // selected (row 0) and starts its worker; the run's window calls are
    // recorded from here on.
    void Start(const SearchProject& project) {
        store.RequestedSearches.Append(project);
        StartNewest();
    }

    void StartNewest() {
        window.Show(store.RequestedSearches);
        window.Select({0});
        dispatch->StartWorker();
    }

    bool RunUntilDone() {
        return executor.RunUntil([&] { return store.ActiveSearchRuns.Count() == 0; });
    }

    std::vector<std::string> ResultUrls() const {
        std::vector<std::string> urls;
        for (const FileEntry& result : store.SearchResults) urls.push_back(result.url.Str());
        return urls;
    }

    void UseProcedure(WorkerProcedure search) {
        WorkerProcedures procedures = DefaultWorkerProcedures(CurlSessionFactory(), standIns.Hosts());
        procedures.search = std::move(search);
        dispatch = std::make_unique<WorkerDispatch>(store, state, window, threads, procedures);
    }

    SearchEngineStandIns standIns;
    ManualExecutor executor;
    ItemStore store;
    AppState state;
    FakeWindow window;
    WorkerThreads threads{executor};
    std::unique_ptr<WorkerDispatch> dispatch = std::make_unique<WorkerDispatch>(
        store, state, window, threads, DefaultWorkerProcedures(CurlSessionFactory(), standIns.Hosts()));
};

TEST_F(SearchWorkerTest, BothEnginesReportInTheStatusRowAndAddTheirLinksInOrder) {
    const std::vector<std::string> fromAltavista = NumberedLinks("a.org", 12);
    const std::vector<std::string> fromYahoo = NumberedLinks("y.org", 8);
    standIns.ServeAltavista("two+words", TestHttpReply::Ok(ResultPage(fromAltavista)));
    standIns.ServeYahoo("two+words", TestHttpReply::Ok(ResultPage(fromYahoo)));
    Start(Project("Tools", "two words", 1, 1));
    ASSERT_TRUE(RunUntilDone());

    EXPECT_EQ(window.calls, (std::vector<std::string>{
                                "SetRowText 0 1 Running search project...",
                                "PlayAnimation",
                                "SetLastActionText Retrieving links from Altavista...",
                                "SetRowText 0 1 Search Completed Successfully",
                                "SetStatusText 12 links found",
                                "SetLastActionText Retrieving links from Yahoo...",
                                "SetStatusText 20 links found",
                                "StopAnimation",
                                "SetLastActionText Search ended",
                                "SetStatusText Search completed succesfully",
                            }));
    std::vector<std::string> expected = fromAltavista;
    expected.insert(expected.end(), fromYahoo.begin(), fromYahoo.end());
    EXPECT_EQ(ResultUrls(), expected);
    for (const FileEntry& result : store.SearchResults) EXPECT_EQ(result.status, "Tools");
    EXPECT_TRUE(store.SearchResults.IsModified());
    ASSERT_EQ(store.RequestedSearches.Count(), 2);  // the project stays requested, as it was
    EXPECT_EQ(*store.RequestedSearches.GetAt(1), Project("Tools", "two words", 1, 1));
    EXPECT_FALSE(state.AnimationRunning);
}

TEST_F(SearchWorkerTest, EachOutcomeLeavesItsTextsInTheRowAndTheStatusView) {
    struct Case {
        const char* what;
        SearchProject project;
        int altavistaLinks;  // -1: the engine is not served (its 404 page has no link)
        int yahooLinks;
        const char* row;
        const char* status;
        const char* lastAction;
        int results;
    };
    const Case cases[] = {
        {"Altavista finds nothing", Project("P1", "p1", 1, 1), 0, 8,
         "Error retrieving links from Altavista", "8 links found", "Retrieving links from Yahoo...", 8},
        {"only Yahoo", Project("P2", "p2", 0, 1), -1, 8,
         "Running search project...", "Search completed succesfully", "Search ended", 8},
        {"only Yahoo, which fails", Project("P3", "p3", 0, 1), -1, -1,
         "Running search project...", "Error retrieving links from Yahoo", "Retrieving links from Yahoo...", 0},
        {"only engines without a query", Project("P4", "p4", 0, 0, 1), 5, 5,
         "Running search project...", "Search completed succesfully", "Search ended", 0},
        {"an empty search string", Project("P5", "", 1, 1), 5, 5,
         "Error retrieving links from Altavista", "Error retrieving links from Yahoo",
         "Retrieving links from Yahoo...", 0},
    };
    int expectedResults = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string query = c.project.searchText.Str();
        if (c.altavistaLinks >= 0) {
            standIns.ServeAltavista(query, TestHttpReply::Ok(ResultPage(NumberedLinks("a.org", c.altavistaLinks))));
        }
        if (c.yahooLinks >= 0) {
            standIns.ServeYahoo(query, TestHttpReply::Ok(ResultPage(NumberedLinks("y.org", c.yahooLinks))));
        }
        const std::size_t requestsBefore = standIns.altavista.Requests().size() + standIns.yahoo.Requests().size();
        Start(c.project);
        ASSERT_TRUE(RunUntilDone());
        EXPECT_EQ(window.RowText(0, 1), c.row);
        EXPECT_EQ(window.statusText, c.status);
        EXPECT_EQ(window.lastActionText, c.lastAction);
        const int sent = static_cast<int>(standIns.altavista.Requests().size() + standIns.yahoo.Requests().size() -
                                          requestsBefore);
        EXPECT_EQ(sent, (c.project.searchText.Empty() ? 0 : c.project.useAltavista + c.project.useYahoo));
        expectedResults += c.results;
        EXPECT_EQ(store.SearchResults.Count(), expectedResults);
        EXPECT_FALSE(window.animationPlaying);
    }
}

TEST_F(SearchWorkerTest, ARunWhileAnotherListIsShownOnlyAddsItsResultsAndEachRunAddsThemAgain) {
    standIns.ServeAltavista("again", TestHttpReply::Ok(ResultPage(NumberedLinks("a.org", 3))));
    standIns.ServeYahoo("again", TestHttpReply::Ok(ResultPage(NumberedLinks("y.org", 2))));
    Start(Project("Again", "again", 1, 1));
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(store.SearchResults.Count(), 5);

    StartNewest();
    state.ShownList = kRequestedFiles;  // before the worker's first step
    window.Show(store.RequestedFiles);
    window.statusText = window.lastActionText = "untouched";
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(window.calls, (std::vector<std::string>{"PlayAnimation", "StopAnimation"}));
    EXPECT_EQ(window.statusText, "untouched");
    EXPECT_EQ(window.lastActionText, "untouched");
    ASSERT_EQ(store.SearchResults.Count(), 10);
    EXPECT_EQ(store.SearchResults.GetAt(5)->url, "http://a.org/1.zip");
    EXPECT_EQ(store.SearchResults.GetAt(9)->url, "http://y.org/2.zip");
}

TEST_F(SearchWorkerTest, AProjectDeletedBeforeItsWorkerTakesItRunsNoQuery) {
    Start(Project("Gone", "gone", 1, 1));
    store.RequestedSearches.RemoveAt(1);
    ASSERT_TRUE(RunUntilDone());
    EXPECT_TRUE(window.calls.empty());
    EXPECT_TRUE(standIns.altavista.Requests().empty());
    EXPECT_EQ(store.SearchResults.Count(), 0);
}

TEST_F(SearchWorkerTest, AnExceptionEndsTheRunWithItsMessageAndNotTheProcess) {
    struct Case {
        std::function<void()> raise;
        const char* message;
    };
    const Case cases[] = {
        {[] { throw std::runtime_error("The Internet client could not be initialised"); },
         "The Internet client could not be initialised"},
        {[] { throw std::bad_alloc(); }, "std::bad_alloc"},
        {[] { throw 42; }, "Unknown error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        UseProcedure([&](WorkerContext& context) {
            SearchWorker(context, SearchEngines{[&]() -> std::unique_ptr<InternetSession> {
                                                    c.raise();
                                                    return nullptr;
                                                },
                                                standIns.Hosts()});
        });
        Start(Project(c.message, "x", 1, 1));
        ASSERT_TRUE(RunUntilDone());
        EXPECT_EQ(window.RowText(0, 1), c.message);
        EXPECT_EQ(window.statusText, c.message);
        EXPECT_FALSE(state.AnimationRunning);
        EXPECT_FALSE(window.animationPlaying);
    }
    EXPECT_EQ(store.SearchResults.Count(), 0);
}

}  // namespace
