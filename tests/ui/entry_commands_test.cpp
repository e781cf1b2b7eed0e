#include "app/command_ids.h"
#include "app/download_commands.h"
#include "ui/main_frame_fixture.h"

namespace {

using namespace CommandId;
using EntryCommandsTest = MainFrameTest;

std::vector<std::string> Urls(const ItemList<FileEntry>& list) {
    std::vector<std::string> urls;
    for (const FileEntry& entry : list) urls.push_back(entry.url.Str());
    return urls;
}

TEST_F(EntryCommandsTest, DeletingRowsZeroAndTwoOfFiveRemovesTheirRecordsOnly) {
    for (const char* url : {"p0", "p1", "p2", "p3", "p4"}) Store().RequestedFiles.AppendUrl(url);
    Open();
    Store().RequestedFiles.SetModified(false);
    SelectRows({0, 2});
    Run(kDeleteEntry);
    EXPECT_EQ(dialogs.questions, std::vector<std::string>{"Are you sure you want to delete those entries?"});
    EXPECT_EQ(Urls(Store().RequestedFiles), (std::vector<std::string>{"p0", "p1", "p3"}));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"p3", "p1", "p0"}));
    EXPECT_TRUE(Store().RequestedFiles.IsModified());
}

TEST_F(EntryCommandsTest, DeletingOneRowAsksForThatEntryAndNoKeepsIt) {
    Store().RequestedSearches.Append(Search("One"));
    Store().RequestedSearches.Append(Search("Two"));
    Open();
    ClickCategory("Search Projects");
    SelectRows({1});
    dialogs.answerYes = false;
    Run(kDeleteEntry);
    EXPECT_EQ(dialogs.questions, std::vector<std::string>{"Are you sure you want to delete that entry?"});
    EXPECT_EQ(Store().RequestedSearches.Count(), 2);
    dialogs.answerYes = true;
    Run(kDeleteEntry);
    ASSERT_EQ(Store().RequestedSearches.Count(), 1);
    EXPECT_EQ(Store().RequestedSearches.GetAt(0)->name, "Two");
    EXPECT_EQ(Column(0), std::vector<std::string>{"Two"});
}

TEST_F(EntryCommandsTest, DeletingInTheDownloadedListsAndResultsIsRefused) {
    Store().DownloadedFiles.Append(File("http://d/1", "Success"));
    Store().DownloadedSites.Append(Site("Done"));
    Store().SearchResults.Append(File("http://r/1", "New Project"));
    Open();
    for (const char* category : {"Downloaded Files", "Downloaded Sites", "Search Results"}) {
        ClickCategory(category);
        SelectRows({0});
        frame->SetActiveView(category[0] == 'S' ? static_cast<QWidget*>(&List()) : &frame->TreePanel());
        Run(kDeleteEntry);
    }
    EXPECT_EQ(messages.shown,
              std::vector<std::string>(3, "You are not alowed to delete entries in this panel"));
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(
        Store().DownloadedFiles.Count() + Store().DownloadedSites.Count() + Store().SearchResults.Count(), 3);
}

TEST_F(EntryCommandsTest, AddingAFileWhileAnotherListIsShownAddsNoRow) {
    Open();
    ClickCategory("Web Sites");
    dialogs.fileUrl = "  host.org/my file.zip ";  // pasted with blanks around it
    Run(kAddFiles);
    EXPECT_EQ(List().RowCount(), 0);
    ASSERT_EQ(Store().RequestedFiles.Count(), 1);
    EXPECT_EQ(Store().RequestedFiles.GetAt(0)->url, "http://host.org/my%20file.zip");
    EXPECT_EQ(Store().RequestedFiles.GetAt(0)->status, "Ready for download");

    dialogs.fileUrl = "ftp://host.org/b.zip";
    ClickCategory("Files");
    Run(kAddFiles);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"ftp://host.org/b.zip", "http://host.org/my%20file.zip"}));
    EXPECT_EQ(List().RowText(0, 1), "Ready for download");

    for (const char* empty : {"", " \t "}) {
        dialogs.fileUrl = empty;
        Run(kAddFiles);
    }
    dialogs.fileUrl.reset();
    Run(kAddFiles);
    EXPECT_EQ(Store().RequestedFiles.Count(), 2);
}

