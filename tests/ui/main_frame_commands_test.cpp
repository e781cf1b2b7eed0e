#include <QApplication>
#include <QTime>

#include "app/command_ids.h"
#include "app/download_commands.h"
#include "ui/main_frame_fixture.h"

// How the main window routes its commands: to the entry commands (the entry
// list's own handlers while it is the active view), to the download commands
// and the timer, to help and About. The commands themselves are tested in
// the core (tests/app/entry_commands_test.cpp).
namespace {

using namespace CommandId;
using MainFrameCommandsTest = MainFrameTest;

// Two projects of one name: the window's handler finds the first by name,
// the entry list's own handler takes the record its row shows.
TEST_F(MainFrameCommandsTest, PropertiesRunsTheEntryListsHandlerOnlyWhenItIsTheActiveView) {
    Store().RequestedSites.Append(Site("Twin", "http://first/"));
    Store().RequestedSites.Append(Site("Twin", "http://second/"));
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

// Send To Requested Web Sites: the entry list's handler opens a new
// project, the window's the properties sheet.
TEST_F(MainFrameCommandsTest, SendToRequestedWebSitesRunsTheEntryListsHandlerOnlyWhenItIsTheActiveView) {
    Store().SearchResults.Append(File("http://r/site/", "New Project"));
    Open();
    ClickCategory("Search Results");
    SelectRows({0});
    frame->SetActiveView(&List());
    Run(kSendToRequestedSites);
    frame->SetActiveView(&frame->TreePanel());
    Run(kSendToRequestedSites);
    EXPECT_EQ(dialogs.sheetTitles, (std::vector<std::string>{"New Web Project ", "Web Project Properties"}));
}

TEST_F(MainFrameCommandsTest, FocusInTheEntryListMakesItTheActiveView) {
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

class RecordingDownloads : public DownloadCommands {
public:
    void StartWorker() override { calls.push_back("start"); }
    void SuspendWorker() override { calls.push_back("suspend"); }
    void ScheduleTick(int hour, int minute) override {
        calls.push_back("tick");
        time = {hour, minute};
    }
    void SetOptions(const Options&) override {}
    void ForgetEntry(int, std::string_view) override {}
    std::vector<std::string> calls;
    std::pair<int, int> time{-1, -1};
};

TEST_F(MainFrameCommandsTest, DownloadCommandsAndTheTimerReachTheWorkerDispatch) {
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

TEST_F(MainFrameCommandsTest, HelpOpensOurHelpPageAndAboutShowsTheBox) {
    Open();
    Run(kTableOfContents);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toString(), CMainFrame::kHelpPageUrl);
    Run(kAbout);
    EXPECT_EQ(dialogs.aboutShown, 1);
}

TEST_F(MainFrameCommandsTest, TheStartChooserRunsBeforeTheListFilesAreRead) {
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
