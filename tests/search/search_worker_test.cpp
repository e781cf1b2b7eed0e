#include "search/search_worker.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "app/default_workers.h"
#include "net/curl_session.h"
#include "support/search_engine_stand_ins.h"
#include "support/worker_fixture.h"

namespace {

constexpr int kSearchResultsList = 6;

FileEntry Result(std::string_view url, std::string_view projectName) {
    FileEntry result;
    result.url = url;
    result.status = projectName;
    return result;
}

SearchProject Project(const std::string& name, const std::string& searchText, int altavista, int yahoo) {
    SearchProject project;
    project.name = name;
    project.searchText = searchText;
    project.useAltavista = altavista;
    project.useYahoo = yahoo;
    project.useHotBot = 1;
    project.status = "Ready";
    return project;
}

// Search projects run by SearchWorker through the dispatch, with the
// requested searches shown, against a stand-in of each engine.
class SearchWorkerTest : public WorkerFixture {
protected:
    SearchWorkerTest() {
        dispatch = std::make_unique<WorkerDispatch>(
            store, state, window, threads, DefaultWorkerProcedures(CurlSessionFactory(), standIns.Hosts()));
        store.RequestedSearches.Append(Project("Older", "older", 1, 1));
    }

    // Adds the project as the newest (row 0), selects it and runs its worker
    // to the end; the window's calls are those of the run.
    void Run(const SearchProject& project) {
        store.RequestedSearches.Append(project);
        RunNewest();
    }

    void RunNewest(int shownWhileRunning = 5) {
        state.ShownList = 5;
        window.Show(store.RequestedSearches);
        window.Select({0});
        dispatch->StartWorker();
        state.ShownList = shownWhileRunning;  // before the worker's first step
        if (shownWhileRunning == kSearchResultsList) window.Show(store.SearchResults);
        ASSERT_TRUE(executor.RunUntil([&] { return store.ActiveSearchRuns.Count() == 0; }));
    }

    std::vector<std::string> ResultUrls() const {
        std::vector<std::string> urls;
        for (const FileEntry& result : store.SearchResults) urls.push_back(result.url.Str());
        return urls;
    }

    SearchEngineStandIns standIns;
};

TEST_F(SearchWorkerTest, BothEnginesReportInTheStatusRowAndAddTheirLinksInOrder) {
    std::vector<std::string> expected = NumberedLinks("a.org", 12);
    const std::vector<std::string> fromYahoo = NumberedLinks("y.org", 8);
    standIns.ServeAltavista("two+words", TestHttpReply::Ok(ResultPage(expected)));
    standIns.ServeYahoo("two+words", TestHttpReply::Ok(ResultPage(fromYahoo)));
    Run(Project("Tools", "two words", 1, 1));
    EXPECT_EQ(window.calls,
              (std::vector<std::string>{
                  "SetRowText 0 1 Running search project...", "PlayAnimation",
                  "SetLastActionText Retrieving links from Altavista...",
                  "SetRowText 0 1 Search Completed Successfully", "SetStatusText 12 links found",
                  "SetLastActionText Retrieving links from Yahoo...", "SetStatusText 20 links found",
                  "StopAnimation", "SetLastActionText Search ended",
                  "SetStatusText Search completed succesfully"}));
    expected.insert(expected.end(), fromYahoo.begin(), fromYahoo.end());
    EXPECT_EQ(ResultUrls(), expected);
    for (const FileEntry& result : store.SearchResults) EXPECT_EQ(result.status, "Tools");
    EXPECT_TRUE(store.SearchResults.IsModified());
    EXPECT_EQ(*store.RequestedSearches.GetAt(1), Project("Tools", "two words", 1, 1));  // stays as it was
}

TEST_F(SearchWorkerTest, EachOutcomeLeavesItsTextsInTheRowAndTheStatusView) {
    struct Case {
        SearchProject project;
        const char* row;
        const char* status;
        const char* lastAction;
        int results;
    };
    const Case cases[] = {
        // Altavista finds nothing on page "none"; Yahoo 8 links on "some"
        {Project("P1", "none", 1, 1), "Error retrieving links from Altavista", "8 links found",
         "Retrieving links from Yahoo...", 8},
        {Project("P2", "some", 0, 1), "Running search project...", "Search completed succesfully",
         "Search ended", 8},
        {Project("P3", "unserved", 0, 1), "Running search project...", "Error retrieving links from Yahoo",
         "Retrieving links from Yahoo...", 0},
        {Project("P4", "some", 0, 0), "Running search project...", "Search completed succesfully",
         "Search ended", 0},
        {Project("P5", "", 1, 1), "Error retrieving links from Altavista",
         "Error retrieving links from Yahoo", "Retrieving links from Yahoo...", 0},
    };
    standIns.ServeAltavista("none", TestHttpReply::Ok(ResultPage({})));
    for (const char* query : {"none", "some"})
        standIns.ServeYahoo(query, TestHttpReply::Ok(ResultPage(NumberedLinks("y.org", 8))));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.project.name.Str());
        const int resultsBefore = store.SearchResults.Count();
        Run(c.project);
        EXPECT_EQ(window.RowText(0, 1), c.row);
        EXPECT_EQ(window.statusText, c.status);
        EXPECT_EQ(window.lastActionText, c.lastAction);
        EXPECT_EQ(store.SearchResults.Count() - resultsBefore, c.results);
        EXPECT_FALSE(window.animationPlaying);
    }
    EXPECT_EQ(standIns.RequestCount(), 4u);  // none for P4 and P5
}