TEST_F(EntryCommandsTest, AddWebSiteRefusesANameThatDiffersOnlyInLetterCase) {
    Store().RequestedSites.Append(Site("Mirror"));
    Open();
    dialogs.webSheet = [](WebProject& project) {
        project.name = "MIRROR";
        return true;
    };
    Run(kAddWebSite);
    EXPECT_EQ(messages.shown, std::vector<std::string>{"A project with that name already exists!"});
    EXPECT_EQ(Store().RequestedSites.Count(), 1);
}

TEST_F(EntryCommandsTest, AddWebSiteStoresZeroTimesForTheWhenRequestedModes) {
    Open();
    ClickCategory("Web Sites");
    dialogs.webSheet = [](WebProject& project) {
        project.name = "Nightly";
        project.startUrl = "http://host/a b/";
        project.startHour = 22;
        project.startMinute = 30;  // "Run when requested" stays chosen
        project.stopOnRequest = 0;
        project.stopHour = 6;
        project.stopMinute = 5;
        project.status = "Ready for download";
        return true;
    };
    Run(kAddWebSite);
    EXPECT_EQ(dialogs.sheetTitles, std::vector<std::string>{"Add New Web Project"});
    ASSERT_EQ(dialogs.sheetsLoadedWith.size(), 1u);
    EXPECT_EQ(dialogs.sheetsLoadedWith[0].startOnRequest, 1);
    EXPECT_EQ(dialogs.sheetsLoadedWith[0].stopOnRequest, 1);
    ASSERT_EQ(Store().RequestedSites.Count(), 1);
    const WebProject& stored = *Store().RequestedSites.GetAt(0);
    EXPECT_EQ(stored.startHour, 0);
    EXPECT_EQ(stored.startMinute, 0);
    EXPECT_EQ(stored.stopHour, 6);
    EXPECT_EQ(stored.stopMinute, 5);
    EXPECT_EQ(stored.startUrl, "http://host/a%20b/");
    EXPECT_EQ(Column(0), std::vector<std::string>{"Nightly"});
    EXPECT_EQ(Column(1), std::vector<std::string>{"Ready for download"});

    dialogs.webSheet = [](WebProject& project) { return project.name.Empty(); };  // OK with no name
    Run(kAddWebSite);
    EXPECT_EQ(Store().RequestedSites.Count(), 1);
}

TEST_F(EntryCommandsTest, AddSearchProjectAppendsWithoutANameCheck) {
    Store().RequestedSearches.Append(Search("Find"));
    Open();
    ClickCategory("Search Projects");
    dialogs.searchDialog = [](SearchProject& project) {
        project.name = "find";
        project.useHotBot = 1;
        return true;
    };
    Run(kAddSearchProject);
    ASSERT_EQ(Store().RequestedSearches.Count(), 2);
    EXPECT_EQ(Store().RequestedSearches.GetAt(1)->status, "Ready for download");
    EXPECT_EQ(Column(0), (std::vector<std::string>{"find", "Find"}));
}

TEST_F(EntryCommandsTest, PropertiesEditsInPlaceAndMarksTheListModified) {
    Store().RequestedSites.Append(Site("Alpha"));
    Store().RequestedSites.Append(Site("Beta"));
    Open();
    Store().RequestedSites.SetModified(false);
    ClickCategory("Web Sites");
    List().topLevelItem(0)->setText(1, "Downloading...");
    SelectRows({0});
    dialogs.webSheet = [](WebProject& project) {
        project.name = "Gamma";
        project.maxDomainCount = 7;
        project.status = "Ready for download";
        return true;
    };
    Run(kProperties);
    EXPECT_EQ(dialogs.sheetTitles, std::vector<std::string>{"Web Project Properties"});
    ASSERT_EQ(dialogs.sheetsLoadedWith.size(), 1u);
    EXPECT_EQ(dialogs.sheetsLoadedWith[0].name, "Beta");
    ASSERT_EQ(Store().RequestedSites.Count(), 2);
    EXPECT_EQ(Store().RequestedSites.GetAt(1)->name, "Gamma");
    EXPECT_EQ(Store().RequestedSites.GetAt(1)->maxDomainCount, 7);
    EXPECT_EQ(Store().RequestedSites.GetAt(0)->name, "Alpha");
    EXPECT_TRUE(Store().RequestedSites.IsModified());
    EXPECT_EQ(Column(0), (std::vector<std::string>{"Gamma", "Alpha"}));
    EXPECT_EQ(List().RowText(0, 1), "Downloading...");  // the status column stays

    // Cancel changes nothing.
    Store().RequestedSites.SetModified(false);
    dialogs.webSheet = nullptr;
    Run(kProperties);
    EXPECT_FALSE(Store().RequestedSites.IsModified());
}

TEST_F(EntryCommandsTest, PropertiesOfASearchProjectEditsTheFirstOfItsName) {
    Store().RequestedSearches.Append(Search("Find"));
    Open();
    Store().RequestedSearches.SetModified(false);
    ClickCategory("Search Projects");
    SelectRows({0});
    dialogs.searchDialog = [](SearchProject& project) {
        project.searchText = "rar tools";
        return true;
    };
    Run(kProperties);
    ASSERT_EQ(dialogs.searchesLoadedWith.size(), 1u);
    EXPECT_EQ(dialogs.searchesLoadedWith[0].searchText, "zip tools");
    EXPECT_EQ(Store().RequestedSearches.GetAt(0)->searchText, "rar tools");
    EXPECT_TRUE(Store().RequestedSearches.IsModified());
}

// Two projects of one name: the window's handler finds the first by name,
// the entry list's own handler takes the record its row shows.
TEST_F(EntryCommandsTest, PropertiesRunsTheEntryListsHandlerOnlyWhenItIsTheActiveView) {
    WebProject first = Site("Twin");
    first.startUrl = "http://first/";
    WebProject second = Site("Twin");
    second.startUrl = "http://second/";
    Store().RequestedSites.Append(first);
    Store().RequestedSites.Append(second);
    Open();
    ClickCategory("Web Sites");
    SelectRows({0});  // shows the second record
    dialogs.webSheet = nullptr;

    frame->SetActiveView(&frame->TreePanel());
    Run(kProperties);
    frame->SetActiveView(&List());
    Run(kProperties);
    ASSERT_EQ(dialogs.sheetsLoadedWith.size(), 2u);
    EXPECT_EQ(dialogs.sheetsLoadedWith[0].startUrl, "http://first/");
    EXPECT_EQ(dialogs.sheetsLoadedWith[1].startUrl, "http://second/");
}

TEST_F(EntryCommandsTest, FocusInTheEntryListMakesItTheActiveView) {
    Open();
    QApplication::setActiveWindow(frame.get());
    List().setFocus();
    QApplication::processEvents();
    if (QApplication::focusWidget() != &List()) GTEST_SKIP() << "no keyboard focus on this platform";
    EXPECT_EQ(frame->ActiveView(), &List());
    frame->TreePanel().setFocus();
    QApplication::processEvents();
    EXPECT_EQ(frame->ActiveView(), &frame->TreePanel());
}

TEST_F(EntryCommandsTest, SendToRequestedFilesStopsAtAnAddressEndingWithASlash) {
    for (const char* url : {"http://r/c.zip", "http://r/dir/", "http://r/a.zip"}) {
        Store().SearchResults.Append(File(url, "New Project"));
    }
    Open();
    Run(kSendToRequestedFiles);  // another list shown: nothing
    ClickCategory("Search Results");
    Run(kSendToRequestedFiles);  // nothing selected: nothing
    EXPECT_EQ(Store().RequestedFiles.Count(), 0);
    SelectRows({0, 1, 2});
    Run(kSendToRequestedFiles);
    ASSERT_EQ(Store().RequestedFiles.Count(), 1);
    EXPECT_EQ(Store().RequestedFiles.GetAt(0)->url, "http://r/a.zip");
    EXPECT_EQ(Store().RequestedFiles.GetAt(0)->status, "Ready for donwload");
    EXPECT_EQ(Store().SearchResults.Count(), 3);
    EXPECT_EQ(List().RowCount(), 3);
}

// The start address is offered whole, not cut to the 79 characters of a name.
TEST_F(EntryCommandsTest, SendToRequestedWebSitesOffersTheWholeAddress) {
    const std::string address = "http://results.example.org/" + std::string(100, 'a') + "/";
    Store().SearchResults.Append(File(address.c_str(), "New Project"));
    Open();
    ClickCategory("Search Results");
    SelectRows({0});
    for (QWidget* view : {static_cast<QWidget*>(&List()), static_cast<QWidget*>(&frame->TreePanel())}) {
        frame->SetActiveView(view);
        Run(kSendToRequestedSites);
    }
    ASSERT_EQ(dialogs.sheetsLoadedWith.size(), 2u);
    EXPECT_EQ(dialogs.sheetsLoadedWith[0].startUrl, address);
    EXPECT_EQ(dialogs.sheetsLoadedWith[1].startUrl, address);
}