TEST_F(SearchWorkerTest, ARunWhileAnotherListIsShownOnlyAddsItsResultsAndEachRunAddsThemAgain) {
    standIns.ServeAltavista("again", TestHttpReply::Ok(ResultPage(NumberedLinks("a.org", 3))));
    Run(Project("Again", "again", 1, 0));
    RunNewest(1);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"PlayAnimation", "StopAnimation"}));
    EXPECT_EQ(ResultUrls(),
              (std::vector<std::string>{"http://a.org/1.zip", "http://a.org/2.zip", "http://a.org/3.zip",
                                        "http://a.org/1.zip", "http://a.org/2.zip", "http://a.org/3.zip"}));
}

// Results keep the letter case of the results page; while they are shown,
// each one gets its row as it is added, so that row i shows record
// count - 1 - i and the entry commands act on the link shown.
TEST_F(SearchWorkerTest, ResultsKeepTheirCaseAndGetTheirRowsWhileShown) {
    store.SearchResults.Append(Result("http://old.org/Old.zip", "Older"));
    const std::vector<std::string> links{"http://A.org/Files/Setup.ZIP", "http://a.org/README.Debian.gz"};
    standIns.ServeAltavista("Case", TestHttpReply::Ok(ResultPage(links)));
    standIns.ServeYahoo("Case", TestHttpReply::Ok(ResultPage({"http://Y.org/Y.ZIP"})));
    Run(Project("Cased", "Case", 1, 1));
    EXPECT_EQ(ResultUrls(),
              (std::vector<std::string>{"http://old.org/Old.zip", "http://A.org/Files/Setup.ZIP",
                                        "http://a.org/README.Debian.gz", "http://Y.org/Y.ZIP"}));

    store.SearchResults.Append(Result("http://old.org/Old.zip", "Older"));
    RunNewest(kSearchResultsList);
    ASSERT_EQ(window.RowCount(), store.SearchResults.Count());
    for (int row = 0; row < window.RowCount(); ++row) {
        const FileEntry* shown = store.SearchResults.GetAt(store.SearchResults.Count() - 1 - row);
        EXPECT_EQ(window.RowText(row, 0), shown->url.View()) << row;
        EXPECT_EQ(window.RowText(row, 1), shown->status.View()) << row;
    }
    EXPECT_EQ(window.RowText(0, 0), "http://Y.org/Y.ZIP");
}

TEST_F(SearchWorkerTest, AnExceptionEndsTheRunWithItsMessageAndNotTheProcess) {
    for (const bool standard : {true, false}) {
        WorkerProcedures procedures;
        procedures.search = [&](WorkerContext& context) {
            auto failingStart = [&]() -> std::unique_ptr<InternetSession> {
                if (standard) throw std::runtime_error("The Internet client could not be initialised");
                throw 42;
            };
            SearchWorker(context, SearchEngines{failingStart, standIns.Hosts()});
        };
        dispatch = std::make_unique<WorkerDispatch>(store, state, window, threads, procedures);
        Run(Project(standard ? "Std" : "Other", "x", 1, 1));
        const char* message = standard ? "The Internet client could not be initialised" : "Unknown error";
        EXPECT_EQ(window.RowText(0, 1), message);
        EXPECT_EQ(window.statusText, message);
        EXPECT_FALSE(window.animationPlaying);
    }
}

}  // namespace