TEST_F(EntryCommandsTest, SendToRequestedWebSitesDiffersBetweenTheWindowAndTheEntryList) {
    Store().SearchResults.Append(File("http://r/site/", "New Project"));
    Open();
    ClickCategory("Search Results");
    SelectRows({0});
    dialogs.webSheet = [](WebProject& project) {
        project.wantZip = 1;
        return true;
    };
    frame->SetActiveView(&List());
    Run(kSendToRequestedSites);
    frame->SetActiveView(&frame->TreePanel());
    Run(kSendToRequestedSites);

    EXPECT_EQ(dialogs.sheetTitles, (std::vector<std::string>{"New Web Project ", "Web Project Properties"}));
    ASSERT_EQ(dialogs.sheetsLoadedWith.size(), 2u);
    EXPECT_EQ(dialogs.sheetsLoadedWith[0].name, "New Project");
    EXPECT_EQ(dialogs.sheetsLoadedWith[0].startUrl, "http://r/site/");
    EXPECT_EQ(dialogs.sheetsLoadedWith[0].startOnRequest, 0);
    EXPECT_EQ(dialogs.sheetsLoadedWith[1].startOnRequest, 1);
    EXPECT_EQ(dialogs.sheetsLoadedWith[1].stopOnRequest, 1);
    ASSERT_EQ(Store().RequestedSites.Count(), 2);
    EXPECT_EQ(Store().RequestedSites.GetAt(0)->status, "Ready for download");

    // The window's handler keeps what its last use left in its project.
    dialogs.webSheet = nullptr;
    Run(kSendToRequestedSites);
    EXPECT_EQ(dialogs.sheetsLoadedWith[2].wantZip, 1);
    EXPECT_EQ(Store().RequestedSites.Count(), 2);
}

class RecordingDownloads : public DownloadCommands {
public:
    void StartWorker() override { calls.push_back("start"); }
    void SuspendWorker() override { calls.push_back("suspend"); }
    void ScheduleTick(int hour, int minute) override {
        calls.push_back("tick");
        time = {hour, minute};
    }
    void SetOptions(const Options&) override {}
    std::vector<std::string> calls;
    std::pair<int, int> time{-1, -1};
};

TEST_F(EntryCommandsTest, DownloadCommandsAndTheTimerReachTheWorkerDispatch) {
    Open();
    Run(kSelectedProjects);  // not wired yet: nothing happens
    RecordingDownloads downloads;
    frame->SetDownloadCommands(&downloads);
    Run(kSelectedProjects);
    Run(kStopDownloading);
    const QTime before = QTime::currentTime();
    frame->OnSchedulerTick();
    const QTime after = QTime::currentTime();
    EXPECT_EQ(downloads.calls, (std::vector<std::string>{"start", "suspend", "tick"}));
    EXPECT_TRUE(downloads.time == std::make_pair(before.hour(), before.minute()) ||
                downloads.time == std::make_pair(after.hour(), after.minute()));
}

TEST_F(EntryCommandsTest, HelpOpensOurHelpPageAndAboutShowsTheBox) {
    Open();
    Run(kTableOfContents);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toString(), CMainFrame::kHelpPageUrl);
    Run(kAbout);
    EXPECT_EQ(dialogs.aboutShown, 1);
}

TEST_F(EntryCommandsTest, TheStartChooserRunsBeforeTheListFilesAreRead) {
    folder.Write("reqsoftsearch.data", "Old\nold text\n1 0 0 0 0 0 0\n1 0 0\n1 0 0\n*\n");
    dialogs.startChoice = 3;
    dialogs.onStartChoice = [] { EXPECT_EQ(TheStore().RequestedSearches.Count(), 0); };
    dialogs.searchDialog = [](SearchProject& project) {
        project.name = "Chosen";
        return true;
    };
    Open();
    ASSERT_EQ(Store().RequestedSearches.Count(), 2);
    EXPECT_EQ(Store().RequestedSearches.GetAt(0)->name, "Chosen");
    EXPECT_TRUE(Store().RequestedSearches.IsModified());
}

}  // namespace
